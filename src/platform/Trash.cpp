// SPDX-License-Identifier: GPL-3.0-or-later
// What both trashes share: bringing a file back is a move, then the note goes.
#include "platform/Trash.h"

MoveOutcome RestoreFromTrash(const TrashedFile& trashed, const Bytes& to) {
    MoveOutcome outcome = MoveFileAnywhere(trashed.path, to);
    if (outcome.moved && !trashed.info.empty()) RemoveFile(trashed.info);
    return outcome;
}
