// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include "forms/Controls.h"

// Win32 windows as the windows' logic sees them. Texts go through the ANSI
// functions, so they stay bytes in the system code page.

class Win32Control : public virtual IControl {
public:
    explicit Win32Control(HWND window) : window_(window) {}
    void SetEnabled(bool enabled) override { EnableWindow(window_, enabled); }
    bool Enabled() const override { return IsWindowEnabled(window_) != FALSE; }
    void SetVisible(bool visible) override { ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE); }
    HWND Handle() const { return window_; }

protected:
    HWND window_;
};

Bytes WindowText(HWND window);

class Win32Edit final : public Win32Control, public IEdit {
public:
    using Win32Control::Win32Control;
    Bytes Text() const override { return WindowText(window_); }
    void SetText(const Bytes& text) override { SetWindowTextA(window_, text.c_str()); }
    void ReplaceSelection(const Bytes& text) override {
        SendMessageA(window_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void SelectAll() override { SendMessageA(window_, EM_SETSEL, 0, -1); }
};

// Labels, buttons and check boxes. A label grows or shrinks to its caption, as
// the layout's labels do.
class Win32Captioned final : public Win32Control, public ICaptioned, public ICheckBox {
public:
    Win32Captioned(HWND window, bool autoSize) : Win32Control(window), autoSize_(autoSize) {}
    Bytes Caption() const override { return WindowText(window_); }
    void SetCaption(const Bytes& caption) override;
    bool Checked() const override { return SendMessageA(window_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

private:
    bool autoSize_;
};

class Win32MenuItem final : public IMenuItem {
public:
    Win32MenuItem(HMENU menu, int id) : menu_(menu), id_(id) {}
    bool Checked() const override;
    void SetChecked(bool checked) override;
    void SetEnabled(bool enabled) override;

private:
    HMENU menu_;
    int id_;
};

class Win32Window final : public IWindow {
public:
    explicit Win32Window(HWND window) : window_(window) {}
    Bytes Caption() const override { return WindowText(window_); }
    void SetCaption(const Bytes& caption) override { SetWindowTextA(window_, caption.c_str()); }
    // Closing waits for the handler that asked for it to end.
    void Close() override { PostMessageA(window_, WM_CLOSE, 0, 0); }

private:
    HWND window_;
};

class Win32MessageBoxes final : public IMessageBoxes {
public:
    explicit Win32MessageBoxes(HWND owner) : owner_(owner) {}
    void ShowStop(Kind kind, const Bytes& caption, const Bytes& text) override;
    bool AskYesNo(const Bytes& caption, const Bytes& text) override;

private:
    HWND owner_;
};
