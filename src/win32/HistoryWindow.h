// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include "win32/FormWindow.h"
#include "win32/LayoutWindow.h"

class Form1Logic;

// This session's renames, newest first; the chosen one can be undone and the
// whole list copied.
class THistoryWindow final : public FormWindow {
public:
    THistoryWindow(HWND owner, Form1Logic& logic);
    void Show();
    // Lists the journal again; the main window calls it after each change.
    void Refresh();
    bool PreTranslate(MSG& message);

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged(int dpi) override { layout_.SetDpi(dpi); }
    void UndoSelected();
    void CopyAll();

    LayoutWindow layout_;
    Form1Logic& logic_;
    bool ready_ = false;
};
