// SPDX-License-Identifier: GPL-3.0-or-later
// What the user of quilvane.exe feels under Wine (run under Xvfb, with the
// Wine prefix in the environment: make bench-windows does): Down in the
// folder list of 1,000 and of 100,000 PDFs, from the key sent through XTest
// until the X server's screen holds the frame the window settles on. Beside
// it, in turns with it, a bare Win32 window with the system's list box of
// 100,000 rows without data; once quiet and once with a core kept busy.
//   bench_felt_wine QUILVANE_EXE BARE_LIST_EXE SAMPLE_PDF [--quick]
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>

#include "BenchCommon.h"
#include "XSession.h"

extern char** environ;

namespace {

// Thrown to main, so that the programs started are ended on the way.
[[noreturn]] void Fail(const std::string& why) { throw std::runtime_error(why); }

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A Windows program under Wine, ended with the bench.
class WineProgram {
public:
    explicit WineProgram(const std::string& exe) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("wine"), const_cast<char*>(exe.c_str()), nullptr};
        const int failed = posix_spawnp(&pid_, "wine", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (failed != 0) Fail("cannot start wine " + exe);
    }
    ~WineProgram() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    WineProgram(const WineProgram&) = delete;
    WineProgram& operator=(const WineProgram&) = delete;

private:
    pid_t pid_ = 0;
};

// `count` PDFs scan000000.pdf… made once and kept under /tmp/quilvane-bench-UID/
// (make clean removes it). The first hundred, all a step reaches, are copies of
// one small PDF: the viewer and the name reader know a file by its identity.
// The rest are hard links to those, so that 100,000 names take seconds.
std::string PdfFolder(int count, const std::string& sample) {
    const std::string base = "/tmp/quilvane-bench-" + std::to_string(getuid()) + "/";
    const std::string name = "wine-copies-" + std::to_string(count);
    const std::string folder = base + name + "/", done = base + name + ".done";
    if (std::filesystem::exists(done)) return folder;
    std::filesystem::create_directories(base);
    std::filesystem::remove_all(folder);  // a run stopped half-way
    std::filesystem::create_directories(folder);
    constexpr int kCopies = 100;
    auto path = [&](int i) {
        char file[32];
        std::snprintf(file, sizeof file, "scan%06d.pdf", i);
        return folder + file;
    };
    for (int i = 0; i < count; ++i) {
        if (i < kCopies) std::filesystem::copy_file(sample, path(i));
        else std::filesystem::create_hard_link(path(i % kCopies), path(i));
    }
    std::FILE* marker = std::fopen(done.c_str(), "w");
    if (marker != nullptr) std::fclose(marker);
    return folder;
}

std::string WindowsPath(const std::string& path) {
    std::string windows = "Z:" + path;
    for (char& c : windows)
        if (c == '/') c = '\\';
    return windows;
}

// Waits until the window's pixels stay the same for `quietMs`.
void Settle(XSession& x, unsigned long window, int quietMs = 300, int timeoutMs = 120000) {
    const double start = NowMs();
    double changed = start;
    std::uint64_t last = x.ScreenHash(window);
    while (NowMs() - changed < quietMs) {
        Sleep(10);
        const std::uint64_t hash = x.ScreenHash(window);
        if (hash != last) changed = NowMs(), last = hash;
        if (NowMs() - start > timeoutMs) Fail("the window never settled");
    }
}

void WaitForTitle(XSession& x, unsigned long window, const std::string& title, int timeoutMs) {
    const double start = NowMs();
    while (x.Title(window) != title) {
        if (NowMs() - start > timeoutMs) Fail("the title is \"" + x.Title(window) + "\", not \"" + title + "\"");
        Sleep(20);
    }
}

// Wine's own idea of the active window may differ from the X server's: the
// window is always made active again.
void Activate(XSession& x, unsigned long window) {
    x.Focus(window);
    const double start = NowMs();
    while (x.FocusedWindow() != window) {
        if (NowMs() - start > 10000) Fail("the window did not take the focus");
        Sleep(2);
    }
    Settle(x, window, 150);
}

// Down, timed until the frame reached the screen: the first read-back of the
// window's pixels that equals the frame it settles on, once its title says
// the step was taken and the pixels have stayed the same for `settleMs`. The
// clock reads as each read-back returns: the screen held those pixels by then.
double Down(XSession& x, unsigned long window, int settleMs = 200) {
    Activate(x, window);
    const std::string before = x.Title(window);
    const std::uint64_t start = x.ScreenHash(window);
    std::vector<std::pair<double, std::uint64_t>> seen;
    bool taken = false;
    double changed = 0;
    const double sent = NowMs();
    x.Tap("Down");
    for (;;) {
        const std::uint64_t hash = x.ScreenHash(window);
        const double now = NowMs() - sent;
        if (!taken) taken = x.Title(window) != before;
        if (seen.empty() || seen.back().second != hash) changed = now;
        seen.emplace_back(now, hash);
        if (taken && now - changed >= settleMs) break;
        if (now > 60000) Fail(taken ? "no settled frame" : "Down was not taken: the title stayed \"" + before + "\"");
        Sleep(1);
    }
    const std::uint64_t final = seen.back().second;
    if (final == start) Fail("Down changed nothing on the screen");
    for (const auto& [at, hash] : seen)
        if (hash == final) return at;
    return changed;
}

// quilvane.exe started, moved to `left`, with `file` opened through its open
// dialog as a user types it, and its list holding the keyboard.
unsigned long OpenInQuilvane(XSession& x, const std::string& exe, int left, const std::string& file,
                             std::vector<std::unique_ptr<WineProgram>>& programs) {
    programs.push_back(std::make_unique<WineProgram>(exe));
    const unsigned long window = x.WaitForWindowTitled("Quilvane", 60000);
    if (window == 0) Fail("no Quilvane window");
    x.Move(window, left, 0);
    x.Focus(window);
    Settle(x, window);
    x.Tap("f", "Alt_L");
    Sleep(300);
    x.Tap("o");
    const unsigned long dialog = x.WaitForWindowTitled("開く", 30000);
    if (dialog == 0) Fail("no open dialog");
    x.Focus(dialog);
    Settle(x, dialog);
    x.Type(WindowsPath(file), 5);
    x.Tap("Return");
    WaitForTitle(x, window, "Quilvane  [" + WindowsPath(file) + "]", 300000);
    x.Focus(window);
    Settle(x, window);
    // The list's first row, the file shown, where the layout puts it below the menu bar.
    const int menuBar = x.Size(window).second - 494;
    x.Click(window, 100, menuBar + 152);
    Settle(x, window);
    return window;
}

void Figures(int argc, char** argv) {
    if (argc < 4) Fail("usage: bench_felt_wine QUILVANE_EXE BARE_LIST_EXE SAMPLE_PDF [--quick]");
    const std::string quilvane = argv[1], bareExe = argv[2], sample = argv[3];
    const bool quick = argc > 4 && std::string(argv[4]) == "--quick";
    const int runs = quick ? 3 : 15;
    XSession x;

    // Side by side on a wide screen, nothing covering another: the bare list,
    // then the program in a folder of 1,000 PDFs and in one of 100,000.
    std::vector<std::unique_ptr<WineProgram>> programs;
    programs.push_back(std::make_unique<WineProgram>(bareExe));
    const unsigned long bare = x.WaitForWindowTitled("win32 bare list", 60000);
    if (bare == 0) Fail("no window from " + bareExe);
    x.Move(bare, 0, 0);
    Settle(x, bare);
    const int counts[] = {1000, 100000};
    const char* sizes[] = {"1k", "100k"};
    unsigned long ours[2];
    for (int i = 0; i < 2; ++i)
        ours[i] = OpenInQuilvane(x, quilvane, 420 + 840 * i, PdfFolder(counts[i], sample) + "scan000000.pdf", programs);

    for (const char* phase : {"quiet", "busy"}) {
        std::unique_ptr<BusyCores> busy;
        if (std::string(phase) == "busy") busy = std::make_unique<BusyCores>(1);
        NoteLoad(std::string("Down, ") + phase);
        for (const unsigned long window : {bare, ours[0], ours[1]}) Down(x, window);
        std::vector<double> bareMs, oursMs[2];
        for (int run = 0; run < runs; ++run) {  // in turns, so that all meet the same machine
            bareMs.push_back(Down(x, bare));
            for (int i : {run % 2, 1 - run % 2}) oursMs[i].push_back(Down(x, ours[i]));  // either folder first
        }
        for (int i = 0; i < 2; ++i) {
            Report(std::string("felt_down_wine_") + sizes[i] + "_" + phase + "_baseline_bare_win32_list_down_100k",
                   oursMs[i], bareMs);
        }
        // The goal: a step through 100,000 files costs at most 1.5 times one through 1,000.
        Report(std::string("felt_down_wine_100k_") + phase + "_baseline_felt_down_wine_1k", oursMs[1], oursMs[0]);
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Figures(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "wine felt bench: %s\n", error.what());
        return 1;
    }
    return 0;
}
