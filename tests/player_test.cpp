// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <deque>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "core/Errors.h"
#include "platform/posix/MciGst.h"
#include "player/MediaPlayer.h"
#include "support/Fixtures.h"
#include "support/PlayerMessage.h"

// The GStreamer stand-in, on MP3s made now.

namespace {


extern "C" char** environ;

// Starts `args` with `extraEnv` added; its output goes to `outFd` (or nowhere). 0 when it cannot start.
pid_t Spawn(const std::vector<Bytes>& args, const std::vector<Bytes>& extraEnv, int outFd = -1) {
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
    for (const auto& e : extraEnv) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool ok = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return ok ? pid : 0;
}

void End(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

// A PulseAudio server of the test run's own with one null sink, so that the
// real player plays to a sink the tests can record, never to the speakers.
class SoundServer : public testing::Environment {
public:
    static inline bool running = false;
    static constexpr const char* kSink = "quilvane";

    void SetUp() override {
        dir_ = std::make_unique<TempDir>();
        const Bytes socket = *dir_ / "native";
        pid_ = Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit", "--realtime=no",
                      "--high-priority=no", "--log-level=error", "-L", Bytes("module-null-sink sink_name=") + kSink,
                      "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket},
                     {"HOME=" + dir_->Path(), "XDG_RUNTIME_DIR=" + dir_->Path()});
        for (int i = 0; pid_ != 0 && i < 200 && !running; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = 0;  // it gave up
            else if (Exists(socket)) running = true;
            else QThread::msleep(25);
        }
        if (running) setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    }
    void TearDown() override {
        End(pid_);
        running = false;
    }

private:
    std::unique_ptr<TempDir> dir_;
    pid_t pid_ = 0;
};
testing::Environment* const soundServer = testing::AddGlobalTestEnvironment(new SoundServer);

// Records the sink's monitor, 44.1 kHz mono, from construction on.
class SinkRecorder {
public:
    static constexpr int kRate = 44100;
    SinkRecorder() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        pid_ = Spawn({"parec", "--raw", Bytes("--device=") + SoundServer::kSink + ".monitor", "--format=s16le",
                      "--rate=44100", "--channels=1", "--latency-msec=10"},
                     {}, fds[1]);
        close(fds[1]);
        reader_ = std::thread([this, fd = fds[0]] {
            std::int16_t chunk[512];
            for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) {
                std::lock_guard lock(mutex_);
                samples_.insert(samples_.end(), chunk, chunk + n / 2);
            }
            close(fd);
        });
    }
    ~SinkRecorder() {
        End(pid_);
        if (reader_.joinable()) reader_.join();
    }
    std::size_t Count() {
        std::lock_guard lock(mutex_);
        return samples_.size();
    }
    // Milliseconds from sample `from` to the first loud one; -1 when all is silent.
    double FirstSoundAfter(std::size_t from) {
        std::lock_guard lock(mutex_);
        for (std::size_t i = from; i < samples_.size(); ++i)
            if (std::abs(samples_[i]) > 2000) return (i - from) * 1000.0 / kRate;
        return -1;
    }

private:
    pid_t pid_ = 0;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<std::int16_t> samples_;
};

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
    // Another format named .mp3 is not played by its content: only MPEG audio is.
    const auto le = [](unsigned n, int bytes) {
        Bytes out;
        for (int i = 0; i < bytes; ++i) out += char((n >> (8 * i)) & 0xFF);
        return out;
    };
    const Bytes pcm(88200, '\x10');
    WriteFile(*dir_ / "wave.mp3", "RIFF" + le(36 + unsigned(pcm.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(1, 2) +
                                      le(44100, 4) + le(88200, 4) + le(2, 2) + le(16, 2) + "data" + le(unsigned(pcm.size()), 4) + pcm);
    player.FileName = *dir_ / "wave.mp3";
    EXPECT_EQ(MessageOf([&] { player.PlayerOpen(); }), "このファイルは再生できません。壊れているか、形式が正しくありません");
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

TEST_F(RealPlayer, DamagedFrameCountsAndHugeFilesGiveLengthsThatHold) {
    // A Xing frame that claims 0xFFFFFFF0 frames in front of one second of sound.
    const Bytes sound = ReadFile(*dir_ / "one.mp3");
    ASSERT_EQ(sound.substr(0, 2), "\xFF\xFB");  // MPEG-1 layer III, no tag
    ASSERT_EQ(sound[2] & 0xFC, 0x90);           // 128 kbps at 44.1 kHz: 417-byte frames
    Bytes xing(417, '\0');
    xing.replace(0, 4, sound.substr(0, 4));
    xing[2] = char(sound[2] & ~2);  // no padding byte
    const std::size_t sideInfo = (std::uint8_t(sound[3]) >> 6) == 3 ? 17 : 32;
    xing.replace(4 + sideInfo, 12, Bytes("Xing\0\0\0\x01\xFF\xFF\xFF\xF0", 12));
    WriteFile(*dir_ / "xing.mp3", xing + sound);
    TMediaPlayer player;
    player.FileName = *dir_ / "xing.mp3";
    player.PlayerOpen();
    EXPECT_NEAR(Status(player, MCI_STATUS_LENGTH), 1026, 100);

    // Five GiB at 8 kbps last 62 days, longer than 32 bits of milliseconds hold. Sparse: no disk used.
    MakeMp3(*dir_ / "huge.mp3", 1000, 8000, 8);
    ASSERT_EQ(truncate((*dir_ / "huge.mp3").c_str(), off_t(5) << 30), 0);
    player.FileName = *dir_ / "huge.mp3";
    player.PlayerOpen();
    EXPECT_EQ(Status(player, MCI_STATUS_LENGTH), std::numeric_limits<DWORD>::max());
    EXPECT_EQ(Status(player, MCI_STATUS_POSITION), 0u);
}

TEST_F(RealPlayer, OpenThatOutlastsTheWaitLimitFailsWithItsText) {
    TMediaPlayer player;
    player.FileName = *dir_ / "one.mp3";
    const auto limit = SetMciWaitLimit(std::chrono::milliseconds(0));  // no preroll is that quick
    const Bytes message = MessageOf([&] { player.PlayerOpen(); });
    SetMciWaitLimit(limit);
    EXPECT_EQ(message, "デバイスの準備ができませんでした。ファイルの読み込みが時間内に終わりません");
    EXPECT_EQ(player.LastMciResult, MCIERR_DEVICE_NOT_READY);
    EXPECT_FALSE(player.DeviceOpened);
    player.PlayerOpen();
    EXPECT_TRUE(player.DeviceOpened);
}

TEST_F(RealPlayer, FirstPlayAfterAnIdleOpenSoundsAtOnce) {
    if (!SoundServer::running) GTEST_SKIP() << "no PulseAudio server could be started";
    MakeMp3(*dir_ / "long.mp3", 3000);
    TMediaPlayer player;
    player.FileName = *dir_ / "long.mp3";
    player.PlayerOpen();
    SinkRecorder recorder;
    ASSERT_TRUE(WaitFor([&] { return recorder.Count() > SinkRecorder::kRate / 10; }));
    QThread::msleep(1200);  // the user looks at the file before pressing play
    const std::size_t pressed = recorder.Count();
    player.PlayerPlay();
    WaitFor([&] { return recorder.FirstSoundAfter(pressed) >= 0; }, 4000);
    const double onset = recorder.FirstSoundAfter(pressed);
    RecordProperty("onset_ms", std::to_string(onset));
    EXPECT_GE(onset, 0) << "nothing reached the sink";
    EXPECT_LT(onset, 300) << "silent for " << onset << " ms after play";
    // Played from the start: the position and the sound agree.
    EXPECT_LT(Status(player, MCI_STATUS_POSITION), 1000u);
}
