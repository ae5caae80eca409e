// SPDX-License-Identifier: GPL-3.0-or-later
// The Wine probe's baseline: a bare window holding the system's list box
// without data, 100,000 rows drawn by their owner as Quilvane's list is, the
// same size and font. Down moves the selection and the title names the row,
// and nothing more: what the list itself costs a step under Wine.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>

namespace {

constexpr int kRows = 100000;
HWND list = nullptr;
HFONT font = nullptr;

int RowName(int row, char* name, int size) { return std::snprintf(name, static_cast<std::size_t>(size), "scan%06d.pdf", row); }

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH, "MS Gothic");
        list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NODATA |
                                   LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                               8, 144, 369, 337, window, reinterpret_cast<HMENU>(1), nullptr, nullptr);
        SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageA(list, LB_SETITEMHEIGHT, 0, 13);
        SendMessageA(list, LB_SETCOUNT, kRows, 0);
        SendMessageA(list, LB_SETCURSEL, 0, 0);
        return 0;
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        char name[32];
        const int length = RowName(static_cast<int>(item.itemID), name, sizeof name);
        SetBkMode(item.hDC, TRANSPARENT);
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        TextOutA(item.hDC, item.rcItem.left + 2, item.rcItem.top, name, length);
        if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
        return TRUE;
    }
    case WM_COMMAND:
        // The title tells the probe that the step has been taken.
        if (HIWORD(wParam) == LBN_SELCHANGE) {
            char title[64] = "win32 bare list [";
            const int row = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
            RowName(row, title + 17, 40);
            lstrcatA(title, "]");
            SetWindowTextA(window, title);
        }
        return 0;
    case WM_SETFOCUS: SetFocus(list); return 0;
    case WM_DESTROY:
        DeleteObject(font);
        PostQuitMessage(0);
        return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    InitCommonControls();
    WNDCLASSA form{};
    form.lpfnWndProc = Proc;
    form.hInstance = instance;
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = "BareList";
    RegisterClassA(&form);
    // Top left, clear of Quilvane's window in the middle of a wide screen.
    HWND window = CreateWindowExA(0, "BareList", "win32 bare list", WS_OVERLAPPEDWINDOW, 0, 0, 400, 540, nullptr,
                                  nullptr, instance, nullptr);
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
