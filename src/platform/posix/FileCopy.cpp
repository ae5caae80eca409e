// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/Paths.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/FolderSnapshot.h"
#include "platform/posix/NoReplaceMove.h"

namespace {

constexpr std::size_t kChunk = 1 << 16;

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) close(fd);
    }
};

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written, size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Reads up to `size` bytes; fewer only at the end.
ssize_t ReadFull(int fd, char* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

// 0, or the errno of the step that failed; on a difference read back, EIO.
int Copy(int in, int out, const struct stat& source) {
    std::vector<char> buffer(kChunk), again(kChunk);
    for (;;) {
        const ssize_t n = ReadFull(in, buffer.data(), kChunk);
        if (n < 0) return errno;
        if (n == 0) break;
        if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return errno != 0 ? errno : EIO;
    }
    if (fsync(out) != 0) return errno;
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    futimens(out, times);
    // What the disk holds now, not the page cache: the clean pages are dropped first.
    posix_fadvise(out, 0, 0, POSIX_FADV_DONTNEED);
    if (lseek(in, 0, SEEK_SET) != 0 || lseek(out, 0, SEEK_SET) != 0) return errno;
    struct stat copied{};
    if (fstat(out, &copied) != 0) return errno;
    if (copied.st_size != source.st_size) return EIO;
    for (;;) {
        const ssize_t a = ReadFull(in, buffer.data(), kChunk), b = ReadFull(out, again.data(), kChunk);
        if (a < 0 || b < 0) return errno;
        if (a != b || std::memcmp(buffer.data(), again.data(), static_cast<std::size_t>(a)) != 0) return EIO;
        if (a == 0) return 0;
    }
}

// The new name of the copy lasts only once its folder is on the disk too.
int SyncFolderOf(const Bytes& path) {
    Fd folder{open(FolderPart(path, PathStyle::Posix).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd < 0) return errno;
    return fsync(folder.fd) == 0 || errno == EINVAL ? 0 : errno;
}

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The file as it was copied: a write in place moves its size or times on.
bool Unchanged(const struct stat& now, const struct stat& copied) {
    return SameFile(now, copied) && now.st_size == copied.st_size && SameTime(now.st_mtim, copied.st_mtim);
}

}  // namespace

MoveOutcome SystemMoveAcrossVolumes(const Bytes& from, const Bytes& to, const FileIdentity* expected) {
    // A FIFO would block the open, a link would become a copy of its target.
    struct stat named{};
    if (lstat(from.c_str(), &named) != 0) return {false, MoveFailureReason(errno)};
    if (!S_ISREG(named.st_mode)) return {false, kNotARegularFile};
    Fd in{open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)};
    struct stat source{};
    if (in.fd < 0 || fstat(in.fd, &source) != 0) return {false, MoveFailureReason(errno)};
    if (!S_ISREG(source.st_mode)) return {false, kNotARegularFile};
    if (expected != nullptr) {
        const std::optional<FileIdentity> held = IdentityOfOpenFile(in.fd);
        if (!held || !SameFile(*held, *expected)) return {false, kReplacedMeanwhile};
    }
    Fd out{open(to.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, source.st_mode & 07777)};
    if (out.fd < 0) return {false, MoveFailureReason(errno)};
    struct stat made{};
    fstat(out.fd, &made);
    MoveCalls calls;
    int error = Copy(in.fd, out.fd, source);
    if (error == 0) error = SyncFolderOf(to);
    struct stat now{};
    // Its change time alone moves when another program merely renames over it.
    const bool writtenMeanwhile = error == 0 && (fstat(in.fd, &now) != 0 || !Unchanged(now, source));
    if (error == 0 && !writtenMeanwhile) {
        // The name goes only while it holds the very file copied, as it was.
        error = DropName(from, [&source](const struct stat& named) { return Unchanged(named, source); }, calls);
        if (error == 0) return {true, {}};
        // Another program saved a new version under the name: both stay.
        if (error == EEXIST) return {false, kBothKept};
    }
    // The copy goes only while the name still holds it.
    DropName(to, made, calls);
    return {false, writtenMeanwhile ? kWrittenMeanwhile : MoveFailureReason(error)};
}

MoveOutcome SystemRemoveFile(const Bytes& path) {
    if (unlink(path.c_str()) == 0) return {true, {}};
    return {false, MoveFailureReason(errno)};
}
