// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderSnapshot.h"

#include <algorithm>
#include <deque>

#include "core/NaturalOrder.h"
#include "platform/FileIdentity.h"

bool ByNaturalOrder::operator()(const DirEntry& a, const DirEntry& b) const { return NaturalLess(a.name, b.name); }

namespace {

bool ignoreReports = false;  // see IgnoreFolderReports

// The file system's clock tick, as far as a time it wrote tells: FAT keeps
// two seconds, many servers whole seconds, the rest far finer (the kernel's
// coarse clock moves in a few ms).
constexpr std::int64_t kFineTick = 20'000'000;

std::int64_t ClockTick(std::int64_t time) {
    constexpr std::int64_t kSecond = 1'000'000'000;
    if (time % kSecond != 0) return kFineTick;
    return time % (2 * kSecond) != 0 ? kSecond : 2 * kSecond;
}

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
            std::int64_t readAt = StampClockNow();
            stamp_ = watching_ ? std::nullopt : FreshFolderStamp(key);
            // Changed a moment ago (as by our own rename) on a fine clock:
            // where the last read of this folder took longer, waiting out the
            // tick costs less than reading it again at the next step.
            const std::int64_t wait = stamp_ ? stamp_->modified + kFineTick - readAt : 0;
            if (stamp_ && ClockTick(stamp_->modified) <= kFineTick && wait > 0 && key == lastRead_ &&
                wait < lastReadNs_) {
                WaitNanoseconds(wait);
                readAt = StampClockNow();
                stamp_ = FreshFolderStamp(key);
            }
            std::vector<DirEntry> read = ReadFolderEntries(key);
            SortNaturally(read);
            if (!previous || !TakeDifference(std::move(previous), read)) {
                SortedEntries& entries = Writable();
                for (DirEntry& entry : read) entries.insert(entries.end(), std::move(entry));
                ++version_;
                log_.clear();
                logStart_ = version_;
            }
            folder_ = watching_ || stamp_ ? key : Bytes();
            identity_ = now.value_or(FileIdentity{});
            // Within the file system's clock tick of the read, a later change
            // could leave the modification time as it was: such a stamp proves
            // nothing yet. An older one moves on with any change of the entries.
            if (stamp_ && readAt - stamp_->modified < ClockTick(stamp_->modified)) stamp_.reset();
            ++freshReads_;
            lastRead_ = key;
            lastReadNs_ = StampClockNow() - readAt;
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
    // the ones it was read under.
    bool Stamped(const Bytes& key, const std::optional<FileIdentity>& now) {
        if (!stamp_ || watching_ || key != folder_ || !SameFolder(now)) return false;
        if (FreshFolderStamp(key) == stamp_) return true;
        stamp_.reset();
        return false;
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
        for (const FolderChange& change : changes) {
            SortedEntries& entries = Writable();
            entries.erase(DirEntry{change.name, false});
            Log(change.name);
            if (!change.added) continue;
            // A name gone again by now stays out: a later report says so.
            if (auto entry = EntryNamed(folder_, change.name)) entries.insert(std::move(*entry));
        }
        return true;
    }

    void Forget() {
        watch_.Stop();
        watching_ = false;
        stamp_.reset();
        folder_.clear();
        if (entries_.use_count() > 1) entries_ = std::make_shared<SortedEntries>();
        else entries_->clear();
    }

    FolderWatch watch_;
    bool watching_ = false;
    std::optional<FolderStamp> stamp_;  // where no reports are trusted
    Bytes lastRead_;                    // the folder read afresh last, and how long it took
    std::int64_t lastReadNs_ = 0;
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

std::optional<std::vector<ListingChange>> KeptFolderChangesSince(const Bytes& folder, unsigned long since) {
    return Snapshot().ChangesSince(folder, since);
}

void IgnoreFolderReports(bool ignore) {
    ignoreReports = ignore;
    Snapshot().Reset();  // the listing kept now is read again under the new rule
}

unsigned long FolderReadCount() { return Snapshot().FreshReads(); }
