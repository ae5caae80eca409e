// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ReadOnlyFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/CodePage.h"

ReadOnlyFile::~ReadOnlyFile() {
    if (handle_ >= 0) close(int(handle_));
}

ReadProblem ReadOnlyFile::Open(const std::u16string& path, std::optional<FileIdentity>* identity) {
    identity->reset();
    // By its byte path; O_NONBLOCK: a pipe or device named .pdf must not hang the program.
    const int fd = open(FromUtf16(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadProblem::Missing : ReadProblem::Unreadable;
    handle_ = fd;
    struct stat info{};
    *identity = IdentityOfOpenFile(fd);
    if (!*identity || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return ReadProblem::NotAFile;
    size_ = std::uint64_t(info.st_size);
    return ReadProblem::None;
}

bool ReadOnlyFile::ReadAt(char* data, std::uint64_t size, std::uint64_t at) {
    for (std::uint64_t done = 0; done < size;) {
        const ssize_t n = pread(int(handle_), data + done, size - done, off_t(at + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::uint64_t(n);
    }
    return true;
}
