// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

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
