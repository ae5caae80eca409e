// SPDX-License-Identifier: GPL-3.0-or-later
// The player's commands against a recording MCI: the same on every platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <vector>

#include "core/Errors.h"
#include "player/MediaPlayer.h"
#include "support/PlayerMessage.h"

namespace {

// Records every command; answers from a script.
class RecordingMci : public MciApi {
public:
    struct Sent {
        MCIDEVICEID device;
        UINT message;
        DWORD_PTR flags;
        DWORD item = 0;           // MCI_STATUS
        Bytes element;            // MCI_OPEN
        DWORD_PTR callback = 0;
    };
    std::vector<Sent> sent;
    std::deque<MCIERROR> results;  // next results; 0 when empty
    DWORD position = 0, length = 1000;
    MCIDEVICEID nextDevice = 7;
    bool hasText = true;

    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        Sent s{device, message, flags, 0, {}, 0};
        const MCIERROR result = results.empty() ? 0 : results.front();
        if (!results.empty()) results.pop_front();
        if (message == MCI_OPEN) {
            auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
            s.element = p->lpstrElementName;
            s.callback = p->dwCallback;
            p->wDeviceID = nextDevice;
        } else if (message == MCI_STATUS) {
            auto* p = reinterpret_cast<MCI_STATUS_PARMS*>(params);
            s.item = p->dwItem;
            if (result == 0) p->dwReturn = p->dwItem == MCI_STATUS_POSITION ? position : length;
        } else if (message == MCI_PLAY) {
            s.callback = reinterpret_cast<MCI_PLAY_PARMS*>(params)->dwCallback;
        }
        sent.push_back(s);
        return result;
    }
    bool GetErrorString(MCIERROR error, char* buffer, UINT length) override {
        if (!hasText) return false;
        std::snprintf(buffer, length, "text %u", static_cast<unsigned>(error));
        return true;
    }
    std::vector<UINT> Messages() const {
        std::vector<UINT> m;
        for (const auto& s : sent) m.push_back(s.message);
        return m;
    }
};


}  // namespace

TEST(PlayerCommands, OpenClosesAHeldDeviceFirstAndSendsTheElement) {
    RecordingMci mci;
    TMediaPlayer player(mci);
    player.FileName = "/music/a.mp3";
    player.PlayerOpen();
    EXPECT_TRUE(player.DeviceOpened);
    EXPECT_EQ(player.MciDevice, 7u);
    ASSERT_EQ(mci.sent.size(), 1u);
    EXPECT_EQ(mci.sent[0].device, 0u);
    EXPECT_EQ(mci.sent[0].flags, 0x0202u);
    EXPECT_EQ(mci.sent[0].element, "/music/a.mp3");
    EXPECT_EQ(mci.sent[0].callback, player.NotificationWindow().Handle());
    mci.nextDevice = 8;
    player.FileName = "/music/b.mp3";
    player.PlayerOpen();
    EXPECT_EQ(mci.Messages(), (std::vector<UINT>{MCI_OPEN, MCI_CLOSE, MCI_OPEN}));
    EXPECT_EQ(mci.sent[1].device, 7u);
    EXPECT_EQ(mci.sent[1].flags, MCI_WAIT);
    EXPECT_EQ(player.MciDevice, 8u);
}

TEST(PlayerCommands, RewindRuleQueriesPositionThenLengthAndSeeksOnlyWhenEqual) {
    RecordingMci mci;
    TMediaPlayer player(mci);
    player.FileName = "a.mp3";
    player.PlayerOpen();
    mci.sent.clear();
    mci.position = 400;
    player.PlayerPlay();
    EXPECT_EQ(mci.Messages(), (std::vector<UINT>{MCI_STATUS, MCI_STATUS, MCI_PLAY}));
    EXPECT_EQ(mci.sent[0].item, MCI_STATUS_POSITION);
    EXPECT_EQ(mci.sent[1].item, MCI_STATUS_LENGTH);
    EXPECT_EQ(mci.sent[0].flags, 0x0102u);
    EXPECT_EQ(mci.sent[2].flags, MCI_NOTIFY);
    mci.sent.clear();
    mci.position = 1000;
    player.PlayerPlay();
    EXPECT_EQ(mci.Messages(), (std::vector<UINT>{MCI_STATUS, MCI_STATUS, MCI_SEEK, MCI_PLAY}));
    EXPECT_EQ(mci.sent[2].flags, MCI_SEEK_TO_START | MCI_WAIT);
    // A device that answers no status gives no reason to rewind.
    for (const std::deque<MCIERROR>& failing : {std::deque<MCIERROR>{MCIERR_HARDWARE}, {0, MCIERR_HARDWARE}}) {
        mci.sent.clear();
        mci.position = 0;
        mci.results = failing;
        player.PlayerPlay();
        const std::vector<UINT> sent = mci.Messages();
        EXPECT_EQ(sent.back(), MCI_PLAY);
        EXPECT_EQ(std::count(sent.begin(), sent.end(), MCI_SEEK), 0);
    }
}

TEST(PlayerCommands, PlayAndStopWithoutDeviceRaiseBeforeSendingAnything) {
    RecordingMci mci;
    TMediaPlayer player(mci);
    EXPECT_EQ(MessageOf([&] { player.PlayerPlay(); }), "MCI デバイスがありません");
    EXPECT_EQ(MessageOf([&] { player.PlayerStop(); }), "MCI デバイスがありません");
    EXPECT_TRUE(mci.sent.empty());
}

TEST(PlayerCommands, FailedOpenLeavesNoDeviceAndKeepsFileName) {
    RecordingMci mci;
    TMediaPlayer player(mci);
    player.FileName = "a.mp3";
    player.PlayerOpen();
    player.FileName = "broken.mp3";
    mci.results = {0, MCIERR_INVALID_FILE};  // the close succeeds, the open fails
    EXPECT_EQ(MessageOf([&] { player.PlayerOpen(); }), "text 296");
    EXPECT_FALSE(player.DeviceOpened);
    EXPECT_EQ(player.MciDevice, 0u);
    EXPECT_EQ(player.FileName, "broken.mp3");
    EXPECT_EQ(player.LastMciResult, MCIERR_INVALID_FILE);
    mci.hasText = false;
    mci.results = {MCIERR_FILE_NOT_FOUND};
    EXPECT_EQ(MessageOf([&] { player.PlayerOpen(); }), "原因不明のエラー");
}

TEST(PlayerCommands, RefusedCloseLeavesTheDeviceMarkedOpen) {
    RecordingMci mci;
    TMediaPlayer player(mci);
    player.FileName = "a.mp3";
    player.PlayerOpen();
    mci.results = {MCIERR_HARDWARE};
    player.PlayerClose();
    EXPECT_TRUE(player.DeviceOpened);
    EXPECT_EQ(player.MciDevice, 7u);
    EXPECT_EQ(player.LastMciResult, MCIERR_HARDWARE);
}

TEST(PlayerCommands, DestructionClosesTheDevice) {
    RecordingMci mci;
    {
        TMediaPlayer player(mci);
        player.FileName = "a.mp3";
        player.PlayerOpen();
    }
    ASSERT_EQ(mci.sent.back().message, MCI_CLOSE);
    EXPECT_EQ(mci.sent.back().device, 7u);
}
