// SPDX-License-Identifier: GPL-3.0-or-later
// The player on Win32: notices at a message-only window, and Wine's MCI on a
// real MP3. No <windows.h> here: Mci.h gives its names the platform's values.
#include <gtest/gtest.h>

#include "core/CodePage.h"
#include "support/Literals.h"
#include "core/Errors.h"
#include "player/MediaPlayer.h"
#include "support/Win32Support.h"

namespace {

Bytes Sjis(const char* text) { return InCodePage(text, CodePage::System()); }

}  // namespace

TEST(Win32Player, NoticesArriveAtAMessageOnlyWindow) {
    TMediaPlayer player;
    int notices = 0;
    player.OnNotify = [&](TMediaPlayer& sender) {
        EXPECT_EQ(&sender, &player);
        ++notices;
    };
    const DWORD_PTR window = player.NotificationWindow().Handle();
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(IsMessageOnlyWindow(window));
    ASSERT_TRUE(PostWindowMessage(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 1));
    EXPECT_TRUE(PumpUntil([&] { return notices == 1; }));
    PostWindowMessage(window, 0x0400, 0, 0);  // WM_USER: other messages are not notices
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(notices, 1);
}

// Wine's MCI where it behaves as Windows does: open, length, play, stop and
// the notices. (After a stop or at the end Wine reads the position as 0.)
TEST(Win32Player, PlaysAnMp3ThroughWinmm) {
    TempDir dir;
    const Bytes song = dir / (Sjis("曲") + ".mp3");
    ASSERT_TRUE(CopyNewFile(QUILVANE_TEST_DATA "/tone-1s.mp3", song));
    TMediaPlayer player;
    int notices = 0;
    player.OnNotify = [&](TMediaPlayer&) { ++notices; };
    player.FileName = song;
    player.PlayerOpen();
    ASSERT_TRUE(player.DeviceOpened);
    auto status = [&](DWORD item) {
        MCI_STATUS_PARMS p;
        p.dwItem = item;
        EXPECT_EQ(PlatformMci().SendCommand(player.MciDevice, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT,
                                            reinterpret_cast<DWORD_PTR>(&p)), 0u);
        return static_cast<DWORD>(p.dwReturn);
    };
    EXPECT_NEAR(status(MCI_STATUS_LENGTH), 1000, 100);
    player.PlayerPlay();
    EXPECT_EQ(player.LastMciResult, 0u);
    EXPECT_TRUE(PumpUntil([&] { return status(MCI_STATUS_POSITION) >= 200; }));
    player.PlayerStop();
    EXPECT_TRUE(PumpUntil([&] { return notices == 1; }));  // the play was aborted
    player.PlayerPlay();
    EXPECT_TRUE(PumpUntil([&] { return notices == 2; }));  // and this one played to the end
    player.PlayerClose();
    EXPECT_FALSE(player.DeviceOpened);

    player.FileName = dir / "missing.mp3";
    try {
        player.PlayerOpen();
        ADD_FAILURE() << "a missing file opened";
    } catch (const EMCIDeviceError& error) {
        EXPECT_FALSE(error.Message().empty());
    }
    EXPECT_FALSE(player.DeviceOpened);
}
