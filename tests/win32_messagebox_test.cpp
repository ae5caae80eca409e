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

TEST(Win32StopBox, CaptionAndTextInTheCodePageOneOkButton) {
    const Bytes caption = FromUtf16(u"エラー");
    const Bytes text = FromUtf16(u"表示できません");
    std::wstring shownCaption, shownText;
    bool hasOk = false, hasCancel = true;
    std::thread user([&] {
        HWND box = nullptr;
        for (int i = 0; i < 500 && box == nullptr; ++i, Sleep(10)) box = FindWindowW(L"#32770", L"エラー");
        if (box == nullptr) return;
        shownCaption = Wide(box);
        for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            if (Wide(child) == L"表示できません") shownText = Wide(child);
        hasOk = GetDlgItem(box, IDOK) != nullptr;
        hasCancel = GetDlgItem(box, IDCANCEL) != nullptr;
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    ShowStopBox({ByteMessageBoxRequest::Kind::ErrorDisplay, 0, caption, text});
    user.join();
    EXPECT_EQ(shownCaption, L"エラー");
    EXPECT_EQ(shownText, L"表示できません");
    EXPECT_TRUE(hasOk);
    EXPECT_FALSE(hasCancel);
}
