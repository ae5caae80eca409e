// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Trash.h"

TrashOutcome MoveToTrash(const Bytes&) { return {false, "ごみ箱が見つかりません", {}}; }

MoveOutcome RestoreFromTrash(const TrashedFile& trashed, const Bytes& to) { return MoveFileAnywhere(trashed.path, to); }
