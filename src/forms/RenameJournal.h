// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <vector>

#include "core/Bytes.h"
#include "platform/FileIdentity.h"
#include "platform/Trash.h"

// This session's completed renames, trashings and moves, in one order, in
// memory only: they end with the process.
struct RenameRecord {
    enum class Kind { Rename, Trash, Move };
    Bytes folder;   // where the file was, with its trailing delimiter
    Bytes oldName;
    Bytes newName;  // its name where it went (in the trash, the trash's own name)
    FileIdentity identity;  // of the file as it was renamed, trashed or moved
    Kind kind = Kind::Rename;
    Bytes newFolder{};    // a move's target folder, with its trailing delimiter
    TrashedFile trashed{};  // where the trash keeps it

    // Where the file is now, as far as this session knows.
    Bytes NewPath() const;
    // "名前の変更", "ごみ箱" or "移動", and what happened: a line of the history.
    Bytes Line() const;
};

class RenameJournal {
public:
    void Record(RenameRecord record) { records_.push_back(std::move(record)); }
    bool Empty() const { return records_.empty(); }
    std::size_t Size() const { return records_.size(); }
    const RenameRecord& At(std::size_t index) const { return records_.at(index); }  // oldest first
    const RenameRecord& Newest() const { return records_.back(); }
    void Remove(std::size_t index) { records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(index)); }
    // The journal as text, newest first, a line each: what, old path → where.
    Bytes AsText() const;

private:
    std::vector<RenameRecord> records_;
};
