// SPDX-License-Identifier: GPL-3.0-or-later
// The program's end of the readers' helper: the file is read here, into a
// memory file the helper gets, and the helper's answer is awaited on the
// worker thread with a deadline. A helper that crashes, runs past the
// deadline or does not stop when asked is killed, and the next file starts
// another one.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>

#include "core/CodePage.h"
#include "names/ReaderLoader.h"
#include "names/ReadersClient.h"
#include "names/ReaderWire.h"
#include "platform/Module.h"
#include "platform/WholeFile.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// How long a file that was asked to stop may take to answer; how long the
// helper may take to start (MuPDF, and Tesseract's language data); how many
// starts in a row may fail before the session goes without names.
constexpr std::chrono::milliseconds kStopGrace{500};
constexpr std::chrono::seconds kStartDeadline{30};
constexpr int kMostFailedStarts = 3;

class Helper {
public:
    ~Helper() {
        std::lock_guard lock(mutex_);
        Kill();
    }

    // The names the helper found in `file`; none when it failed on it.
    std::optional<NameSource::Names> Read(FileKind kind, int file, const std::atomic<bool>& cancelled,
                                          std::chrono::milliseconds deadline) {
        std::lock_guard lock(mutex_);
        if (!Ready(cancelled, deadline)) return std::nullopt;
        // A helper that died between files is started again once.
        if (!SendRead(socket_, kind, file)) {
            Kill();
            if (!Ready(cancelled, deadline) || !SendRead(socket_, kind, file)) return std::nullopt;
        }
        const Clock::time_point start = Clock::now();
        Clock::time_point stopAsked{};
        bool stopping = false;
        NamesReply reply;
        for (;;) {
            pollfd ready{socket_, POLLIN, 0};
            if (poll(&ready, 1, 20) > 0) {
                char data[1 << 16];
                const ssize_t got = recv(socket_, data, sizeof data, 0);
                if (got <= 0) break;  // crashed, or killed by its limits
                if (reply.Take(data, std::size_t(got))) {
                    if (auto names = reply.Names()) return names;
                    break;
                }
                continue;
            }
            const Clock::time_point now = Clock::now();
            if (cancelled && !stopping) {
                stopping = SendStop(socket_);
                stopAsked = now;
                if (!stopping) break;
            }
            if (now - start > deadline || (stopping && now - stopAsked > kStopGrace)) break;
        }
        Kill();
        return std::nullopt;
    }

private:
    // A helper that has said it is ready, started when none runs. Its start
    // does not count against a file's deadline; a file given up meanwhile
    // leaves it starting, for the next. One that cannot start at all is not
    // tried again and again: each try would cost every file its start.
    bool Ready(const std::atomic<bool>& cancelled, std::chrono::milliseconds deadline) {
        if (ready_) return true;
        if (failedStarts_ >= kMostFailedStarts) return false;
        if (pid_ < 0 && !Start(deadline)) {
            ++failedStarts_;
            return false;
        }
        const Clock::time_point start = Clock::now();
        while (!cancelled) {
            pollfd ready{socket_, POLLIN, 0};
            if (poll(&ready, 1, 20) > 0) {
                char hello = 0;
                if (recv(socket_, &hello, 1, 0) == 1 && hello == char(WireMessage::Ready)) {
                    ready_ = true;
                    failedStarts_ = 0;
                    return true;
                }
                break;
            }
            if (Clock::now() - start > kStartDeadline) break;
        }
        if (cancelled) return false;
        Kill();
        ++failedStarts_;
        return false;
    }

    bool Start(std::chrono::milliseconds deadline) {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return false;
        const std::string program = ProgramFolder() + "../lib/quilvane/quilvane-readers";
        // The helper's end is its descriptor 3; dup2 lets it through exec. It
        // stops a file itself a little before the deadline, and stays.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
        std::string name = "quilvane-readers", fd = "3";
        std::string budget = std::to_string(std::max<long long>(deadline.count() * 3 / 4, deadline.count() - 2000));
        char* argv[] = {name.data(), fd.data(), budget.data(), nullptr};
        pid_t pid = -1;
        const int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (error != 0) {
            close(ends[0]);
            return false;
        }
        pid_ = pid;
        socket_ = ends[0];
        ++starts_;
        return true;
    }

    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (socket_ >= 0) close(socket_);
        pid_ = -1;
        socket_ = -1;
        ready_ = false;
    }

    std::mutex mutex_;
    std::atomic<pid_t> pid_{-1};
    int socket_ = -1;
    bool ready_ = false;
    int failedStarts_ = 0;
    int starts_ = 0;

public:
    int Starts() {
        std::lock_guard lock(mutex_);
        return starts_;
    }
    // Not while a read holds the helper: a test asks while another waits.
    int Process() const { return pid_.load(); }
};

Helper& TheHelper() {
    static Helper helper;
    return helper;
}

// A memory file with the file's bytes; -1 when it cannot be read.
int ReadIntoMemoryFile(const Bytes& path, FileKind kind, std::optional<FileIdentity>* identity, ReadProblem* problem) {
    const int file = memfd_create("quilvane-file", MFD_CLOEXEC);
    if (file < 0) return -1;
    void* mapped = MAP_FAILED;
    std::size_t mappedSize = 0;
    *problem = ReadWholeFile(
        ToUtf16(path), kind == FileKind::Pdf ? kLargestPdf : kLargestMp3,
        [&](std::size_t size) -> char* {
            if (size == 0 || ftruncate(file, off_t(size)) != 0) return nullptr;
            mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
            mappedSize = size;
            return mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
        },
        identity);
    if (mapped != MAP_FAILED) munmap(mapped, mappedSize);
    if (*problem == ReadProblem::None && mappedSize > 0) return file;
    close(file);
    return -1;
}

}  // namespace

int ReaderHelperStarts() { return TheHelper().Starts(); }
int ReaderHelperProcess() { return TheHelper().Process(); }

NameSuggestions::MakeReader HelperFileNameReader(std::chrono::milliseconds deadline) {
    return [deadline] {
        return [deadline](const Bytes& path, const std::atomic<bool>& cancelled) {
            NameSuggestions::Read read;
            const FileKind kind = KindOfPath(path);
            if (kind == FileKind::Other) return read;
            ReadProblem problem = ReadProblem::None;
            const int file = ReadIntoMemoryFile(path, kind, &read.identity, &problem);
            // A file too large, or empty, is still a file: it has no candidates, and that is kept.
            if (file < 0) {
                if (problem != ReadProblem::TooLarge && problem != ReadProblem::None) read.identity.reset();
                return read;
            }
            // A file the helper failed on keeps no names: it is not read again.
            read.names = TheHelper().Read(kind, file, cancelled, deadline).value_or(NameSource::Names{});
            close(file);
            return read;
        };
    };
}

NameSuggestions::MakeReader LoadedFileNameReader() { return HelperFileNameReader(kReadDeadline); }
