// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the file-system services that every backend shares.
#include "platform/FileSystem.h"

#include <algorithm>

#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "platform/FolderSnapshot.h"

namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Fold(static_cast<unsigned char>(pattern[p])) ==
                                             Fold(static_cast<unsigned char>(name[n])))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

// The kept listing, shared and left as it is while the search holds it: no
// copy of 100,000 names per search. Filtered on the long names: the
// platform's own search would also match Windows' 8.3 short names.
struct DirectorySearch::Walk {
    std::shared_ptr<const SortedEntries> listing;
    SortedEntries::const_iterator at;
    Bytes pattern;

    const DirEntry* Match() {
        while (at != listing->end() && !WildcardMatch(pattern, at->name)) ++at;
        return at != listing->end() ? &*at : nullptr;
    }
};

DirectorySearch::DirectorySearch(const Bytes& searchPath) {
    Bytes pattern = FileNamePart(searchPath);
    if (pattern.empty()) return;
    auto listing = KeptFolderEntries(FolderPart(searchPath));
    const auto begin = listing->begin();
    walk_.reset(new Walk{std::move(listing), begin, std::move(pattern)});
    current_ = walk_->Match();
}

DirectorySearch::~DirectorySearch() = default;

bool DirectorySearch::Next() {
    if (current_ == nullptr) return false;
    ++walk_->at;
    current_ = walk_->Match();
    return current_ != nullptr;
}

void SortNaturally(std::vector<DirEntry>& entries) {
    // Keys made once per name: a folder of 100,000 names sorts in a few ms.
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) keys.emplace_back(NaturalKey(entries[i].name), i);
    std::sort(keys.begin(), keys.end(), [&entries](const auto& a, const auto& b) {
        const int c = a.first.compare(b.first);
        return c != 0 ? c < 0 : entries[a.second].name < entries[b.second].name;
    });
    std::vector<DirEntry> sorted;
    sorted.reserve(entries.size());
    for (const auto& key : keys) sorted.push_back(std::move(entries[key.second]));
    entries = std::move(sorted);
}
