// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/NameSuggestions.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <thread>

#include "names/NameScheme.h"
#include "names/ReaderLoader.h"
#include "platform/Threads.h"

bool NeedsTheRest(const FileNames& found) {
    return found.partial && (!FindField(found.fields, FieldKind::Kind) || !FindField(found.fields, FieldKind::Number) ||
                             !FindField(found.fields, FieldKind::Date));
}

namespace {

struct Job {
    Bytes path;
    std::uint64_t generation = 0;
    bool current = false;  // the file shown, whose result goes to Ready
    bool example = false;  // read last, for how its name was made; goes to Ready too
    ReadDepth depth = ReadDepth::Top;
};

// The rest of a scan read: the names of its top keep their rows, the new ones follow.
FileNames WithTheRest(const FileNames& top, FileNames whole) {
    FileNames merged = top;
    for (Bytes& name : whole.names)
        if (std::find(merged.names.begin(), merged.names.end(), name) == merged.names.end()) merged.names.push_back(std::move(name));
    if (!whole.fields.empty()) merged.fields = std::move(whole.fields);
    merged.partial = false;
    return merged;
}

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
    std::list<std::pair<FileIdentity, FileNames>> kept;  // most recent first
    // The files asked for as examples, by folder and name; once the worker
    // has picked the most recent few, their paths in the order they are read.
    Bytes exampleFolder;
    std::vector<Bytes> exampleNames;
    std::optional<std::deque<Bytes>> examplesToRead;
    std::uint64_t examplesAsked = 0;  // counts the requests for examples
    std::uint64_t generation = 0;                    // of the request shown now
    bool enabled = true;
    std::atomic<int> workers{0};

    // Only the UI thread touches these.
    std::vector<std::pair<std::shared_ptr<Run>, std::thread>> threads;

    FileNames* Find(const FileIdentity& identity) {
        const auto it = std::find_if(kept.begin(), kept.end(), [&](const auto& entry) { return entry.first == identity; });
        if (it == kept.end()) return nullptr;
        kept.splice(kept.begin(), kept, it);
        return &kept.front().second;
    }
    void Keep(const FileIdentity& identity, FileNames names) {
        if (FileNames* known = Find(identity)) {
            *known = std::move(names);
            return;
        }
        kept.emplace_front(identity, std::move(names));
        if (kept.size() > kKeptFiles) kept.pop_back();
    }
    bool HasWork() const {
        return !queue.empty() || (examplesToRead ? !examplesToRead->empty() : !exampleNames.empty());
    }
    void ForgetExamples() {
        ++examplesAsked;
        exampleNames.clear();
        examplesToRead.reset();
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

// Files looked at for examples: the last in the list, where names made of
// dates and numbers sort.
constexpr std::size_t kMostExampleFiles = 2000;

// The most recently changed of the files of `folder` named in `names` that
// were named by a person, newest first, at most kMostExamples; none when
// `cancelled` stops the look.
std::optional<std::vector<Bytes>> MostRecent(const Bytes& folder, const std::vector<Bytes>& names, const std::atomic<bool>& cancelled) {
    std::vector<std::pair<std::int64_t, Bytes>> dated;
    std::size_t looked = 0;
    for (auto name = names.rbegin(); name != names.rend() && looked < kMostExampleFiles; ++name) {
        if (cancelled.load()) return std::nullopt;
        const std::size_t dot = name->rfind('.');
        if (LooksLikeDefaultName(ToUtf16(name->substr(0, dot), CodePage::System()))) continue;
        ++looked;
        Bytes path = folder + *name;
        if (const std::optional<FileIdentity> identity = IdentityOfPath(path)) dated.emplace_back(identity->modified, std::move(path));
    }
    std::stable_sort(dated.begin(), dated.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (dated.size() > NameSource::kMostExamples) dated.resize(NameSource::kMostExamples);
    std::vector<Bytes> recent;
    for (auto& [modified, path] : dated) recent.push_back(std::move(path));
    return recent;
}

// The next job, with the lock held: the file shown and those read ahead
// first, examples only when nothing else waits.
std::optional<Job> NextJob(NameSuggestions::Shared& shared, std::unique_lock<std::mutex>& lock, Run& run) {
    if (!shared.queue.empty()) {
        Job job = shared.queue.front();
        shared.queue.pop_front();
        return job;
    }
    if (!shared.examplesToRead) {
        const std::uint64_t asked = shared.examplesAsked;
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        run.job = Job{};  // no path: any request stops the look
        run.cancelled = cancelled;
        const Bytes folder = shared.exampleFolder;
        const std::vector<Bytes> names = shared.exampleNames;
        lock.unlock();
        std::optional<std::vector<Bytes>> recent = MostRecent(folder, names, *cancelled);
        lock.lock();
        run.job.reset();
        if (!recent || cancelled->load() || run.stop || asked != shared.examplesAsked) return std::nullopt;
        shared.examplesToRead.emplace(recent->begin(), recent->end());
        if (!shared.queue.empty() || shared.examplesToRead->empty()) return std::nullopt;
    }
    Job job{shared.examplesToRead->front(), 0, false, true};
    shared.examplesToRead->pop_front();
    return job;
}

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
        shared->wake.wait(lock, [&] { return run->stop || shared->HasWork(); });
        if (run->stop) break;
        std::optional<Job> next = NextJob(*shared, lock, *run);
        if (!next) continue;
        Job job = *next;
        const std::uint64_t asked = shared->examplesAsked;
        auto cancelled = std::make_shared<std::atomic<bool>>(false);
        run->job = job;
        run->cancelled = cancelled;
        lock.unlock();
        NameSuggestions::Read read;
        std::optional<FileNames> known;
        // A file read ahead may be kept already, perhaps under another name.
        if (!job.current) {
            const std::optional<FileIdentity> identity = IdentityOfPath(job.path);
            std::lock_guard guard(shared->mutex);
            if (const FileNames* found = identity ? shared->Find(*identity) : nullptr) known = *found;
        }
        try {
            if (!known && reader) read = reader(job.path, *cancelled, job.depth);
        } catch (...) {
            read = {};  // a file that breaks a reader has no candidates
        }
        lock.lock();
        job = *run->job;
        run->job.reset();
        if (cancelled->load() || run->stop) {
            // An example put off by the file shown is read after it.
            if (job.example && !run->stop && asked == shared->examplesAsked) shared->examplesToRead->push_front(job.path);
            continue;
        }
        if (known) {
            read.found = std::move(*known);
        } else if (read.identity) {
            if (job.depth == ReadDepth::Whole)
                if (const FileNames* top = shared->Find(*read.identity)) read.found = WithTheRest(*top, std::move(read.found));
            shared->Keep(*read.identity, read.found);
        }
        if (job.current && job.depth == ReadDepth::Top && NeedsTheRest(read.found))
            shared->queue.push_back({job.path, job.generation, true, false, ReadDepth::Whole});
        if (!job.current && !job.example) continue;
        lock.unlock();
        std::weak_ptr<NameSuggestions::Shared> weak = shared;
        shared->post([weak, job, found = std::move(read.found)] {
            const std::shared_ptr<NameSuggestions::Shared> s = weak.lock();
            if (!s) return;
            {
                std::lock_guard guard(s->mutex);
                if (!s->enabled || (!job.example && s->generation != job.generation)) return;  // kept, not shown
            }
            s->ready(job.path, found);
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

std::optional<FileNames> NameSuggestions::Request(const Bytes& path, const std::vector<Bytes>& readAhead) {
    const std::optional<FileIdentity> identity = IdentityOfPath(path);
    std::lock_guard lock(shared_->mutex);
    if (!shared_->enabled) return std::nullopt;
    const std::uint64_t generation = ++shared_->generation;
    std::optional<FileNames> names;
    if (identity)
        if (const FileNames* known = shared_->Find(*identity)) names = *known;
    const bool needsTheRest = names && NeedsTheRest(*names);

    std::vector<Bytes> wanted = readAhead;
    if (!names || needsTheRest) wanted.push_back(path);
    shared_->CancelRunning(wanted);
    shared_->queue.clear();
    std::optional<Job>* running = shared_->active ? &shared_->active->job : nullptr;
    const bool readingIt = running && *running && !(*running)->path.empty() && (*running)->path == path &&
                           !shared_->active->cancelled->load();
    const bool readingTheRest = readingIt && (*running)->depth == ReadDepth::Whole;
    if (running && *running) {
        // The file being read ahead is the one shown now: its result is awaited, not read twice.
        (*running)->current = readingIt && (!names || readingTheRest);
        (*running)->generation = generation;
    }
    if (!names && !readingIt) shared_->queue.push_back({path, generation, true});
    for (const Bytes& next : readAhead) {
        const bool inHand = shared_->active && shared_->active->job && shared_->active->job->path == next;
        if (next != path && !inHand) shared_->queue.push_back({next, generation, false});
    }
    if (needsTheRest && !readingTheRest) shared_->queue.push_back({path, generation, true, false, ReadDepth::Whole});
    WakeWorker();
    return names;
}

void NameSuggestions::WakeWorker() {
    if (!shared_->HasWork()) return;
    if (!shared_->active) StartWorker();
    shared_->wake.notify_all();
}

void NameSuggestions::RequestExamples(const Bytes& folder, const std::vector<Bytes>& names) {
    std::lock_guard lock(shared_->mutex);
    if (!shared_->enabled) return;
    shared_->ForgetExamples();
    shared_->exampleFolder = folder;
    shared_->exampleNames = names;
    if (shared_->active && shared_->active->job && shared_->active->job->example) shared_->active->cancelled->store(true);
    WakeWorker();
}

void NameSuggestions::Cancel() {
    std::lock_guard lock(shared_->mutex);
    ++shared_->generation;
    shared_->ForgetExamples();
    shared_->queue.clear();
    shared_->CancelRunning({});
}

void NameSuggestions::SetEnabled(bool enabled) {
    std::lock_guard lock(shared_->mutex);
    if (enabled == shared_->enabled) return;
    shared_->enabled = enabled;
    ++shared_->generation;
    if (!enabled) {
        shared_->ForgetExamples();
        shared_->queue.clear();
        shared_->Retire();
    }
}

bool NameSuggestions::Enabled() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->enabled;
}

std::optional<FileNames> NameSuggestions::Kept(const Bytes& path) const {
    const std::optional<FileIdentity> identity = IdentityOfPath(path);
    if (!identity) return std::nullopt;
    std::lock_guard lock(shared_->mutex);
    if (const FileNames* known = shared_->Find(*identity)) return *known;
    return std::nullopt;
}

int NameSuggestions::Workers() const { return shared_->workers.load(); }
