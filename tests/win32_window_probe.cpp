// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what a top-level window of another program shows, for the end-to-end
// run under Wine: one line per window, in UTF-8:
//   <class> <id> <visible> <enabled> <text>[ rows=<n> selected=<i>][ focus]
// The first line is the top-level window whose title starts with the argument.
// With more arguments, UTF-16 units in hex, it posts them to the window's list
// box instead, as the keyboard and the input method do.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    std::string out(static_cast<std::size_t>(text.size()) * 3 + 1, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                                            out.data(), static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

// Asked with WM_GETTEXT: GetWindowText gives another program's edit box's
// creation caption, not its text.
std::wstring TextOf(HWND window) {
    const auto length = static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

HWND focus = nullptr;

void Print(HWND window) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    std::printf("%s %d %d %d %s", Utf8(className).c_str(), GetDlgCtrlID(window), IsWindowVisible(window) ? 1 : 0,
                IsWindowEnabled(window) ? 1 : 0, Utf8(TextOf(window)).c_str());
    if (lstrcmpiW(className, L"ListBox") == 0)
        std::printf(" rows=%d selected=%d", static_cast<int>(SendMessageW(window, LB_GETCOUNT, 0, 0)),
                    static_cast<int>(SendMessageW(window, LB_GETCURSEL, 0, 0)));
    std::printf(window == focus ? " focus\n" : "\n");
}

struct Search {
    std::wstring prefix;
    HWND found = nullptr;
};

}  // namespace

int main() {
    // The title as typed: argv would have it in the ANSI code page.
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc < 2) return 2;
    Search search{argv[1]};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            if (!IsWindowVisible(window) || TextOf(window).rfind(search->prefix, 0) != 0) return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return 1;
    if (argc > 2) {
        HWND list = nullptr;
        EnumChildWindows(
            search.found,
            [](HWND child, LPARAM found) -> BOOL {
                wchar_t className[64] = {};
                GetClassNameW(child, className, 64);
                if (lstrcmpiW(className, L"ListBox") != 0) return TRUE;
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&list));
        if (list == nullptr) return 1;
        for (int i = 2; i < argc; ++i) PostMessageW(list, WM_CHAR, std::wcstoul(argv[i], nullptr, 16), 0);
        return 0;
    }
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(search.found, nullptr), &thread)) focus = thread.hwndFocus;
    Print(search.found);
    EnumChildWindows(
        search.found,
        [](HWND child, LPARAM) -> BOOL {
            Print(child);
            return TRUE;
        },
        0);
    return 0;
}
