// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

#include "forms/Controls.h"

// The confirmation dialog's logic: old name, "↓", new name, "リネームしますか？",
// and the two answers.
class Form2Logic {
public:
    Form2Logic(ICaptioned& L_Moto, ICaptioned& L_Shin, IModalDialog& dialog)
        : L_Moto(L_Moto), L_Shin(L_Shin), dialog_(dialog) {}

    ICaptioned& L_Moto;
    ICaptioned& L_Shin;
    // What "はい" runs: the main window's rename, with its errors shown while the dialog is up.
    std::function<void()> OnYes;

    int ShowModal() { return dialog_.ShowModal(); }
    void Button1Click() {
        if (OnYes) OnYes();
        dialog_.Close();
    }
    void Button2Click() { dialog_.Close(); }

private:
    IModalDialog& dialog_;
};
