// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "core/Bytes.h"

// What the readers read a file as, told by its extension.
enum class FileKind : unsigned char { Other = 0, Pdf = 1, Mp3 = 2 };
FileKind KindOfPath(const Bytes& path);

// Larger files are not read for names: a scan or a recording is far smaller.
constexpr std::uint64_t kLargestPdf = 256ull << 20;
constexpr std::uint64_t kLargestMp3 = 1024ull << 20;
