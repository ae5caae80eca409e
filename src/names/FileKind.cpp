// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/FileKind.h"

#include <algorithm>

FileKind KindOfPath(const Bytes& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == Bytes::npos) return FileKind::Other;
    Bytes extension = path.substr(dot + 1);
    for (char& c : extension) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension == "pdf" ? FileKind::Pdf : extension == "mp3" ? FileKind::Mp3 : FileKind::Other;
}

std::size_t Id3v2Size(std::string_view file) {
    if (file.size() < 10 || file.compare(0, 3, "ID3") != 0) return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) size = (size << 7) | (static_cast<unsigned char>(file[i]) & 0x7F);
    return size + 20;
}

EndsWanted EndsToRead(FileKind kind) {
    return [kind](std::uint64_t size, std::string_view first) -> std::optional<FileEnds> {
        if (size >= (kind == FileKind::Pdf ? kLargestPdf : kLargestMp3)) return std::nullopt;
        if (kind != FileKind::Mp3) return FileEnds{size, 0};
        return FileEnds{std::min<std::uint64_t>(Id3v2Size(first) + 4096, kLargestMp3Head), 128};
    };
}
