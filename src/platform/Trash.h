// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Bytes.h"
#include "platform/FileSystem.h"

// A file in the platform's trash, and what the trash keeps about it.
struct TrashedFile {
    Bytes path;  // where the file is now, inside the trash
    Bytes info;  // the trash's note of where it came from (removed on restore); may be empty
};

struct TrashOutcome {
    bool moved = false;
    Bytes reason;  // the platform's reason when not moved
    TrashedFile trashed;
};

// Moves a file to the trash the desktop shows (the freedesktop trash, the
// Recycle Bin). It is never deleted outright: when there is no trash for it,
// it stays, with the reason.
TrashOutcome MoveToTrash(const Bytes& path);

// Moves a trashed file back to `to`, never over an existing file, and lets
// the trash forget it.
MoveOutcome RestoreFromTrash(const TrashedFile& trashed, const Bytes& to);
