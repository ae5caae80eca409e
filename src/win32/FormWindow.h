// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include "win32/Layout.h"

// A top-level window of ours, its messages handed to the object that made it.
class FormWindow {
public:
    static void RegisterClasses(HINSTANCE instance);
    virtual ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    HWND Handle() const { return window_; }
    // Where a window of `size` sits centred in the work area.
    static POINT CentredOnScreen(SIZE size);

protected:
    // Makes the window, hidden, at the layout's size; the layout's own
    // controls are made by a LayoutWindow on it.
    FormWindow(const WindowLayout& layout, DWORD style, DWORD exStyle, HWND owner, bool hasMenu);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window has moved to a monitor of another dpi: its controls follow,
    // then the window takes the size the system suggests.
    virtual void DpiChanged(int /*dpi*/) {}

    HWND window_ = nullptr;
    HWND lastFocus_ = nullptr;  // the control that gets the focus back when the window is active again

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};
