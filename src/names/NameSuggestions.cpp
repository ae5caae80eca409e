// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/NameSuggestions.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include "names/ReaderLoader.h"
#include "platform/Threads.h"

namespace {

struct Job {
    Bytes path;
    std::uint64_t generation = 0;
    bool current = false;  // the file shown, whose result goes to Ready
};

// One worker thread's lot. Its job may be changed by Request while it reads:
// a file read ahead can become the one shown.
struct Run {
    bool stop = false;
    bool finished = false;
    std::optional<Job> job;
    std::shared_ptr<std::atomic<bool>> cancelled;
};

}  // namespace

struct NameSuggestions::Shared {
    Post post;
    Ready ready;
    MakeReader makeReader;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> queue;
    std::shared_ptr<Run> active;  // the thread that takes jobs; retired ones only finish
    std::list<std::pair<FileIdentity, Names>> kept;  // most recent first
    std::uint64_t generation = 0;                    // of the request shown now
    bool enabled = true;
    std::atomic<int> workers{0};

    // Only the UI thread touches these.
    std::vector<std::pair<std::shared_ptr<Run>, std::thread>> threads;

    Names* Find(const FileIdentity& identity) {
        const auto it = std::find_if(kept.begin(), kept.end(), [&](const auto& entry) { return entry.first == identity; });
        if (it == kept.end()) return nullptr;
        kept.splice(kept.begin(), kept, it);
        return &kept.front().second;
    }
    void Keep(const FileIdentity& identity, Names names) {
        if (Names* known = Find(identity)) {
            *known = std::move(names);
            return;
        }
        kept.emplace_front(identity, std::move(names));
        if (kept.size() > kKeptFiles) kept.pop_back();
    }
    // Stops the job in hand unless it is one of `wanted`.
    void CancelRunning(const std::vector<Bytes>& wanted) {
        if (!active || !active->job) return;
        if (std::find(wanted.begin(), wanted.end(), active->job->path) != wanted.end()) return;
        active->cancelled->store(true);
    }
    void Retire() {
        if (!active) return;
        active->stop = true;
        if (active->cancelled) active->cancelled->store(true);
        active.reset();
        wake.notify_all();
    }
};

namespace {

void Work(const std::shared_ptr<NameSuggestions::Shared>& shared, const std::shared_ptr<Run>& run) {
    LowerThisThreadPriority();
    NameSuggestions::Reader reader;
    try {
        reader = shared->makeReader();
    } catch (...) {
        // Without a reader every file has no candidates; the window goes on.
    }
    std::unique_lock lock(shared->mutex);
    for (;;) {
        shared->wake.wait(lock, [&] { return run->stop || !shared->queue.empty(); });
        if (run->stop) break;
        Job job = shared->queue.front();
        shared->queue.pop_front();
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        run->job = job;
        run->cancelled = cancelled;
        lock.unlock();
        NameSuggestions::Read read;
        bool known = false;
        // A file read ahead may be kept already, perhaps under another name.
        if (!job.current) {
            const std::optional<FileIdentity> identity = IdentityOfPath(job.path);
            std::lock_guard guard(shared->mutex);
            known = identity && shared->Find(*identity) != nullptr;
        }
        try {
            if (!known && reader) read = reader(job.path, *cancelled);
        } catch (...) {
            read = {};  // a file that breaks a reader has no candidates
        }
        lock.lock();
        job = *run->job;
        run->job.reset();
        if (cancelled->load() || run->stop || known) continue;
        if (read.identity) shared->Keep(*read.identity, read.names);
        if (!job.current) continue;
        lock.unlock();
        std::weak_ptr<NameSuggestions::Shared> weak = shared;
        shared->post([weak, generation = job.generation, path = job.path, names = std::move(read.names)] {
            const std::shared_ptr<NameSuggestions::Shared> s = weak.lock();
            if (!s) return;
            {
                std::lock_guard guard(s->mutex);
                if (!s->enabled || s->generation != generation) return;  // kept, not shown
            }
            s->ready(path, names);
        });
        lock.lock();
    }
    run->finished = true;
    shared->workers.fetch_sub(1);
}

}  // namespace

NameSuggestions::NameSuggestions(Post post, Ready ready, MakeReader makeReader) : shared_(std::make_shared<Shared>()) {
    shared_->post = std::move(post);
    shared_->ready = std::move(ready);
    shared_->makeReader = makeReader ? std::move(makeReader) : LoadedFileNameReader();
}

NameSuggestions::~NameSuggestions() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->queue.clear();
        shared_->Retire();
        for (auto& [run, thread] : shared_->threads) {
            run->stop = true;
            if (run->cancelled) run->cancelled->store(true);
        }
        shared_->wake.notify_all();
    }
    for (auto& [run, thread] : shared_->threads) thread.join();
}

void NameSuggestions::StartWorker() {
    // Called with the lock held. Threads that have ended are let go here.
    auto& threads = shared_->threads;
    for (auto it = threads.begin(); it != threads.end();) {
        if (it->first->finished) {
            it->second.join();
            it = threads.erase(it);
        } else {
            ++it;
        }
    }
    auto run = std::make_shared<Run>();
    shared_->active = run;
    shared_->workers.fetch_add(1);
    threads.emplace_back(run, std::thread(Work, shared_, run));
}

std::optional<NameSuggestions::Names> NameSuggestions::Request(const Bytes& path, const std::vector<Bytes>& readAhead) {
    const std::optional<FileIdentity> identity = IdentityOfPath(path);
    std::lock_guard lock(shared_->mutex);
    if (!shared_->enabled) return std::nullopt;
    const std::uint64_t generation = ++shared_->generation;
    std::optional<Names> names;
    if (identity)
        if (const Names* known = shared_->Find(*identity)) names = *known;

    std::vector<Bytes> wanted = readAhead;
    if (!names) wanted.push_back(path);
    shared_->CancelRunning(wanted);
    shared_->queue.clear();
    std::optional<Job>* running = shared_->active ? &shared_->active->job : nullptr;
    const bool readingIt = running && *running && !(*running)->path.empty() && (*running)->path == path &&
                           !shared_->active->cancelled->load();
    if (running && *running) {
        // The file being read ahead is the one shown now: its result is awaited, not read twice.
        (*running)->current = readingIt && !names;
        (*running)->generation = generation;
    }
    if (!names && !readingIt) shared_->queue.push_back({path, generation, true});
    for (const Bytes& next : readAhead) {
        const bool inHand = shared_->active && shared_->active->job && shared_->active->job->path == next;
        if (next != path && !inHand) shared_->queue.push_back({next, generation, false});
    }
    if (!shared_->queue.empty()) {
        if (!shared_->active) StartWorker();
        shared_->wake.notify_all();
    }
    return names;
}

void NameSuggestions::Cancel() {
    std::lock_guard lock(shared_->mutex);
    ++shared_->generation;
    shared_->queue.clear();
    shared_->CancelRunning({});
}

void NameSuggestions::SetEnabled(bool enabled) {
    std::lock_guard lock(shared_->mutex);
    if (enabled == shared_->enabled) return;
    shared_->enabled = enabled;
    ++shared_->generation;
    if (!enabled) {
        shared_->queue.clear();
        shared_->Retire();
    }
}

bool NameSuggestions::Enabled() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->enabled;
}

std::optional<NameSuggestions::Names> NameSuggestions::Kept(const Bytes& path) const {
    const std::optional<FileIdentity> identity = IdentityOfPath(path);
    if (!identity) return std::nullopt;
    std::lock_guard lock(shared_->mutex);
    if (const Names* known = shared_->Find(*identity)) return *known;
    return std::nullopt;
}

int NameSuggestions::Workers() const { return shared_->workers.load(); }
