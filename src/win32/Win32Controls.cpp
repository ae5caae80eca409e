// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Win32Controls.h"

#include "win32/ByteMessageBox.h"
#include "win32/LayoutWindow.h"

Bytes WindowText(HWND window) {
    Bytes text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Win32Captioned::SetCaption(const Bytes& caption) {
    SetWindowTextA(window_, caption.c_str());
    if (autoSize_) LayoutWindow::FitLabelToText(window_);
}

bool Win32MenuItem::Checked() const { return (GetMenuState(menu_, id_, MF_BYCOMMAND) & MF_CHECKED) != 0; }

void Win32MenuItem::SetChecked(bool checked) {
    CheckMenuItem(menu_, id_, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32MenuItem::SetEnabled(bool enabled) {
    EnableMenuItem(menu_, id_, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void Win32MessageBoxes::ShowStop(Kind, const Bytes& caption, const Bytes& text) {
    ShowStopBox({ByteMessageBoxRequest::Kind::ForbiddenCharBox, reinterpret_cast<std::uintptr_t>(owner_), caption, text});
}

bool Win32MessageBoxes::AskYesNo(const Bytes& caption, const Bytes& text) {
    return AskYesNoBox({ByteMessageBoxRequest::Kind::Question, reinterpret_cast<std::uintptr_t>(owner_), caption, text});
}
