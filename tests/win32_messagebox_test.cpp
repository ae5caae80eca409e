// SPDX-License-Identifier: GPL-3.0-or-later
// The stop box on MessageBoxA, answered by a second thread as a user would.
#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "core/CodePage.h"
#include "win32/ByteMessageBox.h"

namespace {

std::wstring Wide(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

}  // namespace

// The box holds every window of the program, not only its owner, and gives
// back exactly what was enabled before.
TEST(Win32StopBox, CaptionAndTextInTheCodePageOneOkButtonAndAllWindowsHeld) {
    const auto window = [](const char* title) {
        return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    };
    HWND owner = window("owner"), history = window("history"), off = window("off");
    EnableWindow(off, FALSE);
    const Bytes caption = FromUtf16(u"エラー");
    const Bytes text = FromUtf16(u"表示できません");
    std::wstring shownCaption, shownText;
    bool hasOk = false, hasCancel = true, ownerEnabled = true, historyEnabled = true;
    std::thread user([&] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && box == nullptr; ++i, Sleep(10)) box = FindWindowW(L"#32770", L"エラー");
        if (box == nullptr) return;
        shownCaption = Wide(box);
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            if (Wide(child) == L"表示できません") shownText = Wide(child);
        hasOk = GetDlgItem(box, IDOK) != nullptr;
        hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        ownerEnabled = IsWindowEnabled(owner);
        historyEnabled = IsWindowEnabled(history);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    ShowStopBox({ByteMessageBoxRequest::Kind::ErrorDisplay, reinterpret_cast<std::uintptr_t>(owner), caption, text});
    user.join();
    EXPECT_EQ(shownCaption, L"エラー");
    EXPECT_EQ(shownText, L"表示できません");
    EXPECT_TRUE(hasOk);
    EXPECT_FALSE(hasCancel);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_FALSE(historyEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_TRUE(IsWindowEnabled(history));
    EXPECT_FALSE(IsWindowEnabled(off));
    for (HWND made : {owner, history, off}) DestroyWindow(made);
}
