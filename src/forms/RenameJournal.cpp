// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/RenameJournal.h"

Bytes RenameJournal::AsText() const {
    Bytes text;
    for (auto record = records_.rbegin(); record != records_.rend(); ++record)
        text += record->folder + record->oldName + " → " + record->newName + "\n";
    return text;
}
