// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <vector>

#include "platform/FileSystem.h"

// Every entry a directory search yields, in its order.
inline std::vector<DirEntry> Search(const Bytes& searchPath) {
    std::vector<DirEntry> found;
    DirectorySearch search(searchPath);
    for (bool more = search.Found(); more; more = search.Next()) found.push_back(search.Current());
    return found;
}

inline std::vector<Bytes> Names(const std::vector<DirEntry>& entries) {
    std::vector<Bytes> names;
    for (const auto& e : entries) names.push_back(e.name);
    return names;
}
