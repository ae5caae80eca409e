// SPDX-License-Identifier: GPL-3.0-or-later
// The readers' helper: a process of its own that reads the files the program
// hands it, so that a crafted file that crashes a parser, loops or eats the
// memory costs that file's names and nothing else. It is shut in before the
// first file (see ReadersSandbox.h); the program keeps the deadline.
#include <iconv.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

#include "core/CodePage.h"
#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/ReaderWire.h"
#include "names/ReadersSandbox.h"
#include "platform/Platform.h"

namespace {

struct Jobs {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<WireRequest> queue;
    std::atomic<bool> cancelled{false};
    bool reading = false;
    std::chrono::steady_clock::time_point started;
};

// A file that runs past its budget is stopped here, a little before the
// program's deadline would kill the helper: the next file needs no new one.
void Watch(Jobs& jobs, FileReader& reader, std::chrono::milliseconds budget) {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard lock(jobs.mutex);
        if (jobs.reading && !jobs.cancelled && std::chrono::steady_clock::now() - jobs.started > budget) {
            jobs.cancelled = true;
            reader.Abort();
        }
    }
}

// Reads requests while the main thread reads files, so that a stop reaches
// the file in hand. The program gone, the helper goes at once.
void Listen(int socket, Jobs& jobs, FileReader& reader) {
    for (;;) {
        const std::optional<WireRequest> request = ReceiveRequest(socket);
        if (!request) _exit(0);
        std::lock_guard lock(jobs.mutex);
        if (request->message == WireMessage::Stop) {
            if (jobs.reading) {
                jobs.cancelled = true;
                reader.Abort();
            }
            continue;
        }
        jobs.queue.push_back(*request);
        jobs.wake.notify_one();
    }
}

std::vector<Bytes> NamesOf(const WireRequest& request, FileReader& reader, const std::atomic<bool>& cancelled) {
    struct stat info{};
    if (fstat(request.file, &info) != 0 || info.st_size <= 0) return {};
    const auto size = static_cast<std::size_t>(info.st_size);
    void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, request.file, 0);
    if (bytes == MAP_FAILED) return {};
    std::vector<Bytes> names;
    try {
        const FileText text = reader.ReadBytes({static_cast<const char*>(bytes), size}, request.kind, &cancelled);
        if (!cancelled) names = NameCandidates(text);
    } catch (...) {
        names.clear();  // out of memory within the limit: this file has none
    }
    munmap(bytes, size);
    return names;
}

// iconv reads its tables and loads its modules at the first use, which opens
// files, and lets a module go with its last descriptor: every code page the
// readers use is opened here, before the sandbox, and kept open.
void KeepCodePagesLoaded() {
    for (const CodePage& cp : {CodePage::System(), CodePage::FromNumber(65001), CodePage::FromNumber(932)}) {
        iconv_open(cp.Name().c_str(), "UTF-16LE");
        iconv_open("UTF-16LE", cp.Name().c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const int socket = std::atoi(argv[1]);
    const std::chrono::milliseconds budget{std::atoll(argv[2])};
    InstallPlatformServices();
    KeepCodePagesLoaded();
    FileReader reader;
    reader.Prepare();
    // The limit is set in the build: 0 where the sanitizers need their terabytes.
    if (!EnterReadersSandbox(QUILVANE_READERS_ADDRESS_SPACE)) return 3;
    Jobs jobs;
    std::thread(Listen, socket, std::ref(jobs), std::ref(reader)).detach();
    std::thread(Watch, std::ref(jobs), std::ref(reader), budget).detach();
    if (!SendReady(socket)) return 0;
    for (;;) {
        WireRequest request;
        {
            std::unique_lock lock(jobs.mutex);
            jobs.wake.wait(lock, [&] { return !jobs.queue.empty(); });
            request = jobs.queue.front();
            jobs.queue.pop_front();
            reader.ResetAbort();
            jobs.cancelled = false;
            jobs.reading = true;
            jobs.started = std::chrono::steady_clock::now();
        }
        const std::vector<Bytes> names = NamesOf(request, reader, jobs.cancelled);
        close(request.file);
        {
            std::lock_guard lock(jobs.mutex);
            jobs.reading = false;
        }
        if (!SendNames(socket, names)) _exit(0);
    }
}
