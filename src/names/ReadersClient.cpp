// SPDX-License-Identifier: GPL-3.0-or-later
// The program's end of the readers' helper: the file is read here, into
// memory the helper is handed, and the helper's answer is awaited on the
// worker thread with a deadline. A helper that crashes, runs past the
// deadline or does not stop when asked is killed, and the next file starts
// another one. How the helper is started is the system's (ReaderProcess.h).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>

#include "core/CodePage.h"
#include "names/Candidates.h"
#include "names/ReaderLoader.h"
#include "names/ReaderProcess.h"
#include "names/ReadersClient.h"
#include "names/ReaderWire.h"
#include "platform/WholeFile.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long a file that was asked to stop may take to answer; how long the
// helper may take to start (MuPDF, and Tesseract's language data); how many
// starts in a row may fail before the session goes without names; how long
// one look for an answer waits.
constexpr std::chrono::milliseconds kStopGrace{500};
constexpr std::chrono::seconds kStartDeadline{30};
constexpr int kMostFailedStarts = 3;
constexpr std::chrono::milliseconds kLook{20};

class Helper {
public:
    ~Helper() {
        std::lock_guard lock(mutex_);
        Kill();
    }

    // The fields the helper found in `file`; none when it failed on it.
    std::optional<WireFields> Read(FileKind kind, const FileMemory& file, const std::atomic<bool>& cancelled,
                                   std::chrono::milliseconds deadline, ReadDepth depth) {
        std::lock_guard lock(mutex_);
        if (!Ready(cancelled, deadline)) return std::nullopt;
        // A helper that died between files is started again once.
        if (!SendRead(kind, file, depth)) {
            Kill();
            if (!Ready(cancelled, deadline) || !SendRead(kind, file, depth)) return std::nullopt;
        }
        const Clock::time_point start = Clock::now();
        Clock::time_point stopAsked{};
        bool stopping = false;
        FieldsReply reply;
        for (;;) {
            char data[1 << 16];
            const long got = WireReceiveSome(process_.Link().receive, data, sizeof data, kLook);
            if (got < 0) break;  // crashed, or killed by its limits
            if (got > 0) {
                if (reply.Take(data, std::size_t(got))) {
                    if (auto fields = reply.Fields()) return fields;
                    break;
                }
                continue;
            }
            const Clock::time_point now = Clock::now();
            if (cancelled && !stopping) {
                stopping = SendStop(process_.Link());
                stopAsked = now;
                if (!stopping) break;
            }
            if (now - start > deadline || (stopping && now - stopAsked > kStopGrace)) break;
        }
        Kill();
        return std::nullopt;
    }

    int Starts() {
        std::lock_guard lock(mutex_);
        return starts_;
    }
    // Not while a read holds the helper: a test asks while another waits.
    int Process() const { return process_.Id(); }
    std::intptr_t Job() {
        std::lock_guard lock(mutex_);
        return process_.Job();
    }

private:
    bool SendRead(FileKind kind, const FileMemory& file, ReadDepth depth) {
        const WireFile theirs = process_.Hand(file.File());
        return theirs != kNoWireFile && ::SendRead(process_.Link(), kind, theirs, file.Size(), depth);
    }

    // A helper that has said it is ready, started when none runs. Its start
    // does not count against a file's deadline; a file given up meanwhile
    // leaves it starting, for the next. One that cannot start at all is not
    // tried again and again: each try would cost every file its start.
    bool Ready(const std::atomic<bool>& cancelled, std::chrono::milliseconds deadline) {
        if (ready_) return true;
        if (failedStarts_ >= kMostFailedStarts) return false;
        if (process_.Id() < 0 && !Start(deadline)) {
            ++failedStarts_;
            return false;
        }
        const Clock::time_point start = Clock::now();
        while (!cancelled) {
            char hello = 0;
            const long got = WireReceiveSome(process_.Link().receive, &hello, 1, kLook);
            if (got == 1 && hello == char(WireMessage::Ready)) {
                ready_ = true;
                failedStarts_ = 0;
                return true;
            }
            if (got != 0 || Clock::now() - start > kStartDeadline) break;
        }
        if (cancelled) return false;
        Kill();
        ++failedStarts_;
        return false;
    }

    // It stops a file itself a little before the deadline, and stays.
    bool Start(std::chrono::milliseconds deadline) {
        const std::chrono::milliseconds budget{std::max<long long>(deadline.count() * 3 / 4, deadline.count() - 2000)};
        if (!process_.Start(budget)) return false;
        ++starts_;
        return true;
    }

    void Kill() {
        process_.Kill();
        ready_ = false;
    }

    std::mutex mutex_;
    ReaderProcess process_;
    bool ready_ = false;
    int failedStarts_ = 0;
    int starts_ = 0;
};

Helper& TheHelper() {
    static Helper helper;
    return helper;
}

// Memory with the file's bytes; none when it cannot be read, or is empty.
std::unique_ptr<FileMemory> ReadIntoMemory(const Bytes& path, FileKind kind, std::optional<FileIdentity>* identity,
                                           ReadProblem* problem) {
    auto memory = std::make_unique<FileMemory>();
    *problem = ReadFileEnds(
        ToUtf16(path), EndsToRead(kind),
        [&](std::size_t size) { return size == 0 ? nullptr : memory->Make(size); }, identity);
    memory->Seal();
    if (*problem == ReadProblem::None && memory->Size() > 0) return memory;
    return nullptr;
}

}  // namespace

int ReaderHelperStarts() { return TheHelper().Starts(); }
int ReaderHelperProcess() { return TheHelper().Process(); }
std::intptr_t ReaderHelperJob() { return TheHelper().Job(); }

NameSuggestions::MakeReader HelperFileNameReader(std::chrono::milliseconds deadline) {
    return [deadline] {
        return [deadline](const Bytes& path, const std::atomic<bool>& cancelled, ReadDepth depth) {
            NameSuggestions::Read read;
            const FileKind kind = KindOfPath(path);
            if (kind == FileKind::Other) return read;
            ReadProblem problem = ReadProblem::None;
            const std::unique_ptr<FileMemory> file = ReadIntoMemory(path, kind, &read.identity, &problem);
            // A file too large, or empty, is still a file: it has no candidates, and that is kept.
            if (!file) {
                if (!ReadAFile(problem)) read.identity.reset();
                return read;
            }
            // A file the helper failed on keeps no names: it is not read again.
            const WireFields found = TheHelper().Read(kind, *file, cancelled, deadline, depth).value_or(WireFields{});
            read.found = {NameCandidates(found.fields), found.fields, found.partial};
            return read;
        };
    };
}

NameSuggestions::MakeReader LoadedFileNameReader() { return HelperFileNameReader(kReadDeadline); }
