// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/FileIdentity.h"
#include "platform/WholeFile.h"

// A regular file held open for reading while others may rename, write or
// delete it: the backend's part of ReadFileEnds.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    // None, or why it is not a file that can be read; a pipe or a device is
    // refused without waiting on it. `identity` is that of what was opened.
    ReadProblem Open(const std::u16string& path, std::optional<FileIdentity>* identity);
    std::uint64_t Size() const { return size_; }
    // `size` bytes from `at`; false on an error or an early end.
    bool ReadAt(char* data, std::uint64_t size, std::uint64_t at);

private:
    std::intptr_t handle_ = -1;
    std::uint64_t size_ = 0;
};
