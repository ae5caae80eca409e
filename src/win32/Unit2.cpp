// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Unit2.h"

#include <optional>

#include "TForm2Layout.h"
#include "win32/ThreadWindows.h"
#include "win32/ErrorDisplay.h"

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

TForm2::TForm2(HWND owner)
    : FormWindow(TForm2Layout::kWindow, kStyle, kExStyle, owner, false),
      layout_(TForm2Layout::kWindow, window_),
      l_Moto_(layout_.Control("L_Moto"), true),
      l_Shin_(layout_.Control("L_Shin"), true),
      owner_(owner) {
    Logic.OnYes = [this] {
        if (OnYes) RunHandler(OnYes);
    };
    ready_ = true;
}

int TForm2::ShowModal() {
    if (!shownBefore_) {
        RECT outer;
        GetWindowRect(window_, &outer);
        lastPosition_ = CentredOnScreen({outer.right - outer.left, outer.bottom - outer.top});
        lastFocus_ = layout_.Control("Button1");
        shownBefore_ = true;
    }
    SetWindowPos(window_, HWND_TOP, lastPosition_.x, lastPosition_.y, 0, 0, SWP_NOSIZE);
    closed_ = false;
    std::optional<DisabledThreadWindows> modal(std::in_place, std::initializer_list<HWND>{owner_, window_});
    EnableWindow(owner_, FALSE);
    ShowWindow(window_, SW_SHOW);
    SetFocus(lastFocus_);
    MSG message;  // a Unicode loop, as the main one
    while (!closed_) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // the main loop ends too
            break;
        }
        if (IsDialogMessageW(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    RECT outer;
    GetWindowRect(window_, &outer);
    lastPosition_ = {outer.left, outer.top};
    HWND focus = GetFocus();
    if (focus == layout_.Control("Button1") || focus == layout_.Control("Button2")) lastFocus_ = focus;
    // The owner comes back before the dialog goes, so that it, not another program, gets the focus.
    EnableWindow(owner_, TRUE);
    modal.reset();
    ShowWindow(window_, SW_HIDE);
    return 0;
}

// Enter presses the focused button, as Space does. There is no cancel button,
// so Esc answers nothing; the close box and Alt+F4 still act as "いいえ".
LRESULT TForm2::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!ready_) return FormWindow::HandleMessage(message, wParam, lParam);
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDOK) id = GetDlgCtrlID(GetFocus());
        if (id == TForm2Layout::Button1) Button1Click();
        else if (id == TForm2Layout::Button2) Button2Click();
        return 0;
    }
    case WM_CLOSE:
        Button2Click();
        return 0;
    default: break;
    }
    return FormWindow::HandleMessage(message, wParam, lParam);
}
