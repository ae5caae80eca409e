// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of the file-system services that every backend shares.
#include "platform/FileSystem.h"

#include <algorithm>

#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "platform/FolderSnapshot.h"

namespace {

// ASCII letters folded by table, and the match below on plain pointers: it
// runs twice a step for each name of a 100,000-file folder, also in the
// unoptimized test build.
struct FoldTable {
    unsigned char to[256];
    constexpr FoldTable() : to() {
        for (int c = 0; c < 256; ++c) to[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
};
constexpr FoldTable kFold;

}  // namespace

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
    const auto* const patternEnd = p + pattern.size();
    const auto* n = reinterpret_cast<const unsigned char*>(name.data());
    const auto* const nameEnd = n + name.size();
    const unsigned char* starP = nullptr;
    const unsigned char* starN = nullptr;
    while (n < nameEnd) {
        if (p < patternEnd && *p == '*') {
            starP = p++;
            starN = n;
        } else if (p < patternEnd && (*p == '?' || kFold.to[*p] == kFold.to[*n])) {
            ++p;
            ++n;
        } else if (starP != nullptr) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < patternEnd && *p == '*') ++p;
    return p == patternEnd;
}

// The kept listing, shared and left as it is while the search holds it: no
// copy of 100,000 names per search. Filtered on the long names: the
// platform's own search would also match Windows' 8.3 short names.
struct DirectorySearch::Walk {
    std::shared_ptr<const SortedEntries> listing;
    unsigned long version;
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
    unsigned long version = 0;
    auto listing = KeptFolderEntries(FolderPart(searchPath), &version);
    const auto begin = listing->begin();
    walk_.reset(new Walk{std::move(listing), version, begin, std::move(pattern)});
    current_ = walk_->Match();
}

DirectorySearch::~DirectorySearch() = default;

bool DirectorySearch::Next() {
    if (current_ == nullptr) return false;
    ++walk_->at;
    current_ = walk_->Match();
    return current_ != nullptr;
}

unsigned long DirectorySearch::ListingVersion() const { return walk_ ? walk_->version : 0; }

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

MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to) {
    OwnFolderChange change(from, to);
    MoveOutcome outcome = SystemMoveNoReplace(from, to);
    if (outcome.moved) change.Made();
    return outcome;
}

MoveOutcome RemoveFile(const Bytes& path) {
    OwnFolderChange change(path, {});
    MoveOutcome outcome = SystemRemoveFile(path);
    if (outcome.moved) change.Made();
    return outcome;
}

MoveOutcome MoveFileAnywhere(const Bytes& from, const Bytes& to, const FileIdentity* expected) {
    MoveOutcome outcome = MoveFileNoReplace(from, to);
    if (outcome.moved || !outcome.otherVolume) return outcome;
    OwnFolderChange change(from, to);
    outcome = SystemMoveAcrossVolumes(from, to, expected);
    if (outcome.moved) change.Made();
    return outcome;
}
