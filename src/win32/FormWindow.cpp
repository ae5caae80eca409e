// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/FormWindow.h"

#include <stdexcept>

#include "win32/Dpi.h"
#include "win32/ErrorDisplay.h"
#include "win32/LayoutWindow.h"

namespace {

constexpr const char* kFormClass = "QuilvaneForm";

}  // namespace

void FormWindow::RegisterClasses(HINSTANCE instance) {
    WNDCLASSA form{};
    form.lpfnWndProc = Proc;
    form.hInstance = instance;
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hIcon = LoadIcon(instance, MAKEINTRESOURCE(1));
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = kFormClass;
    RegisterClassA(&form);
    LayoutWindow::RegisterClasses(instance);
}

FormWindow::FormWindow(const WindowLayout& layout, DWORD style, DWORD exStyle, HWND owner, bool hasMenu) {
    const SIZE size = LayoutWindow::OuterSize(layout, style, exStyle, hasMenu, SystemDpi());
    const POINT at = CentredOnScreen(size);
    CreateWindowExA(exStyle, kFormClass, layout.caption, style, at.x, at.y, size.cx, size.cy, owner, nullptr,
                    GetModuleHandleA(nullptr), this);
    if (window_ == nullptr) throw std::runtime_error("ウィンドウを作成できません");
}

FormWindow::~FormWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

POINT FormWindow::CentredOnScreen(SIZE size) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return {work.left + (work.right - work.left - size.cx) / 2, work.top + (work.bottom - work.top - size.cy) / 2};
}

// A window of controls gives the focus back to the control that had it, as a
// dialog does, so that after a message box the user types on where he was.
LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DPICHANGED) {
        DpiChanged(HIWORD(wParam));
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    if (message == WM_ACTIVATE) {
        HWND focus = GetFocus();
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (focus != nullptr && IsChild(window_, focus)) lastFocus_ = focus;
        } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_)) {
            SetFocus(lastFocus_);
        }
        return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (form == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        form->window_ = nullptr;
    }
    return HandleGuarded([&] { return form->HandleMessage(message, wParam, lParam); }, 0);
}
