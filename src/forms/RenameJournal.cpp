// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/RenameJournal.h"

Bytes RenameRecord::NewPath() const {
    switch (kind) {
    case Kind::Trash: return trashed.path;
    case Kind::Move: return newFolder + newName;
    case Kind::Rename: break;
    }
    return folder + newName;
}

Bytes RenameRecord::Line() const {
    switch (kind) {
    case Kind::Trash: return "ごみ箱: " + oldName;
    case Kind::Move: return "移動: " + oldName + " → " + newFolder;
    case Kind::Rename: break;
    }
    return "名前の変更: " + oldName + " → " + newName;
}

Bytes RenameJournal::AsText() const {
    Bytes text;
    for (auto record = records_.rbegin(); record != records_.rend(); ++record) {
        const Bytes line = record->Line();
        // The whole old path, where the line has only its name.
        const std::size_t name = line.find(": ") + 2;
        text += line.substr(0, name) + record->folder + line.substr(name) + "\n";
    }
    return text;
}
