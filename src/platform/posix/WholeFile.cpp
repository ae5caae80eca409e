// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "core/CodePage.h"

namespace {

bool ReadAt(int fd, char* data, std::uint64_t size, off_t at) {
    for (std::uint64_t done = 0; done < size;) {
        const ssize_t n = pread(fd, data + done, size - done, at + off_t(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::uint64_t(n);
    }
    return true;
}

}  // namespace

ReadProblem ReadFileEnds(const std::u16string& path, const EndsWanted& wanted,
                         const std::function<char*(std::size_t)>& storage, std::optional<FileIdentity>* identity) {
    identity->reset();
    // By its byte path; O_NONBLOCK: a pipe or device named .pdf must not hang the program.
    const int fd = open(FromUtf16(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadProblem::Missing : ReadProblem::Unreadable;
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    struct stat info{};
    *identity = IdentityOfOpenFile(fd);
    if (!*identity || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return ReadProblem::NotAFile;
    const auto size = std::uint64_t(info.st_size);
    char first[kFirstBytes];
    const std::uint64_t firstLength = std::min<std::uint64_t>(size, kFirstBytes);
    if (!ReadAt(fd, first, firstLength, 0)) return ReadProblem::Unreadable;
    const std::optional<FileEnds> ends = wanted(size, {first, std::size_t(firstLength)});
    if (!ends) return ReadProblem::TooLarge;
    const std::uint64_t head = std::min(ends->head, size), tail = std::min(ends->tail, size - head);
    char* data = nullptr;
    if (head + tail > 0 && (data = storage(std::size_t(head + tail))) == nullptr) return ReadProblem::TooLarge;
    if (!ReadAt(fd, data, head, 0) || !ReadAt(fd, data + head, tail, off_t(size - tail))) return ReadProblem::Unreadable;
    return ReadProblem::None;
}
