// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/NameList.h"

#include <algorithm>

#include "win32/Dpi.h"

namespace {

constexpr int kMostRowsShown = 8;
constexpr int kArrowWidth = 16;

}  // namespace

TNameList::TNameList(HWND box, HWND owner) : box_(box), dpi_(WindowDpi(box)) {
    // Owned by the window, so its clicks are reported there; never activated,
    // so the name box keeps the focus and the caret.
    list_ = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "LISTBOX", "",
                            WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, owner, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    // Over the box's right end, beside it rather than in it: an edit control
    // paints all of itself. The box leaves the arrow's pixels alone.
    SetWindowLongPtrA(box, GWL_STYLE, GetWindowLongPtrA(box, GWL_STYLE) | WS_CLIPSIBLINGS);
    arrow_ = CreateWindowExW(0, L"BUTTON", L"\u25BC", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0, 0, 0, 0,
                             GetParent(box), nullptr, GetModuleHandleA(nullptr), nullptr);
    const auto font = SendMessageA(box, WM_GETFONT, 0, 0);
    SendMessageA(list_, WM_SETFONT, font, FALSE);
    SendMessageA(arrow_, WM_SETFONT, font, FALSE);
    PlaceArrow();
}

void TNameList::SetDpi(int dpi) {
    dpi_ = dpi;
    const auto font = SendMessageA(box_, WM_GETFONT, 0, 0);
    SendMessageA(list_, WM_SETFONT, font, FALSE);
    SendMessageA(arrow_, WM_SETFONT, font, TRUE);
    PlaceArrow();
    if (IsOpen()) FitToRows();
}

// At the box's right end, as the box now stands: the layout sizes it after we start.
void TNameList::PlaceArrow() {
    RECT inside;
    GetClientRect(box_, &inside);
    MapWindowPoints(box_, GetParent(box_), reinterpret_cast<POINT*>(&inside), 2);
    const int width = Scaled(kArrowWidth, dpi_);
    SetWindowPos(arrow_, HWND_TOP, inside.right - width, inside.top, width, inside.bottom - inside.top, SWP_NOACTIVATE);
    // The text stops short of the arrow.
    SendMessageA(box_, EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, enabled_ ? Scaled(kArrowWidth + 2, dpi_) : 0));
}

TNameList::~TNameList() {
    if (IsWindow(list_)) DestroyWindow(list_);
}

void TNameList::SetEnabled(bool enabled) {
    enabled_ = enabled;
    PlaceArrow();
    ShowWindow(arrow_, enabled ? SW_SHOWNA : SW_HIDE);
    if (!enabled) Close();
}

void TNameList::SetRows(const std::vector<Bytes>& rows, bool choosable) {
    choosable_ = choosable;
    SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list_, LB_RESETCONTENT, 0, 0);
    for (const Bytes& row : rows) SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
    SendMessageA(list_, LB_SETCURSEL, choosable && !rows.empty() ? 0 : -1, 0);
    SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
    if (IsOpen()) FitToRows();
}

void TNameList::Open() {
    if (!enabled_ || IsOpen()) return;
    FitToRows();
    ShowWindow(list_, SW_SHOWNA);
    SetFocus(box_);
}

void TNameList::Close() { ShowWindow(list_, SW_HIDE); }

void TNameList::FitToRows() {
    RECT box;
    GetWindowRect(box_, &box);
    const int rows = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    const int rowHeight = static_cast<int>(SendMessageA(list_, LB_GETITEMHEIGHT, 0, 0));
    const int height = std::clamp(rows, 1, kMostRowsShown) * rowHeight + 2 * GetSystemMetrics(SM_CYBORDER);
    SetWindowPos(list_, HWND_TOPMOST, box.left, box.bottom, box.right - box.left, height, SWP_NOACTIVATE);
}

bool TNameList::Key(WPARAM key) {
    const bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    if (!IsOpen()) {
        if (key == VK_DOWN && alt) {
            Open();
            return true;
        }
        return false;
    }
    const int rows = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    const int current = static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0));
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (alt) {
            Close();
        } else if (choosable_ && rows > 0) {
            const int next = std::clamp(current + (key == VK_DOWN ? 1 : -1), 0, rows - 1);
            SendMessageA(list_, LB_SETCURSEL, next, 0);
        }
        return true;
    case VK_RETURN:
        Choose(current);
        return true;
    case VK_ESCAPE:
        Close();
        return true;
    default:
        return false;
    }
}

bool TNameList::Command(HWND from, int code) {
    if (from == arrow_ && code == BN_CLICKED) {
        if (IsOpen()) Close();
        else Open();
        return true;
    }
    if (from != list_) return false;
    // Only a click reports a change: the keys set the row without a notice.
    if (code == LBN_SELCHANGE) Choose(static_cast<int>(SendMessageA(list_, LB_GETCURSEL, 0, 0)));
    return true;
}

void TNameList::Choose(int row) {
    Close();
    SetFocus(box_);
    if (choosable_ && row >= 0 && OnChoose) OnChoose(row);
}
