// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/AcroPDFLib_TLB.h"

namespace {

struct Dpi {
    int x = 96, y = 96;
};

Dpi ScreenDpi() {
    Dpi dpi;
    if (HDC screen = GetDC(nullptr)) {
        dpi = {GetDeviceCaps(screen, LOGPIXELSX), GetDeviceCaps(screen, LOGPIXELSY)};
        ReleaseDC(nullptr, screen);
    }
    return dpi;
}

}  // namespace

TAcroPDF::TAcroPDF(HWND parent) : parent_(parent) {
    const Dpi dpi = ScreenDpi();
    if (const auto natural = host_.NaturalSize(dpi.x, dpi.y)) bounds_ = {0, 0, natural->first, natural->second};
}

TAcroPDF::TAcroPDF(HWND parent, const RECT& bounds) : TAcroPDF(parent) { SetBounds(bounds); }

TAcroPDF::~TAcroPDF() = default;

void TAcroPDF::Activate() {
    host_.Activate<HWND, RECT>(parent_, bounds_);
    if (!visible_) ShowWindow(ControlWindow(), SW_HIDE);
}

void TAcroPDF::SetBounds(const RECT& bounds) {
    const RECT old = bounds_;
    bounds_ = bounds;
    HWND window = ControlWindow();
    if (window == nullptr) return;
    const int oldW = old.right - old.left, oldH = old.bottom - old.top;
    const int newW = bounds.right - bounds.left, newH = bounds.bottom - bounds.top;
    const Dpi dpi = ScreenDpi();
    RECT now{};
    GetWindowRect(window, &now);
    const bool resized = host_.AcceptsResize(oldW, oldH, newW, newH, dpi.x, dpi.y);
    MoveWindow(window, bounds.left, bounds.top, resized ? newW : now.right - now.left,
               resized ? newH : now.bottom - now.top, TRUE);
}

void TAcroPDF::SetVisible(bool visible) {
    visible_ = visible;
    if (HWND window = ControlWindow()) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
}
