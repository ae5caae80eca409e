// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WholeFile.h"

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
