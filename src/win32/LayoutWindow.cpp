// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/LayoutWindow.h"

#include <cstring>
#include <stdexcept>

#include "win32/Dpi.h"
#include "win32/Win32Controls.h"

namespace {

// Panels pass their children's notices on to the top-level window, which
// handles them all; each fills itself with its own colour.
LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return SendMessageA(GetAncestor(panel, GA_ROOT), message, wParam, lParam);
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(panel, &area);
        auto brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(panel, GWLP_USERDATA));
        FillRect(reinterpret_cast<HDC>(wParam), &area, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_NCDESTROY:
        if (auto brush = reinterpret_cast<HBRUSH>(GetWindowLongPtrA(panel, GWLP_USERDATA))) DeleteObject(brush);
        break;
    default: break;
    }
    return DefWindowProcA(panel, message, wParam, lParam);
}

struct ClassStyle {
    const char* className;
    DWORD style, exStyle;
};

ClassStyle StyleOf(const ControlLayout& control) {
    switch (control.kind) {
    case ControlKind::Panel: return {LayoutWindow::kPanelClass, WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT};
    case ControlKind::Button: return {"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::SpeedButton: return {"BUTTON", BS_PUSHBUTTON, 0};
    case ControlKind::CheckBox: return {"BUTTON", BS_AUTOCHECKBOX, 0};
    // File names are shown as they are: an "&" in one is no access key.
    case ControlKind::Label: return {"STATIC", SS_LEFT | SS_NOPREFIX, 0};
    case ControlKind::Edit:
        return {"EDIT", static_cast<DWORD>(ES_AUTOHSCROLL | (control.readOnly ? ES_READONLY : 0)), WS_EX_CLIENTEDGE};
    // A list without data of its own: the rows stay ours, as bytes, however many.
    case ControlKind::ListBox:
        return {"LISTBOX", LBS_NODATA | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | WS_VSCROLL | WS_HSCROLL,
                WS_EX_CLIENTEDGE};
    case ControlKind::Viewer: break;
    }
    return {nullptr, 0, 0};
}

// "Ctrl+Shift+Z" as an accelerator.
bool ParseShortcut(const char* keys, ACCEL& accel) {
    accel = {FVIRTKEY, 0, 0};
    const char* at = keys;
    while (const char* plus = std::strchr(at, '+')) {
        const std::string modifier(at, plus);
        if (modifier == "Ctrl") accel.fVirt |= FCONTROL;
        else if (modifier == "Shift") accel.fVirt |= FSHIFT;
        else if (modifier == "Alt") accel.fVirt |= FALT;
        at = plus + 1;
    }
    if (std::strcmp(at, "Del") == 0) {
        accel.key = VK_DELETE;
        return true;
    }
    if (std::strlen(at) != 1) return false;
    accel.key = static_cast<WORD>(static_cast<unsigned char>(at[0]));
    return true;
}

}  // namespace

void LayoutWindow::RegisterClasses(HINSTANCE instance) {
    WNDCLASSA panel{};
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    RegisterClassA(&panel);
}

LayoutWindow::LayoutWindow(const WindowLayout& layout, HWND window)
    : layout_(layout), window_(window), dpi_(WindowDpi(window)) {
    const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font(layout.font)), FALSE);
    for (const ControlLayout& control : layout.controls) {
        const ClassStyle style = StyleOf(control);
        HWND parent = control.parent < 0 ? window : controls_[static_cast<std::size_t>(control.parent)];
        if (style.className == nullptr) {
            controls_.push_back(nullptr);
            continue;
        }
        const DWORD common = WS_CHILD | (control.visible ? WS_VISIBLE : 0) | (control.enabled ? 0 : WS_DISABLED) |
                             (control.tabStop ? WS_TABSTOP : 0);
        const RECT bounds = Bounds(control.name);
        HWND made = CreateWindowExA(style.exStyle, style.className, control.caption, common | style.style, bounds.left,
                                    bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance, nullptr);
        if (made == nullptr) throw std::runtime_error(std::string("ウィンドウを作成できません: ") + control.name);
        SendMessageA(made, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), FALSE);
        if (control.kind == ControlKind::Panel && control.background >= 0)
            SetWindowLongPtrA(made, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(CreateSolidBrush(static_cast<COLORREF>(control.background))));
        if (control.kind == ControlKind::Label) FitLabelToText(made);
        if (control.kind == ControlKind::CheckBox && control.checked) SendMessageA(made, BM_SETCHECK, BST_CHECKED, 0);
        controls_.push_back(made);
    }
    if (!layout.menu.empty()) BuildMenu();
}

LayoutWindow::~LayoutWindow() {
    if (accelerators_ != nullptr) DestroyAcceleratorTable(accelerators_);
    for (auto& [face, font] : fonts_) DeleteObject(font);
}

HFONT LayoutWindow::FontOf(const ControlLayout& control) {
    return Font(control.font.face ? control.font : layout_.font);
}

HFONT LayoutWindow::Font(const FontLayout& font) {
    const std::string key = std::string(font.face ? font.face : "") + "/" + std::to_string(font.height);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second;
    HFONT made = CreateFontA(-Scaled(font.height, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             font.face ? font.face : "");
    fonts_[key] = made;
    return made;
}

void LayoutWindow::BuildMenu() {
    menu_ = CreateMenu();
    std::vector<HMENU> open{menu_};
    std::vector<ACCEL> accelerators;
    for (const MenuLayout& item : layout_.menu) {
        open.resize(static_cast<std::size_t>(item.depth) + 1);
        HMENU into = open.back();
        if (item.submenu) {
            HMENU sub = CreatePopupMenu();
            AppendMenuA(into, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), item.caption);
            open.push_back(sub);
        } else if (item.separator) {
            AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
        } else {
            std::string caption = item.caption;
            ACCEL accel;
            if (item.shortcut[0] != '\0' && ParseShortcut(item.shortcut, accel)) {
                caption += std::string("\t") + item.shortcut;
                accel.cmd = static_cast<WORD>(item.id);
                accelerators.push_back(accel);
            }
            AppendMenuA(into, MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED), static_cast<UINT_PTR>(item.id),
                        caption.c_str());
        }
    }
    SetMenu(window_, menu_);
    if (!accelerators.empty())
        accelerators_ = CreateAcceleratorTableA(accelerators.data(), static_cast<int>(accelerators.size()));
}

HWND LayoutWindow::Control(const char* name) const {
    for (std::size_t i = 0; i < layout_.controls.size(); ++i)
        if (std::strcmp(layout_.controls[i].name, name) == 0) return controls_[i];
    throw std::logic_error(std::string("no control ") + name);
}

void LayoutWindow::Replace(const char* name, HWND window) {
    for (std::size_t i = 0; i < layout_.controls.size(); ++i)
        if (std::strcmp(layout_.controls[i].name, name) == 0) controls_[i] = window;
}

HWND LayoutWindow::Parent(const char* name) const {
    for (const ControlLayout& control : layout_.controls)
        if (std::strcmp(control.name, name) == 0)
            return control.parent < 0 ? window_ : controls_[static_cast<std::size_t>(control.parent)];
    throw std::logic_error(std::string("no control ") + name);
}

// A control keeps its left and top; one that follows the width or the height
// grows and shrinks with its parent, keeping its distance to the far edge.
RECT LayoutWindow::Bounds(const char* name) const {
    std::vector<SIZE> sizes(layout_.controls.size());
    RECT client;
    GetClientRect(window_, &client);
    const auto scaled = [this](int pixels) { return static_cast<LONG>(Scaled(pixels, dpi_)); };
    for (std::size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& control = layout_.controls[i];
        SIZE parentNow{client.right, client.bottom};
        SIZE parentLaid{scaled(layout_.client.width), scaled(layout_.client.height)};
        if (control.parent >= 0) {
            const ControlLayout& parent = layout_.controls[static_cast<std::size_t>(control.parent)];
            parentNow = sizes[static_cast<std::size_t>(control.parent)];
            parentLaid = {scaled(parent.bounds.width), scaled(parent.bounds.height)};
        }
        sizes[i] = {scaled(control.bounds.width) + ((control.anchors & kFollowWidth) ? parentNow.cx - parentLaid.cx : 0),
                    scaled(control.bounds.height) + ((control.anchors & kFollowHeight) ? parentNow.cy - parentLaid.cy : 0)};
        if (std::strcmp(control.name, name) == 0) {
            const LONG x = scaled(control.bounds.x), y = scaled(control.bounds.y);
            return {x, y, x + std::max<LONG>(0, sizes[i].cx), y + std::max<LONG>(0, sizes[i].cy)};
        }
    }
    throw std::logic_error(std::string("no control ") + name);
}

void LayoutWindow::Relayout() {
    for (std::size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& control = layout_.controls[i];
        if (control.anchors == 0 || controls_[i] == nullptr) continue;
        const RECT bounds = Bounds(control.name);
        MoveWindow(controls_[i], bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    }
}

void LayoutWindow::SetDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    // The old fonts go once no control uses them.
    std::map<std::string, HFONT> old;
    old.swap(fonts_);
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(Font(layout_.font)), FALSE);
    for (std::size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& control = layout_.controls[i];
        if (controls_[i] == nullptr) continue;
        SendMessageA(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), FALSE);
        const RECT bounds = Bounds(control.name);
        MoveWindow(controls_[i], bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, FALSE);
        if (control.kind == ControlKind::Label) FitLabelToText(controls_[i]);
    }
    for (auto& [key, font] : old) DeleteObject(font);
    InvalidateRect(window_, nullptr, TRUE);
}

void LayoutWindow::FitLabelToText(HWND label) {
    const Bytes caption = WindowText(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(label, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    RECT bounds{};
    GetClientRect(label, &bounds);
    SetWindowPos(label, nullptr, 0, 0, size.cx, std::max<LONG>(bounds.bottom, size.cy), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(GetParent(label), nullptr, TRUE);
}

// A given outer size grows as a whole: the frame, caption and menu bar grow with the dpi too.
SIZE LayoutWindow::OuterSize(const WindowLayout& layout, DWORD style, DWORD exStyle, bool hasMenu, int dpi) {
    if (layout.outer.width > 0) return {Scaled(layout.outer.width, dpi), Scaled(layout.outer.height, dpi)};
    RECT bounds{0, 0, Scaled(layout.client.width, dpi), Scaled(layout.client.height, dpi)};
    AdjustWindowRectForDpi(bounds, style, hasMenu, exStyle, dpi);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}
