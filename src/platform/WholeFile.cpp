// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WholeFile.h"

#include <algorithm>

#include "platform/ReadOnlyFile.h"

ReadProblem ReadFileEnds(const std::u16string& path, const EndsWanted& wanted,
                         const std::function<char*(std::size_t)>& storage, std::optional<FileIdentity>* identity) {
    ReadOnlyFile file;
    if (const ReadProblem problem = file.Open(path, identity); problem != ReadProblem::None) return problem;
    const std::uint64_t size = file.Size();
    char first[kFirstBytes];
    const std::uint64_t firstLength = std::min<std::uint64_t>(size, kFirstBytes);
    if (!file.ReadAt(first, firstLength, 0)) return ReadProblem::Unreadable;
    const std::optional<FileEnds> ends = wanted(size, {first, std::size_t(firstLength)});
    if (!ends) return ReadProblem::TooLarge;
    const std::uint64_t head = std::min(ends->head, size), tail = std::min(ends->tail, size - head);
    char* data = nullptr;
    if (head + tail > 0 && (data = storage(std::size_t(head + tail))) == nullptr) return ReadProblem::TooLarge;
    if (!file.ReadAt(data, head, 0) || !file.ReadAt(data + head, tail, size - tail)) return ReadProblem::Unreadable;
    return ReadProblem::None;
}

ReadProblem ReadWholeFile(const std::u16string& path, std::uint64_t largest,
                          const std::function<char*(std::size_t)>& storage, std::optional<FileIdentity>* identity) {
    return ReadFileEnds(
        path,
        [largest](std::uint64_t size, std::string_view) -> std::optional<FileEnds> {
            if (size >= largest) return std::nullopt;
            return FileEnds{size, 0};
        },
        storage, identity);
}
