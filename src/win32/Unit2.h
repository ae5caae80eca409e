// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>

#include "forms/Form2Logic.h"
#include "win32/FormWindow.h"
#include "win32/LayoutWindow.h"
#include "win32/Win32Controls.h"

// The confirmation dialog: old name, "↓", new name, "リネームしますか？".
class TForm2 final : public FormWindow, private IModalDialog {
public:
    explicit TForm2(HWND owner);

    // Modal to its owner; centred the first time, then where the user left it;
    // the focus on "はい" the first time, then on the button that last held it.
    int ShowModal() override;
    void Button1Click() { Logic.Button1Click(); }
    void Button2Click() { Logic.Button2Click(); }

    // What "はい" runs: the main window's rename. Its errors show over the dialog.
    std::function<void()> OnYes;

private:
    LayoutWindow layout_;
    Win32Captioned l_Moto_, l_Shin_;

public:
    Form2Logic Logic{l_Moto_, l_Shin_, *this};

private:
    void Close() override { closed_ = true; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged(int dpi) override { layout_.SetDpi(dpi); }

    HWND owner_;
    bool ready_ = false;
    bool closed_ = true;
    bool shownBefore_ = false;
    POINT lastPosition_{};
};
