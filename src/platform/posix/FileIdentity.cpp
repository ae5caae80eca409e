// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIdentity.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

std::int64_t Nanoseconds(const struct statx_timestamp& t) { return std::int64_t(t.tv_sec) * 1000000000LL + t.tv_nsec; }

std::optional<FileIdentity> Of(int dirFd, const char* path, int flags) {
    struct statx info{};
    if (statx(dirFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return std::nullopt;
    return FileIdentity{std::uint64_t(info.stx_dev_major) << 32 | info.stx_dev_minor, info.stx_ino, info.stx_size,
                        Nanoseconds(info.stx_mtime), (info.stx_mask & STATX_BTIME) ? Nanoseconds(info.stx_btime) : 0};
}

}  // namespace

std::optional<FileIdentity> IdentityOfPath(const Bytes& path) { return Of(AT_FDCWD, path.c_str(), 0); }

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t nativeHandle) {
    return Of(static_cast<int>(nativeHandle), "", AT_EMPTY_PATH);
}
