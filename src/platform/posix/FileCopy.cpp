// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <vector>

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
    // What the disk holds now, read back and compared.
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

}  // namespace

MoveOutcome CopyToNewFile(const Bytes& from, const Bytes& to) {
    Fd in{open(from.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat source{};
    if (in.fd < 0 || fstat(in.fd, &source) != 0) return {false, MoveFailureReason(errno)};
    if (!S_ISREG(source.st_mode)) return {false, MoveFailureReason(EISDIR)};
    Fd out{open(to.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 07777)};
    if (out.fd < 0) return {false, MoveFailureReason(errno)};
    struct stat made{};
    fstat(out.fd, &made);
    const int error = Copy(in.fd, out.fd, source);
    if (error == 0) return {true, {}};
    // Only the file made here goes: another program may have put its own in its place.
    struct stat now{};
    if (stat(to.c_str(), &now) == 0 && now.st_dev == made.st_dev && now.st_ino == made.st_ino) unlink(to.c_str());
    return {false, MoveFailureReason(error)};
}

MoveOutcome SystemRemoveFile(const Bytes& path) {
    if (unlink(path.c_str()) == 0) return {true, {}};
    return {false, MoveFailureReason(errno)};
}
