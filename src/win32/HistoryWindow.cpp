// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/HistoryWindow.h"

#include <cstring>

#include "forms/Form1Logic.h"
#include "win32/ErrorDisplay.h"

namespace {

enum : int { kEntries = 100, kUndo, kCopy, kClose };

constexpr ControlLayout kControls[] = {
    {"Entries", kEntries, ControlKind::ListBox, -1, {8, 8, 464, 232}, "", {nullptr, 0}, true, true, false, false, true, 0, -1},
    {"Undo", kUndo, ControlKind::Button, -1, {8, 248, 100, 25}, "元に戻す(&U)", {nullptr, 0}, true, true, false, false, true, 0, -1},
    {"Copy", kCopy, ControlKind::Button, -1, {114, 248, 100, 25}, "コピー(&C)", {nullptr, 0}, true, true, false, false, true, 0, -1},
    {"Close", kClose, ControlKind::Button, -1, {372, 248, 100, 25}, "閉じる", {nullptr, 0}, true, true, false, false, true, 0, -1},
};
constexpr WindowLayout kLayout{"リネーム履歴", {480, 281}, {0, 0}, {"ＭＳ Ｐゴシック", 12}, kControls, {}};

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

}  // namespace

THistoryWindow::THistoryWindow(HWND owner, Form1Logic& logic)
    : FormWindow(kLayout, kStyle, WS_EX_CONTROLPARENT, owner, false), layout_(kLayout, window_), logic_(logic) {
    // A list of strings: the layout's list box keeps no data of its own.
    HWND old = layout_.Control("Entries");
    RECT bounds;
    GetWindowRect(old, &bounds);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&bounds), 2);
    DestroyWindow(old);
    HWND entries = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                   bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntries)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(entries, WM_SETFONT, SendMessageA(layout_.Control("Undo"), WM_GETFONT, 0, 0), FALSE);
    SetWindowPos(entries, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    layout_.Replace("Entries", entries);
    ready_ = true;
    Refresh();
}

void THistoryWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void THistoryWindow::Refresh() {
    HWND entries = GetDlgItem(window_, kEntries);
    SendMessageA(entries, LB_RESETCONTENT, 0, 0);
    const RenameJournal& journal = logic_.Journal;
    for (std::size_t i = journal.Size(); i > 0; --i) {
        const RenameRecord& record = journal.At(i - 1);
        const Bytes line = record.Line();
        SendMessageA(entries, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SendMessageA(entries, LB_SETCURSEL, 0, 0);
    EnableWindow(layout_.Control("Undo"), !journal.Empty());
}

bool THistoryWindow::PreTranslate(MSG& message) {
    return IsWindowVisible(window_) && IsDialogMessageW(window_, &message);
}

void THistoryWindow::UndoSelected() {
    const LRESULT row = SendMessageA(GetDlgItem(window_, kEntries), LB_GETCURSEL, 0, 0);
    const std::size_t size = logic_.Journal.Size();
    if (row < 0 || static_cast<std::size_t>(row) >= size) return;
    RunHandler([&] { logic_.UndoRename(size - 1 - static_cast<std::size_t>(row)); });
}

void THistoryWindow::CopyAll() {
    const Bytes text = logic_.Journal.AsText();
    if (!OpenClipboard(window_)) return;
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_TEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

LRESULT THistoryWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!ready_) return FormWindow::HandleMessage(message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kUndo: UndoSelected(); return 0;
        case kCopy: CopyAll(); return 0;
        case kClose:
        case IDCANCEL: ShowWindow(window_, SW_HIDE); return 0;
        case kEntries:
            if (HIWORD(wParam) == LBN_DBLCLK) UndoSelected();
            return 0;
        default: return 0;
        }
    case WM_CLOSE:
        ShowWindow(window_, SW_HIDE);
        return 0;
    default: break;
    }
    return FormWindow::HandleMessage(message, wParam, lParam);
}
