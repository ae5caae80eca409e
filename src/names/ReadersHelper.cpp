// SPDX-License-Identifier: GPL-3.0-or-later
// The helper's loop, the same on every system: it is shut in before the
// first file (see ReadersSandbox.h); the program keeps the deadline.
#include "names/ReadersHelper.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

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

    // With the mutex held: the file in hand, if any, stops.
    void StopFileInHand(FileReader& reader) {
        if (!reading || cancelled) return;
        cancelled = true;
        reader.Abort();
    }
};

// A file that runs past its budget is stopped here, a little before the
// program's deadline would kill the helper: the next file needs no new one.
void Watch(Jobs& jobs, FileReader& reader, std::chrono::milliseconds budget) {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard lock(jobs.mutex);
        if (std::chrono::steady_clock::now() - jobs.started > budget) jobs.StopFileInHand(reader);
    }
}

// Reads requests while the main thread reads files, so that a stop reaches
// the file in hand. The program gone, the helper goes at once.
void Listen(WireLink link, Jobs& jobs, FileReader& reader) {
    for (;;) {
        const std::optional<WireRequest> request = ReceiveRequest(link);
        if (!request) std::_Exit(0);
        std::lock_guard lock(jobs.mutex);
        if (request->message == WireMessage::Stop) {
            jobs.StopFileInHand(reader);
            continue;
        }
        jobs.queue.push_back(*request);
        jobs.wake.notify_one();
    }
}

WireFields FieldsOf(const WireRequest& request, FileReader& reader, const std::atomic<bool>& cancelled) {
    const std::string_view bytes = MapRequestFile(request);
    WireFields found;
    try {
        if (!bytes.empty()) {
            const ReadDepth depth = request.message == WireMessage::ReadWhole ? ReadDepth::Whole : ReadDepth::Top;
            const FileText text = reader.ReadBytes(bytes, request.kind, &cancelled, depth);
            if (!cancelled) found = {ReadFields(text), !text.pages.empty() && text.pages[0].partial};
        }
    } catch (...) {
        found = {};  // out of memory within the limit: this file has none
    }
    ReleaseRequestFile(request, bytes);
    return found;
}

}  // namespace

std::optional<int> RunAsReadersHelper(int argc, char** argv) {
    const std::optional<HelperStart> start = HelperStartOf(argc, argv);
    if (!start) return std::nullopt;
    InstallPlatformServices();
    FileReader reader;
    reader.Prepare();
    // The limit is set in the build: 0 where the sanitizers need their terabytes.
    if (!EnterReadersSandbox(QUILVANE_READERS_ADDRESS_SPACE)) return 3;
    Jobs jobs;
    std::thread(Listen, start->link, std::ref(jobs), std::ref(reader)).detach();
    std::thread(Watch, std::ref(jobs), std::ref(reader), start->budget).detach();
    if (!SendReady(start->link)) return 0;
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
        const WireFields found = FieldsOf(request, reader, jobs.cancelled);
        {
            std::lock_guard lock(jobs.mutex);
            jobs.reading = false;
        }
        if (!SendFields(start->link, found)) std::_Exit(0);
    }
}
