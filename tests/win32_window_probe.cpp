// SPDX-License-Identifier: GPL-3.0-or-later
// Prints what a top-level window of another program shows, for the end-to-end
// run under Wine: one line per window, in UTF-8:
//   <class> <id> <visible> <enabled> <text>[ rows=<n> selected=<i>][ focus]
// The first line is the top-level window whose title starts with the argument.
// With more arguments, UTF-16 units in hex, it posts them to the window's list
// box instead, as the keyboard and the input method do.
// With --geometry first, it prints the window's dpi and dpi awareness (0
// unaware, 1 system, 2 per monitor; v2 when it is), then every window's place
// in the top-level window's client area, in device pixels:
//   dpi <dpi> awareness <n>[ v2]
//   <class> <id> <x> <y> <width> <height>
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
HWND top = nullptr;

void PrintGeometry(HWND window) {
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    RECT at{};
    GetWindowRect(window, &at);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&at), 2);
    std::printf("%s %d %ld %ld %ld %ld\n", Utf8(className).c_str(), GetDlgCtrlID(window), at.left, at.top,
                at.right - at.left, at.bottom - at.top);
}

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
    const bool geometry = argc > 2 && lstrcmpW(argv[1], L"--geometry") == 0;
    if (geometry) {
        // Device pixels: an unaware caller is told the places scaled to 96 dpi.
        SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
        ++argv;
        --argc;
    }
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
    if (geometry) {
        top = search.found;
        const DPI_AWARENESS_CONTEXT context = GetWindowDpiAwarenessContext(top);
        std::printf("dpi %u awareness %d%s\n", GetDpiForWindow(top), static_cast<int>(GetAwarenessFromDpiAwarenessContext(context)),
                    AreDpiAwarenessContextsEqual(context, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ? " v2" : "");
        EnumChildWindows(
            top,
            [](HWND child, LPARAM) -> BOOL {
                PrintGeometry(child);
                return TRUE;
            },
            0);
        return 0;
    }
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
