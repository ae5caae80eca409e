// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>

#include "core/Bytes.h"

// What tells one file apart from another and from an earlier state of itself:
// the volume and file number, which a rename keeps, the time the file was made
// (where the file system keeps it: a new file may get a freed number at once),
// with the size and the time of the last write.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t born = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Still the file that was recorded. With a birth time, whatever was written to
// it since; without one (NFSv3, many FUSE mounts, old FAT) a freed file number
// may already name a new file, so the size and last write must match as well.
inline bool SameFile(const FileIdentity& now, const FileIdentity& recorded) {
    if (now.volume != recorded.volume || now.file != recorded.file || now.born != recorded.born) return false;
    return recorded.born != 0 || (now.size == recorded.size && now.modified == recorded.modified);
}

// The identity of what is stored under `path` now; none when nothing is.
std::optional<FileIdentity> IdentityOfPath(const Bytes& path);
// The identity of a file the caller holds open (a descriptor on POSIX, a HANDLE on Windows).
std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t nativeHandle);
