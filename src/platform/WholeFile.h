// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileIdentity.h"

// Why a file could not be read whole.
enum class ReadProblem { None, Missing, Unreadable, NotAFile, TooLarge };

// Reads a whole regular file into storage the caller provides, and closes it
// again: a viewer that shows it then holds no handle on it. `storage` is asked
// once for room for the file's size and answers null when it has none
// (TooLarge, unless the file is empty). `identity` is that of the file opened, when it was.
// Pipes and devices are refused without waiting on them.
ReadProblem ReadWholeFile(const std::u16string& path, std::uint64_t largest,
                          const std::function<char*(std::size_t size)>& storage,
                          std::optional<FileIdentity>* identity);

// The parts of a file worth reading: its first `head` bytes and its last
// `tail`; none when it is too large to read at all.
struct FileEnds {
    std::uint64_t head = 0, tail = 0;
};
// How much of a file of `size` bytes to read, told by its first bytes (up to kFirstBytes).
constexpr std::size_t kFirstBytes = 16;
using EndsWanted = std::function<std::optional<FileEnds>(std::uint64_t size, std::string_view first)>;
// As ReadWholeFile, but only the ends that `wanted` asks for, one after the
// other in the storage (asked for once, for both): a recording's tags, not
// its hour of sound.
ReadProblem ReadFileEnds(const std::u16string& path, const EndsWanted& wanted,
                         const std::function<char*(std::size_t size)>& storage, std::optional<FileIdentity>* identity);
