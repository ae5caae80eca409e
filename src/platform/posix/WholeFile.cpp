// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WholeFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/CodePage.h"

ReadProblem ReadWholeFile(const std::u16string& path, std::uint64_t largest,
                          const std::function<char*(std::size_t)>& storage, std::optional<FileIdentity>* identity) {
    identity->reset();
    // By its byte path; O_NONBLOCK: a pipe or device named .pdf must not hang the program.
    const int fd = open(FromUtf16(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == ENOENT ? ReadProblem::Missing : ReadProblem::Unreadable;
    ReadProblem problem = ReadProblem::None;
    struct stat info{};
    *identity = IdentityOfOpenFile(fd);
    char* data = nullptr;
    if (!*identity || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) problem = ReadProblem::NotAFile;
    else if (std::uint64_t(info.st_size) >= largest || ((data = storage(std::size_t(info.st_size))) == nullptr && info.st_size > 0))
        problem = ReadProblem::TooLarge;
    for (off_t done = 0; problem == ReadProblem::None && done < info.st_size;) {
        const ssize_t n = read(fd, data + done, info.st_size - done);
        if (n <= 0) problem = ReadProblem::Unreadable;
        else done += n;
    }
    close(fd);
    return problem;
}
