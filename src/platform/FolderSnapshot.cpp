// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderSnapshot.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <thread>

#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "platform/FileIdentity.h"
#include "platform/Threads.h"

bool ByNaturalOrder::operator()(const DirEntry& a, const DirEntry& b) const { return NaturalLess(a.name, b.name); }

namespace {

bool ignoreReports = false;  // see IgnoreFolderReports

// The file system's clock tick, as far as a time it wrote tells: FAT keeps
// two seconds, many servers whole seconds, the rest far finer (the kernel's
// coarse clock moves in a few ms).
std::int64_t ClockTick(std::int64_t time) {
    constexpr std::int64_t kSecond = 1'000'000'000, kFineTick = 20'000'000;
    if (time % kSecond != 0) return kFineTick;
    return time % (2 * kSecond) != 0 ? kSecond : 2 * kSecond;
}

// Where the folders' times come from (see UseFolderStamps).
std::atomic<FolderStampSource> stampSource{nullptr};

std::optional<FolderStamp> StampOf(const Bytes& folder) {
    const FolderStampSource source = stampSource.load();
    return source != nullptr ? source(folder) : FreshFolderStamp(folder);
}

// When a stamp first seen at `since` (after our own last change) proves a read
// made then: a clock tick on, since a change within the tick of the folder's
// last one could leave its times as they were. Timed on our own steady clock,
// never against the server's times: either clock may be off by minutes.
std::int64_t SettledAt(const FolderStamp& stamp, std::int64_t since) {
    constexpr std::int64_t kMargin = 50'000'000;  // the two clocks' rates differ a little
    return since + ClockTick(stamp.modified) + kMargin;
}

// A read of a folder kept by its times, made off the user's path once its
// stamp has stood for the clock tick: the listing was just read, or took our
// own change itself, and this read proves that nothing else came with it.
struct Proof {
    Bytes folder;
    FolderStamp expected;              // the listing's stamp when asked
    std::int64_t since = 0;            // when that stamp was first seen
    std::atomic<bool> dropped{false};  // our own change came after it began: its read may be stale
    std::atomic<bool> done{false};
    bool valid = false;  // the folder stood still under `expected` for the whole read
    std::vector<DirEntry> read;  // in natural order

    void Run() {
        LowerThisThreadPriority();
        // Read once the user pauses (while renames follow each other, each
        // would drop the read) and the stamp has stood for its clock tick.
        constexpr std::int64_t kPause = 300'000'000, kSlice = 50'000'000;
        const std::int64_t until = std::max(SteadyClockNow() + kPause, SettledAt(expected, since));
        for (std::int64_t now = SteadyClockNow(); now < until && !dropped.load(); now = SteadyClockNow()) {
            WaitNanoseconds(std::min(until - now, kSlice));
        }
        if (!dropped.load() && StampOf(folder) == expected) {
            read = ReadFolderEntries(folder);
            SortNaturally(read);
            valid = StampOf(folder) == expected;
        }
        done.store(true, std::memory_order_release);
    }
};

// Watched before the read, so nothing done during the read is missed; each
// reported change then costs O(log n). The folder is known by its identity,
// checked at every search, so a folder renamed away and replaced, a
// retargeted link or a mount over it is read afresh. Folders the watch
// refuses are read at every search.
class FolderSnapshot {
public:
    std::shared_ptr<const SortedEntries> Entries(const Bytes& folder, unsigned long* version = nullptr) {
        const Bytes key = KeyOf(folder);
        const auto now = IdentityOfPath(key);
        if (Stamped(key, now)) {
            if (version != nullptr) *version = version_;
            return entries_;
        }
        if (!Kept(key, now) || !ApplyChanges()) {
            // The same folder read again (no reports, or reports lost): what
            // it held is kept to tell the read's changes from it.
            std::shared_ptr<SortedEntries> previous;
            if (key == lastRead_ && SameFolder(now)) previous = entries_;
            Forget();
            if (now && !ignoreReports) watching_ = watch_.Start(key);
            // Taken before the read: a change during it shows as a new stamp.
            stamp_ = watching_ ? std::nullopt : StampOf(key);
            stampSince_ = SteadyClockNow();  // once answered: the last change came before
            std::vector<DirEntry> read = ReadFolderEntries(key);
            SortNaturally(read);
            if (!previous || !TakeDifference(std::move(previous), read)) TakeWholeRead(read);
            folder_ = watching_ || stamp_ ? key : Bytes();
            identity_ = now.value_or(FileIdentity{});
            // A later change within the file system's clock tick could leave
            // the stamp just seen as it was: it proves nothing until a read
            // in the background, once the tick has passed, finds the same.
            proven_ = !stamp_;
            if (!proven_) StartProof();
            ++freshReads_;
            lastRead_ = key;
        }
        if (version != nullptr) *version = watching_ || stamp_ ? version_ : 0;
        return entries_;
    }

    // The listing's version while it is kept up to date, read from the
    // reports alone; 0 when only a fresh read can tell.
    unsigned long Version(const Bytes& folder) {
        const Bytes key = KeyOf(folder);
        const auto now = IdentityOfPath(key);
        if (Stamped(key, now)) return version_;
        if (!Kept(key, now)) return 0;
        if (ApplyChanges()) return version_;
        Forget();  // reports were lost: the next search reads afresh
        return 0;
    }

    std::optional<std::vector<ListingChange>> ChangesSince(const Bytes& folder, unsigned long since) const {
        const Bytes key = KeyOf(folder);
        if ((!watching_ && !stamp_) || key != folder_ || since < logStart_ || since > version_) return std::nullopt;
        std::set<Bytes> names;
        for (auto at = log_.rbegin(); at != log_.rend() && at->first > since; ++at) names.insert(at->second);
        std::vector<ListingChange> changes;
        for (const Bytes& name : names) {
            const auto found = entries_->find(DirEntry{name, false});
            changes.push_back({name, found != entries_->end() ? std::optional<DirEntry>(*found) : std::nullopt});
        }
        return changes;
    }

    unsigned long FreshReads() const { return freshReads_; }
    void Reset() { Forget(); }

private:
    static Bytes KeyOf(const Bytes& folder) { return folder.empty() ? Bytes(".") : folder; }

    // The folder last read, still there: by volume and number alone, as Wine
    // gives a folder's last change as its creation time.
    bool SameFolder(const std::optional<FileIdentity>& now) const {
        return now && now->volume == identity_.volume && now->file == identity_.file;
    }

    bool Kept(const Bytes& key, const std::optional<FileIdentity>& now) const {
        return watching_ && key == folder_ && SameFolder(now);
    }

    // A listing kept without reports: the folder's times fetched afresh are
    // the ones it was read under, or the ones our own change left.
    bool Stamped(const Bytes& key, const std::optional<FileIdentity>& now) {
        if (!stamp_ || watching_ || key != folder_ || !SameFolder(now)) return false;
        const auto fresh = StampOf(key);
        if (fresh != stamp_) {
            stamp_.reset();
            return false;
        }
        TakeProof();
        return true;
    }

public:
    // Whether `folder` is the one kept; where it is kept by its times, with
    // its stamp fetched just before our own change to it.
    bool BeforeOwnChange(const Bytes& folder, std::optional<FolderStamp>& stamp) const {
        if ((!watching_ && !stamp_) || KeyOf(folder) != folder_) return false;
        if (!watching_) stamp = StampOf(folder_);
        return true;
    }

    // Our own move from `from` to `to` (either may be outside the kept
    // folder, or empty) is done, and the listing takes it at once: a report
    // of it may come late (a share's server sends it over the network) and
    // then changes nothing. Kept by its times, the listing stays kept where
    // nothing else changed the folder before our move; a read in the
    // background then proves that nothing else came at the same moment.
    void AfterOwnChange(const Bytes& from, const Bytes& to, const std::optional<FolderStamp>& before) {
        if (!watching_ && (!stamp_ || before != stamp_)) {  // another program was first: read afresh
            stamp_.reset();
            return;
        }
        for (const Bytes* path : {&from, &to}) {
            if (!path->empty() && KeyOf(FolderPart(*path)) == folder_) Retake(FileNamePart(*path), path == &to);
        }
        if (watching_) return;
        if (proof_) proof_->dropped.store(true);
        stamp_ = StampOf(folder_);
        stampSince_ = SteadyClockNow();  // the tick is counted from our change
        proven_ = false;
        if (stamp_) StartProof();
    }

private:
    void StartProof() {
        if (proof_ && !proof_->done.load(std::memory_order_acquire)) return;  // taken up when that one ends
        proof_ = std::make_shared<Proof>();
        proof_->folder = folder_;
        proof_->expected = *stamp_;
        proof_->since = stampSince_;
        // Not joined: a slow share must not hold the program at exit.
        std::thread([proof = proof_] { proof->Run(); }).detach();
    }

    // Applies a finished background read that saw the folder as it stands
    // now, logging what it found besides our own changes; one begun before
    // our last change, or that saw the folder move, gives way to another.
    void TakeProof() {
        if (proven_ || !proof_ || !proof_->done.load(std::memory_order_acquire)) return;
        const std::shared_ptr<Proof> proof = std::move(proof_);
        if (proof->dropped.load() || !proof->valid || proof->expected != *stamp_) {  // a proof goes with its folder (Forget)
            StartProof();
            return;
        }
        if (!TakeDifference(entries_, proof->read)) TakeWholeRead(proof->read);
        proven_ = true;
    }

    // Past this many reported changes a fresh read costs less than applying them.
    std::size_t FreshReadThreshold() const { return std::max<std::size_t>(4096, entries_->size() / 4); }

    // The listing to change, copied first while a search still walks it.
    SortedEntries& Writable() {
        ++version_;
        if (entries_.use_count() > 1) entries_ = std::make_shared<SortedEntries>(*entries_);
        return *entries_;
    }

    // Makes `previous` the listing again with a fresh read's differences
    // applied and logged, as reported changes are, so that a list shown from
    // it changes only those rows; false when too much changed for that.
    bool TakeDifference(std::shared_ptr<SortedEntries> previous, std::vector<DirEntry>& read) {
        std::vector<Bytes> gone;
        std::vector<DirEntry*> came;
        const ByNaturalOrder before;
        auto old = previous->begin();
        for (std::size_t i = 0; old != previous->end() || i < read.size();) {
            if (gone.size() + came.size() > kLogLength) return false;
            if (i == read.size() || (old != previous->end() && before(*old, read[i]))) {
                gone.push_back((old++)->name);
            } else if (old == previous->end() || before(read[i], *old)) {
                came.push_back(&read[i++]);
            } else {
                if (old->isDirectory != read[i].isDirectory) gone.push_back(old->name), came.push_back(&read[i]);
                ++old, ++i;
            }
        }
        if (gone.size() + came.size() > kLogLength) return false;
        entries_ = std::move(previous);
        for (const Bytes& name : gone) {
            Writable().erase(DirEntry{name, false});
            Log(name);
        }
        for (DirEntry* entry : came) {
            Writable().insert(*entry);
            Log(entry->name);
        }
        return true;
    }

    void Log(const Bytes& name) {
        log_.emplace_back(version_, name);
        if (log_.size() > kLogLength) logStart_ = log_.front().first, log_.pop_front();
    }

    // Applies the reported changes; false when only a fresh read will do.
    bool ApplyChanges() {
        std::vector<FolderChange> changes;
        if (!watch_.Take(changes, FreshReadThreshold())) return false;
        for (const FolderChange& change : changes) Retake(change.name, change.added);
        return true;
    }

    // The entry `name` taken out and logged; where it `mayBeThere`, put back
    // as the folder has it now (a name gone again by now stays out: a later
    // report says so).
    void Retake(const Bytes& name, bool mayBeThere) {
        SortedEntries& entries = Writable();
        entries.erase(DirEntry{name, false});
        Log(name);
        if (!mayBeThere) return;
        if (auto entry = EntryNamed(folder_, name)) entries.insert(std::move(*entry));
    }

    // A whole read in natural order becomes the listing, with no changes to log.
    void TakeWholeRead(std::vector<DirEntry>& read) {
        SortedEntries& entries = Writable();
        entries.clear();
        for (DirEntry& entry : read) entries.insert(entries.end(), std::move(entry));
        log_.clear();
        logStart_ = version_;
    }

    void Forget() {
        watch_.Stop();
        watching_ = false;
        stamp_.reset();
        proof_.reset();
        folder_.clear();
        if (entries_.use_count() > 1) entries_ = std::make_shared<SortedEntries>();
        else entries_->clear();
    }

    FolderWatch watch_;
    bool watching_ = false;
    std::optional<FolderStamp> stamp_;  // where no reports are trusted
    std::int64_t stampSince_ = 0;       // on the steady clock: stamp_ first seen, after our last change
    bool proven_ = true;                // false while our own change awaits its proof
    std::shared_ptr<Proof> proof_;
    Bytes lastRead_;                    // the folder read afresh last
    Bytes folder_;
    FileIdentity identity_;
    std::shared_ptr<SortedEntries> entries_ = std::make_shared<SortedEntries>();
    unsigned long freshReads_ = 0;
    unsigned long version_ = 0;  // one up at every change of the listing
    // The names changed lately, each with the version it made, back to logStart_.
    static constexpr std::size_t kLogLength = 1024;
    std::deque<std::pair<unsigned long, Bytes>> log_;
    unsigned long logStart_ = 0;
};

FolderSnapshot& Snapshot() {
    static FolderSnapshot snapshot;
    return snapshot;
}

}  // namespace

std::shared_ptr<const SortedEntries> KeptFolderEntries(const Bytes& folder, unsigned long* version) {
    return Snapshot().Entries(folder, version);
}

unsigned long KeptFolderVersion(const Bytes& folder) { return Snapshot().Version(folder); }

OwnFolderChange::OwnFolderChange(const Bytes& from, const Bytes& to) : from_(from), to_(to) {
    kept_ = Snapshot().BeforeOwnChange(FolderPart(from), before_) ||
            (!to.empty() && Snapshot().BeforeOwnChange(FolderPart(to), before_));
}

void OwnFolderChange::Made() {
    if (kept_) Snapshot().AfterOwnChange(from_, to_, before_);
}

std::optional<std::vector<ListingChange>> KeptFolderChangesSince(const Bytes& folder, unsigned long since) {
    return Snapshot().ChangesSince(folder, since);
}

void UseFolderStamps(FolderStampSource source) { stampSource.store(source); }

void IgnoreFolderReports(bool ignore) {
    ignoreReports = ignore;
    Snapshot().Reset();  // the listing kept now is read again under the new rule
}

unsigned long FolderReadCount() { return Snapshot().FreshReads(); }
