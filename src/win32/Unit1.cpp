// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Unit1.h"

#include <commctrl.h>

#include "TForm1Layout.h"
#include "win32/AcroPDFLib_TLB.h"
#include "win32/ErrorDisplay.h"
#include "win32/HistoryWindow.h"
#include "win32/OpenFileDialog.h"
#include "win32/Unit2.h"

namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
constexpr UINT_PTR kSubclassId = 1;

}  // namespace

using namespace TForm1Layout;

TForm1::TForm1(MciApi& mci)
    : FormWindow(kWindow, kStyle, kExStyle, nullptr, true),
      layout_(kWindow, window_),
      windowControl_(FormWindow::window_),
      b_Open_(layout_.Control("B_Open"), false),
      b_Rename_(layout_.Control("B_Rename"), false),
      sb1_(layout_.Control("SB1"), false),
      cb2_(layout_.Control("CB2"), false),
      l_format_(layout_.Control("L_format"), true),
      e_Filename_(layout_.Control("E_Filename")),
      e_Rename_(layout_.Control("E_Rename")),
      mode0_(layout_.Menu(), Mode0),
      mode1_(layout_.Menu(), Mode1),
      nh0_(layout_.Menu(), NH0),
      nh1_(layout_.Menu(), NH1),
      nh2_(layout_.Menu(), NH2),
      nh3_(layout_.Menu(), NH3),
      nh4_(layout_.Menu(), NH4),
      nh5_(layout_.Menu(), NH5),
      nt0_(layout_.Menu(), NT0),
      nt1_(layout_.Menu(), NT1),
      n_R1_(layout_.Menu(), N_R1),
      n_R2_(layout_.Menu(), N_R2),
      n_Undo_(layout_.Menu(), N_Undo),
      n_Names_(layout_.Menu(), N_Names),
      n_FillProposed_(layout_.Menu(), N_FillProposed),
      boxes_(FormWindow::window_),
      listBox1_(layout_.Control("ListBox1")),
      acroPDF1_(std::make_unique<TAcroPDF>(layout_.Parent("AcroPDF1"), layout_.Bounds("AcroPDF1"))),
      nameList_(layout_.Control("E_Rename"), FormWindow::window_),
      Logic({windowControl_, b_Open_, b_Rename_, e_Filename_, e_Rename_, l_format_, sb1_, cb2_, listBox1_, *acroPDF1_, mode0_,
             mode1_, nh0_, nh1_, nh2_, nh3_, nh4_, nh5_, nt0_, nt1_, n_R1_, n_R2_, n_Undo_, boxes_, nameList_, n_Names_,
             n_FillProposed_},
            mci),
      AcroPDF1(*acroPDF1_) {
    Logic.ExecuteOpenDialog = [this](TOpenDialog& dialog) {
        return ChooseFileToOpen(Handle(), dialog.Filter, dialog.FileName);
    };
    Logic.ExecuteFolderDialog = [this](Bytes& folder) { return ChooseFolder(Handle(), folder); };
    Logic.OnJournalChanged = [this] {
        if (history_) history_->Refresh();
    };
    listBox1_.OnClick = [this] { Logic.ListBox1Click(); };
    nameList_.OnChoose = [this](int row) { Logic.NameListChoose(row); };
    SetWindowSubclass(layout_.Control("E_Rename"), NameBoxProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(layout_.Control("SB1"), SpeedButtonProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    ready_ = true;
}

TForm1::~TForm1() {
    ready_ = false;
    RemoveWindowSubclass(layout_.Control("E_Rename"), NameBoxProc, kSubclassId);
    RemoveWindowSubclass(layout_.Control("SB1"), SpeedButtonProc, kSubclassId);
}

void TForm1::Show(int showCommand) {
    AcroPDF1.Activate();
    lastFocus_ = layout_.Control("B_Open");
    ShowWindow(Handle(), showCommand);
    UpdateWindow(Handle());
    SetFocus(lastFocus_);
}

void TForm1::SetConfirmationDialog(TForm2* form2) { Logic.Form2 = form2 != nullptr ? &form2->Logic : nullptr; }

bool TForm1::PreTranslate(MSG& message) {
    if (layout_.Accelerators() != nullptr && TranslateAcceleratorW(Handle(), layout_.Accelerators(), &message)) return true;
    if (history_ && history_->PreTranslate(message)) return true;
    return IsDialogMessageW(Handle(), &message) != FALSE;
}

// The viewer scales its own toolbar when the system tells it, after this.
void TForm1::DpiChanged(int dpi) {
    layout_.SetDpi(dpi);
    listBox1_.SetDpi(dpi);
    nameList_.SetDpi(dpi);
}

void TForm1::Command(int id) {
    static const std::pair<int, void (Form1Logic::*)()> handlers[] = {
        {O1, &Form1Logic::O1Click},         {Q1, &Form1Logic::Q1Click},         {NH0, &Form1Logic::NH0Click},
        {NH1, &Form1Logic::NH1Click},       {NH2, &Form1Logic::NH2Click},       {NH3, &Form1Logic::NH3Click},
        {NH4, &Form1Logic::NH4Click},       {NH5, &Form1Logic::NH5Click},       {NT0, &Form1Logic::NT0Click},
        {NT1, &Form1Logic::NT1Click},       {N_R1, &Form1Logic::N_R1Click},     {N_R2, &Form1Logic::N_R2Click},
        {Mode0, &Form1Logic::Mode0Click},   {Mode1, &Form1Logic::Mode1Click},   {B_Open, &Form1Logic::B_OpenClick},
        {B_Rename, &Form1Logic::B_RenameClick}, {SB1, &Form1Logic::SB1Click},   {N_Undo, &Form1Logic::N_UndoClick},
        {N_Names, &Form1Logic::N_NamesClick},     {N_FillProposed, &Form1Logic::N_FillProposedClick},     {N_Trash, &Form1Logic::N_TrashClick},
        {N_Move, &Form1Logic::N_MoveClick},       {N_MoveTarget, &Form1Logic::N_MoveTargetClick},
    };
    for (const auto& [command, handler] : handlers) {
        if (command != id) continue;
        // A disabled item's accelerator still arrives.
        if (id == N_Undo && (GetMenuState(layout_.Menu(), N_Undo, MF_BYCOMMAND) & MF_GRAYED)) return;
        RunHandler([this, handler = handler] { (Logic.*handler)(); });
        return;
    }
    if (id == N_History) {
        if (!history_) history_ = std::make_unique<THistoryWindow>(Handle(), Logic);
        history_->Show();
    }
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!ready_) return FormWindow::HandleMessage(message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (nameList_.Command(reinterpret_cast<HWND>(lParam), HIWORD(wParam))) return 0;
        // Buttons report their clicks; menu items and accelerators their ids.
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
        return 0;
    case WindowTasks::kMessage:
        RunHandler([this] { tasks_.RunPending(); });
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (TListBox* list = TListBox::FromHandle(item.hwndItem)) list->Draw(item);
        return TRUE;
    }
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) break;
        layout_.Relayout();
        AcroPDF1.SetBounds(layout_.Bounds("AcroPDF1"));
        RunHandler([this] { Logic.FormResize(); });
        return 0;
    case WM_CLOSE:
        DestroyWindow(Handle());
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default: break;
    }
    return FormWindow::HandleMessage(message, wParam, lParam);
}

// Ctrl+Down and Ctrl+Up in the name box step the last rename's number.
// Enter renames and steps to the next file, Shift+Enter to the previous one.
// Alt+Down opens the list of candidates; while it is open, the arrows, Enter
// and Escape are the list's.
LRESULT CALLBACK TForm1::NameBoxProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* form = reinterpret_cast<TForm1*>(self);
    TNameList& names = form->nameList_;
    switch (message) {
    case WM_GETDLGCODE: {
        // Enter is the box's own, not the dialog manager's.
        const auto* keyMessage = reinterpret_cast<const MSG*>(lParam);
        const bool enter = keyMessage != nullptr && keyMessage->message == WM_KEYDOWN && keyMessage->wParam == VK_RETURN;
        if (names.IsOpen() || enter) return DLGC_WANTALLKEYS | DefSubclassProc(edit, message, wParam, lParam);
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (names.Key(wParam)) {
            form->altKeyTaken_ = message == WM_SYSKEYDOWN;
            return 0;
        }
        if (message == WM_KEYDOWN && wParam == VK_RETURN && !(GetKeyState(VK_CONTROL) & 0x8000)) {
            // Type, Enter, type, Enter: the next proposed name is selected, ready to be typed over.
            const int step = GetKeyState(VK_SHIFT) & 0x8000 ? -1 : 1;
            RunHandler([form, step] { form->Logic.E_RenameEnter(step); });
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Alt let go after Alt+Down is not Alt alone: the menu bar stays as it was.
        if (wParam == VK_MENU && form->altKeyTaken_) {
            form->altKeyTaken_ = false;
            return 0;
        }
        break;
    case WM_CHAR:
        // Enter and Escape were taken as keys: no beep for their characters.
        if (wParam == '\r' || wParam == 0x1B) return 0;
        break;
    case WM_KILLFOCUS:
        if (!names.Owns(reinterpret_cast<HWND>(wParam))) names.Close();
        break;
    default: break;
    }
    if (message == WM_KEYDOWN && (wParam == VK_DOWN || wParam == VK_UP) && (GetKeyState(VK_CONTROL) & 0x8000)) {
        RunHandler([form, wParam] { form->Logic.StepSeries(wParam == VK_DOWN ? 1 : -1); });
        return 0;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

// A speed button never takes the focus, so that no box's return can give it
// back either: it goes on at once to the control that had it, or else to the
// last one that had it, or else the name box. The click is not hindered.
LRESULT CALLBACK TForm1::SpeedButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR self) {
    if (message == WM_SETFOCUS) {
        auto* form = reinterpret_cast<TForm1*>(self);
        const auto usable = [&](HWND control) {
            return control != nullptr && control != button && IsChild(form->Handle(), control) && IsWindowVisible(control) &&
                   IsWindowEnabled(control);
        };
        HWND next = reinterpret_cast<HWND>(wParam);
        if (!usable(next)) next = usable(form->lastFocus_) ? form->lastFocus_ : form->layout_.Control("E_Rename");
        SetFocus(next);
        return 0;
    }
    return DefSubclassProc(button, message, wParam, lParam);
}
