// SPDX-License-Identifier: GPL-3.0-or-later
// What both trashes share: bringing a file back is a move, then the note goes.
#include "platform/Trash.h"

MoveOutcome RestoreFromTrash(const TrashedFile& trashed, const Bytes& to) {
    MoveOutcome outcome = MoveFileAnywhere(trashed.path, to);
    if (!outcome.moved || trashed.info.empty()) return outcome;
    // A note left behind would list a file that is no longer in the trash.
    const MoveOutcome note = RemoveFile(trashed.info);
    if (!note.moved) outcome.leftBehind = "ごみ箱の記録「" + trashed.info + "」を消せませんでした: " + note.reason;
    return outcome;
}
