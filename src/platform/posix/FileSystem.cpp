// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "platform/posix/NoReplaceMove.h"

PathStyle NativePathStyle() { return PathStyle::Posix; }

namespace {

bool HasWildcard(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

// Closes a DIR* on every path.
struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

bool IsDirectoryEntry(int dirFd, const dirent& entry) {
    if (entry.d_type == DT_DIR) return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK) return false;
    struct stat st{};
    return fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

// Every entry of a folder (named, "." for the current one), naturally sorted.
std::vector<DirEntry> ReadSortedFolder(const Bytes& folder) {
    std::vector<DirEntry> found;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return found;
    const int fd = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) found.push_back({entry->d_name, IsDirectoryEntry(fd, *entry)});
    SortNaturally(found);
    return found;
}

bool IsLocalFileSystem(const Bytes& folder) {
    struct statfs fs{};
    if (statfs(folder.c_str(), &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:      // ext2/3/4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0xF2F52010:  // f2fs
    case 0x794C7630:  // overlayfs
        return true;
    default:
        return false;  // network and other file systems change behind the kernel's back
    }
}

struct ByNaturalOrder {
    bool operator()(const DirEntry& a, const DirEntry& b) const { return NaturalLess(a.name, b.name); }
};
using SortedEntries = std::set<DirEntry, ByNaturalOrder>;

// The last folder read, kept up to date from the kernel's change reports
// (inotify, watched before the read): stepping through a folder of 100,000
// files reads it once, then applies each change in O(log n). The folder is
// known by its identity, checked at every search, so a folder renamed away
// and replaced, a retargeted link or a mount over it is read afresh. Folders
// on file systems that other machines can change are read at every search.
class FolderSnapshot {
public:
    FolderSnapshot() : inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~FolderSnapshot() {
        if (inotify_ >= 0) close(inotify_);
    }

    const SortedEntries& Entries(const Bytes& folder) {
        const Bytes key = folder.empty() ? Bytes(".") : folder;
        struct stat now{};
        const bool exists = stat(key.c_str(), &now) == 0;
        const bool same = exists && watch_ >= 0 && key == folder_ && now.st_dev == identity_.st_dev &&
                          now.st_ino == identity_.st_ino;
        if (!same || !ApplyChanges()) {
            Forget();
            if (exists && inotify_ >= 0 && IsLocalFileSystem(key)) {
                watch_ = inotify_add_watch(inotify_, key.c_str(),
                                           IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                               IN_MOVE_SELF | IN_ONLYDIR);
            }
            for (DirEntry& entry : ReadSortedFolder(key)) entries_.insert(entries_.end(), std::move(entry));
            folder_ = watch_ >= 0 ? key : Bytes();
            identity_ = now;
            ++freshReads_;
        }
        return entries_;
    }

    unsigned long FreshReads() const { return freshReads_; }

private:
    // Past this many reported changes a fresh read costs less than applying them.
    std::size_t FreshReadThreshold() const { return std::max<std::size_t>(4096, entries_.size() / 4); }

    // Applies the reported changes; false when only a fresh read will do.
    bool ApplyChanges() {
        alignas(inotify_event) char buffer[64 * 1024];
        std::size_t applied = 0;
        ssize_t n;
        while ((n = read(inotify_, buffer, sizeof buffer)) > 0) {
            for (char* at = buffer; at < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                at += sizeof(inotify_event) + event->len;
                if (event->mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) return false;
                if (event->wd != watch_ || event->len == 0) continue;
                if (++applied > FreshReadThreshold()) return false;
                DirEntry entry{event->name, false};
                entries_.erase(entry);
                if (event->mask & (IN_CREATE | IN_MOVED_TO)) Insert(std::move(entry));
            }
        }
        return true;
    }

    void Insert(DirEntry entry) {
        const Bytes path = WithTrailingDelimiter(folder_) + entry.name;
        struct stat st{};
        if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) return;  // gone again: a later report says so
        entry.isDirectory = S_ISDIR(st.st_mode);
        entries_.insert(std::move(entry));
    }

    void Forget() {
        if (watch_ >= 0) inotify_rm_watch(inotify_, watch_);
        alignas(inotify_event) char buffer[4096];
        while (read(inotify_, buffer, sizeof buffer) > 0) {
        }
        watch_ = -1;
        folder_.clear();
        entries_.clear();
    }

    int inotify_;
    int watch_ = -1;
    Bytes folder_;
    struct stat identity_{};
    SortedEntries entries_;
    unsigned long freshReads_ = 0;
};

FolderSnapshot& Snapshot() {
    static FolderSnapshot snapshot;
    return snapshot;
}

}  // namespace

DirectorySearch::DirectorySearch(const Bytes& searchPath) {
    const Bytes pattern = FileNamePart(searchPath);
    if (pattern.empty()) return;
    for (const DirEntry& entry : Snapshot().Entries(FolderPart(searchPath))) {
        if (WildcardMatch(pattern, entry.name)) entries_.push_back(entry);
    }
    next_ = entries_.empty() ? 0 : 1;
}

std::optional<DirEntry> FindFirstMatch(const Bytes& searchPath) {
    const Bytes folder = FolderPart(searchPath);
    const Bytes pattern = FileNamePart(searchPath);
    if (pattern.empty()) return std::nullopt;
    if (!HasWildcard(pattern)) {
        // The exact name is the common case and costs one stat, not a scan.
        struct stat st{};
        if (stat(searchPath.c_str(), &st) == 0) return DirEntry{pattern, S_ISDIR(st.st_mode)};
        if (errno == ENOTDIR) return std::nullopt;
    }
    for (const DirEntry& entry : Snapshot().Entries(folder)) {
        if (WildcardMatch(pattern, entry.name)) return entry;
    }
    return std::nullopt;
}

unsigned long FolderReadCount() { return Snapshot().FreshReads(); }

bool PathExists(const Bytes& path) {
    struct stat st{};
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool FolderExists(const Bytes& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to) {
    MoveCalls system;
    return MoveFileNoReplace(from, to, system);
}
