// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <vector>

#include "core/Bytes.h"
#include "platform/FileIdentity.h"

// This session's completed renames, in memory only: they end with the process.
struct RenameRecord {
    Bytes folder;   // with its trailing delimiter
    Bytes oldName;
    Bytes newName;
    FileIdentity identity;  // of the file as it was renamed
};

class RenameJournal {
public:
    void Record(RenameRecord record) { records_.push_back(std::move(record)); }
    bool Empty() const { return records_.empty(); }
    std::size_t Size() const { return records_.size(); }
    const RenameRecord& At(std::size_t index) const { return records_.at(index); }  // oldest first
    const RenameRecord& Newest() const { return records_.back(); }
    void Remove(std::size_t index) { records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index)); }
    // The journal as text, newest first, a line each: old → new.
    Bytes AsText() const;

private:
    std::vector<RenameRecord> records_;
};
