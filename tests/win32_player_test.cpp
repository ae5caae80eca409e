// SPDX-License-Identifier: GPL-3.0-or-later
// The player on Win32: notices at a message-only window, and Wine's MCI on a
// real MP3. No <windows.h> here: Mci.h gives its names the platform's values.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "core/CodePage.h"
#include "support/Literals.h"
#include "core/Errors.h"
#include "player/MediaPlayer.h"
#include "support/ControlDoubles.h"
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

// Wine's MCI shares its file for deletion; Windows' file source shares it
// with readers only. This one holds it so, from open to close.
class MciHoldingItsFile final : public MciApi {
public:
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        const MCIERROR result = PlatformMci().SendCommand(device, message, flags, params);
        if (result == 0 && message == MCI_OPEN) {
            const auto* open = reinterpret_cast<const MCI_OPEN_PARMSA*>(params);
            held_[open->wDeviceID] = std::make_unique<HeldOpen>(open->lpstrElementName, HeldOpen::Sharing::Readers);
        }
        if (result == 0 && message == MCI_CLOSE) held_.erase(device);
        return result;
    }
    bool GetErrorString(MCIERROR error, char* buffer, UINT length) override {
        return PlatformMci().GetErrorString(error, buffer, length);
    }

private:
    std::map<MCIDEVICEID, std::unique_ptr<HeldOpen>> held_;
};

// Renaming the current recording, by the button, by undo and by a pick, while
// the device has it; a refused move leaves the device on the old file.
TEST(Win32Player, TheCurrentRecordingIsRenamedWhileTheDeviceHasIt) {
    TempDir dir;
    for (const char* name : {"rec1.mp3", "rec2.mp3"}) ASSERT_TRUE(CopyNewFile(QUILVANE_TEST_DATA "/tone-1s.mp3", dir / name));
    MciHoldingItsFile mci;
    FakeForms forms(mci);
    forms.logic.SetMode(1);
    forms.cb2.checked = true;  // autoplay
    forms.logic.ExecuteOpenDialog = [&](TOpenDialog& dialog) {
        dialog.FileName = dir / "rec1.mp3";
        return true;
    };
    forms.logic.B_OpenClick();
    ASSERT_TRUE(forms.logic.MP1.DeviceOpened);
    forms.e_Rename.text = Sjis("会議");
    {
        const HeldOpen anotherReader(dir / "rec1.mp3", HeldOpen::Sharing::Readers);
        ASSERT_TRUE(anotherReader.Held());
        EXPECT_THROW(forms.logic.B_RenameClick(), Exception);
        EXPECT_TRUE(forms.logic.MP1.DeviceOpened);
        EXPECT_EQ(forms.logic.MP1.FileName, dir / "rec1.mp3");
        EXPECT_EQ(forms.sb1.caption, "停止");
    }
    forms.logic.B_RenameClick();
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"rec2.mp3", Sjis("会議.mp3")}));
    EXPECT_EQ(forms.logic.MP1.FileName, dir / Sjis("会議.mp3"));
    forms.logic.N_UndoClick();
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"rec1.mp3", "rec2.mp3"}));
    forms.e_Rename.text = "one";
    forms.Pick("rec2.mp3");
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"one.mp3", "rec2.mp3"}));
    EXPECT_EQ(forms.logic.MP1.FileName, dir / "rec2.mp3");
    EXPECT_TRUE(forms.logic.MP1.DeviceOpened);
}
