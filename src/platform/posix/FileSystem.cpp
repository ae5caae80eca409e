// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <time.h>
#include <unistd.h>
#include <cerrno>

#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "platform/FolderSnapshot.h"
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
    case 0x2011BAB0:  // exfat: a scanner's card, local to this kernel
    case 0x4D44:      // vfat, msdos
    case 0x7366746E:  // ntfs3
        return true;
    default:
        return false;  // network and other file systems change behind the kernel's back
    }
}

}  // namespace

// The kept listing's reports come from inotify, which the kernel fills as
// each change is made.
struct FolderWatch::State {
    int inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    int watch = -1;
};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() {
    if (state_->inotify >= 0) close(state_->inotify);
}

bool FolderWatch::Start(const Bytes& folder) {
    if (state_->inotify < 0 || !IsLocalFileSystem(folder)) return false;
    state_->watch = inotify_add_watch(state_->inotify, folder.c_str(),
                                      IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
                                          IN_MOVE_SELF | IN_ONLYDIR);
    return state_->watch >= 0;
}

void FolderWatch::Stop() {
    if (state_->watch >= 0) inotify_rm_watch(state_->inotify, state_->watch);
    alignas(inotify_event) char buffer[4096];
    while (read(state_->inotify, buffer, sizeof buffer) > 0) {
    }
    state_->watch = -1;
}

bool FolderWatch::Take(std::vector<FolderChange>& changes, std::size_t limit) {
    alignas(inotify_event) char buffer[64 * 1024];
    ssize_t n;
    while ((n = read(state_->inotify, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            at += sizeof(inotify_event) + event->len;
            if (event->mask & (IN_Q_OVERFLOW | IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT)) return false;
            if (event->wd != state_->watch || event->len == 0) continue;
            if (changes.size() >= limit) return false;
            changes.push_back({event->name, (event->mask & (IN_CREATE | IN_MOVED_TO)) != 0});
        }
    }
    return true;
}

// Every entry (named, "." for the current one).
std::optional<FolderStamp> FreshFolderStamp(const Bytes& folder) {
    // Forced: a network file system asks its server, not its attribute cache.
    struct statx info{};
    if (statx(AT_FDCWD, folder.c_str(), AT_STATX_FORCE_SYNC, STATX_MTIME | STATX_CTIME, &info) != 0) return std::nullopt;
    const auto ns = [](const statx_timestamp& t) { return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec; };
    return FolderStamp{ns(info.stx_mtime), ns(info.stx_ctime)};
}

std::int64_t SteadyClockNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

void WaitNanoseconds(std::int64_t ns) {
    timespec wait{time_t(ns / 1000000000), long(ns % 1000000000)};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

std::vector<DirEntry> ReadFolderEntries(const Bytes& folder) {
    std::vector<DirEntry> found;
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir) return found;
    const int fd = dirfd(dir.get());
    while (const dirent* entry = readdir(dir.get())) found.push_back({entry->d_name, IsDirectoryEntry(fd, *entry)});
    return found;
}

std::optional<DirEntry> EntryNamed(const Bytes& folder, const Bytes& name) {
    const Bytes path = WithTrailingDelimiter(folder) + name;
    struct stat st{};
    if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) return std::nullopt;
    return DirEntry{name, S_ISDIR(st.st_mode)};
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
    const auto listing = KeptFolderEntries(folder);
    if (!HasWildcard(pattern)) {
        // Names that differ only in letter case share a natural key and sort
        // together, the all-capitals form first: a look-up, not a scan.
        Bytes capitals = pattern;
        for (char& c : capitals) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        const std::string key = NaturalKey(pattern);
        for (auto at = listing->lower_bound(DirEntry{capitals, false}); at != listing->end() && NaturalKey(at->name) == key; ++at) {
            if (WildcardMatch(pattern, at->name)) return *at;
        }
        return std::nullopt;
    }
    for (const DirEntry& entry : *listing) {
        if (WildcardMatch(pattern, entry.name)) return entry;
    }
    return std::nullopt;
}

bool PathExists(const Bytes& path) {
    struct stat st{};
    return !path.empty() && lstat(path.c_str(), &st) == 0;
}

bool FolderExists(const Bytes& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

MoveOutcome SystemMoveNoReplace(const Bytes& from, const Bytes& to) {
    MoveCalls system;
    return MoveFileNoReplace(from, to, system);
}
