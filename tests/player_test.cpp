#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <deque>
#include <sys/stat.h>

#include "core/Errors.h"
#include "player/MediaPlayer.h"
#include "support/Fixtures.h"

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
        if (message == MCI_OPEN) {
            auto* p = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
            s.element = p->lpstrElementName;
            s.callback = p->dwCallback;
            p->wDeviceID = nextDevice;
        } else if (message == MCI_STATUS) {
            auto* p = reinterpret_cast<MCI_STATUS_PARMS*>(params);
            s.item = p->dwItem;
            p->dwReturn = p->dwItem == MCI_STATUS_POSITION ? position : length;
        } else if (message == MCI_PLAY) {
            s.callback = reinterpret_cast<MCI_PLAY_PARMS*>(params)->dwCallback;
        }
        sent.push_back(s);
        if (results.empty()) return 0;
        const MCIERROR r = results.front();
        results.pop_front();
        return r;
    }
    bool GetErrorString(MCIERROR error, char* buffer, UINT length) override {
        if (!hasText) return false;
        std::snprintf(buffer, length, "text %u", error);
        return true;
    }
    std::vector<UINT> Messages() const {
        std::vector<UINT> m;
        for (const auto& s : sent) m.push_back(s.message);
        return m;
    }
};

Bytes MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EMCIDeviceError& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

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

// ---- The GStreamer stand-in, on MP3s made now ----

namespace {

class RealPlayer : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        MakeMp3(*dir_ / "one.mp3", 1000);
        MakeMp3(*dir_ / "short.mp3", 300);
    }
    static void TearDownTestSuite() { delete dir_; }

    DWORD Status(TMediaPlayer& player, DWORD item) {
        MCI_STATUS_PARMS p;
        p.dwItem = item;
        PlatformMci().SendCommand(player.MciDevice, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
        return static_cast<DWORD>(p.dwReturn);
    }
    // Runs the event loop until `done` or the time limit.
    static bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return done();
    }
    static TempDir* dir_;
};
TempDir* RealPlayer::dir_ = nullptr;

}  // namespace

TEST_F(RealPlayer, PlayStopContinueAndRestartAfterTheEnd) {
    TMediaPlayer player;
    int notices = 0;
    player.OnNotify = [&](TMediaPlayer&) { ++notices; };
    player.FileName = *dir_ / "one.mp3";
    player.PlayerOpen();
    const DWORD length = Status(player, MCI_STATUS_LENGTH);
    EXPECT_NEAR(length, 1000, 80);
    EXPECT_EQ(Status(player, MCI_STATUS_POSITION), 0u);
    player.PlayerPlay();
    ASSERT_TRUE(WaitFor([&] { return Status(player, MCI_STATUS_POSITION) >= 200; }));
    player.PlayerStop();
    const DWORD stoppedAt = Status(player, MCI_STATUS_POSITION);
    QThread::msleep(150);
    EXPECT_EQ(Status(player, MCI_STATUS_POSITION), stoppedAt);  // stop keeps the position
    player.PlayerPlay();
    ASSERT_TRUE(WaitFor([&] { return Status(player, MCI_STATUS_POSITION) > stoppedAt + 50; }));
    // Played on from the stop, not from the start.
    EXPECT_GT(Status(player, MCI_STATUS_POSITION), stoppedAt);
    ASSERT_TRUE(WaitFor([&] { return Status(player, MCI_STATUS_POSITION) == length; }));
    EXPECT_TRUE(WaitFor([&] { return notices >= 2; }));  // the aborted play and the finished one
    // At the end, play starts again from the beginning.
    player.PlayerPlay();
    ASSERT_TRUE(WaitFor([&] { return Status(player, MCI_STATUS_POSITION) < length; }));
    EXPECT_LT(Status(player, MCI_STATUS_POSITION), length / 2);
}

TEST_F(RealPlayer, MissingAndUndecodableFilesGiveTheirTexts) {
    TMediaPlayer player;
    player.FileName = *dir_ / "missing.mp3";
    EXPECT_EQ(MessageOf([&] { player.PlayerOpen(); }), "指定されたファイルが見つかりません。パスとファイル名を確認してください");
    WriteFile(*dir_ / "text.mp3", "this is not an mp3 file, only words\n");
    player.FileName = *dir_ / "text.mp3";
    EXPECT_EQ(MessageOf([&] { player.PlayerOpen(); }), "このファイルは再生できません。壊れているか、形式が正しくありません");
    EXPECT_FALSE(player.DeviceOpened);
    ASSERT_EQ(mkfifo((*dir_ / "pipe.mp3").c_str(), 0644), 0);  // must not wait for a writer
    player.FileName = *dir_ / "pipe.mp3";
    EXPECT_EQ(MessageOf([&] { player.PlayerOpen(); }), "このファイルは再生できません。壊れているか、形式が正しくありません");
}

TEST_F(RealPlayer, OpeningAnotherFileStopsTheOneThatPlays) {
    TMediaPlayer player;
    player.FileName = *dir_ / "one.mp3";
    player.PlayerOpen();
    const MCIDEVICEID first = player.MciDevice;
    player.PlayerPlay();
    player.FileName = *dir_ / "short.mp3";
    player.PlayerOpen();
    EXPECT_NE(player.MciDevice, first);
    MCI_STATUS_PARMS p;
    p.dwItem = MCI_STATUS_POSITION;
    // The first device is gone.
    EXPECT_EQ(PlatformMci().SendCommand(first, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p)),
              MCIERR_INVALID_DEVICE_ID);
    EXPECT_EQ(Status(player, MCI_STATUS_POSITION), 0u);
}

TEST_F(RealPlayer, NameNotValidInTheLocaleEncodingPlays) {
    const Bytes name = *dir_ / (ShiftJis("録音") + ".mp3");
    MakeMp3(name, 300);
    TMediaPlayer player;
    player.FileName = name;
    player.PlayerOpen();
    EXPECT_TRUE(player.DeviceOpened);
    player.PlayerPlay();
    EXPECT_TRUE(WaitFor([&] { return Status(player, MCI_STATUS_POSITION) == Status(player, MCI_STATUS_LENGTH); }));
}

TEST_F(RealPlayer, SeveralDevicesAtOnceHaveDistinctIds) {
    TMediaPlayer a, b;
    a.FileName = *dir_ / "one.mp3";
    b.FileName = *dir_ / "short.mp3";
    a.PlayerOpen();
    b.PlayerOpen();
    EXPECT_NE(a.MciDevice, b.MciDevice);
    EXPECT_NEAR(Status(b, MCI_STATUS_LENGTH), 300, 80);
}
