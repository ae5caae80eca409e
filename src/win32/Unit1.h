// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>
#include <memory>

#include "core/Bytes.h"
#include "forms/Form1Logic.h"
#include "win32/FormWindow.h"
#include "win32/LayoutWindow.h"
#include "win32/ListBox.h"
#include "win32/NameList.h"
#include "win32/Win32Controls.h"
#include "win32/WindowTasks.h"

class TAcroPDF;
class TForm2;
class THistoryWindow;

// The main window on Win32: the layout's controls, handed to the window's
// logic through the control interfaces, and its messages routed to the handlers.
class TForm1 final : public FormWindow {
public:
    explicit TForm1(MciApi& mci = PlatformMci());
    ~TForm1() override;

    // Activates the viewer, then shows the window centred, as `showCommand` asks.
    void Show(int showCommand);
    void SetConfirmationDialog(TForm2* form2);
    // Name candidates from `source` from now on; its results come back through NamesRead.
    void SetNameSource(NameSource* source) { Logic.Names = source; }
    // Runs `task` on the window's thread; from any thread.
    void PostTask(std::function<void()> task) { tasks_.Post(std::move(task)); }
    // Accelerators and the keyboard between controls; true when the message was used.
    bool PreTranslate(MSG& message);

private:
    LayoutWindow layout_;
    Win32Window windowControl_;
    Win32Captioned b_Open_, b_Rename_, sb1_, cb2_, l_format_;
    Win32Edit e_Filename_, e_Rename_;
    Win32MenuItem mode0_, mode1_, nh0_, nh1_, nh2_, nh3_, nh4_, nh5_, nt0_, nt1_, n_R1_, n_R2_, n_Undo_, n_Names_,
        n_FillProposed_;
    Win32MessageBoxes boxes_;
    TListBox listBox1_;
    std::unique_ptr<TAcroPDF> acroPDF1_;
    TNameList nameList_;

public:
    Form1Logic Logic;
    TListBox& ListBox1 = listBox1_;
    TAcroPDF& AcroPDF1;

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged(int dpi) override;
    void Command(int id);
    static LRESULT CALLBACK NameBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
    static LRESULT CALLBACK SpeedButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self);

    WindowTasks tasks_{FormWindow::window_};
    bool ready_ = false;
    bool altKeyTaken_ = false;  // a key with Alt went to the name list
    std::unique_ptr<THistoryWindow> history_;
};
