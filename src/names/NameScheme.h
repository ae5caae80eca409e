// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/CodePage.h"
#include "names/Fields.h"

// How the user names files, learnt from the names already given: literal text
// and slots for fields, as in "{date}_{kind}_{sender without 株式会社}". Pure
// functions over fields and names; no window, no files.

// One form of one field: the second date's YYYYMMDD.
struct Slot {
    FieldKind kind = FieldKind::Date;
    int rank = 0;
    int form = 0;
    bool operator==(const Slot&) const = default;
};

// Literal text, or a slot when `slot` is set.
struct Piece {
    std::u16string text;
    std::optional<Slot> slot;
    bool operator==(const Piece&) const = default;
};

struct NameTemplate {
    std::vector<Piece> pieces;
    bool operator==(const NameTemplate&) const = default;
};

// A name the user gave a file, and the fields read from that file.
struct NameExample {
    FileFields fields;
    std::u16string name;  // without its extension
};

// The explanations of `name` by `fields` that cover the most characters with
// the fewest slots, the likeliest first (first ranks, first forms), at most
// `most`. None when no field explains any of it.
std::vector<NameTemplate> ExplainName(const FileFields& fields, const std::u16string& name, std::size_t most = 16);

// The template the latest examples agree on (oldest first): the one that
// rebuilds both of the newest two when one does, else the one that rebuilds
// the most, the newest's on a tie. None when no example is explained.
std::optional<NameTemplate> LearnScheme(const std::vector<NameExample>& examples);

// `scheme` filled from `fields`; none when a slot has no field.
std::optional<std::u16string> ComposeName(const NameTemplate& scheme, const FileFields& fields);
// The same, as a name in `cp`: empty unless it passes the file-name check and
// comes back from `cp` unchanged.
Bytes ComposedName(const NameTemplate& scheme, const FileFields& fields, const CodePage& cp = CodePage::System());

// Names a scanner, camera or recorder gives: scan0001, IMG_1234,
// DOC20260331-001, rec001, 新規録音 3. They teach no scheme.
bool LooksLikeDefaultName(const std::u16string& stem);
