// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <string_view>

#include "platform/WholeFile.h"

#include "core/Bytes.h"

// What the readers read a file as, told by its extension.
enum class FileKind : unsigned char { Other = 0, Pdf = 1, Mp3 = 2 };
FileKind KindOfPath(const Bytes& path);

// Larger files are not read for names: a scan or a recording is far smaller.
constexpr std::uint64_t kLargestPdf = 256ull << 20;
constexpr std::uint64_t kLargestMp3 = 1024ull << 20;

// The ID3v2 tag's declared size at the start of an MP3, header and footer
// included; 0 without one.
std::size_t Id3v2Size(std::string_view file);
// The most of an MP3's start read for its tag: a cover picture fits.
constexpr std::uint64_t kLargestMp3Head = 16ull << 20;
// What of a file the readers read: a PDF whole, an MP3 only as far as its
// ID3v2 tag (and a little of its sound) and its last 128 bytes, ID3v1's place.
EndsWanted EndsToRead(FileKind kind);

// Whether a read that met `problem` still read a file, one that keeps its
// identity as read: a file too large for names is one, with none.
inline bool ReadAFile(ReadProblem problem) { return problem == ReadProblem::None || problem == ReadProblem::TooLarge; }
