// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// What a file's name may be made of: each thing read from it, with the ways
// it may be written. A name is explained by them, and a new one built.

enum class FieldKind : unsigned char {
    Date,
    Number,     // the document's number
    Kind,       // 請求書, 見積書, ...
    Title,      // the line in the largest type
    Sender,
    TagTitle,
    Artist,
    Album,
    Track,
    Year,
    OldName,    // the file's name before the rename
    OldNumber,  // the last number in it
};
constexpr int kFieldKinds = int(FieldKind::OldNumber) + 1;

// The forms of a date, by their place in Field::forms.
enum DateForm : int {
    kDateIso,           // 2026-03-31
    kDateCompact,       // 20260331
    kDateMonth,         // 2026-03
    kDateCompactMonth,  // 202603
    kDateKanji,         // 2026年3月31日
    kDateKanjiPadded,   // 2026年03月31日
    kDateDotted,        // 2026.03.31
    kDateEra,           // 令和8年3月31日 (empty outside the eras)
    kDateEraLetter,     // R8.3.31
    kDatePrinted,       // as it stands in the file
    kDateForms
};
// A sender as printed (株式会社青葉システム), then without its company form (青葉システム).
enum SenderForm : int { kSenderPrinted, kSenderShort };
// A track: 3, 03, 003. An old number: as written (0042), then without its zeros (42).
enum NumberForm : int { kNumberAsWritten, kNumberPlain, kNumberPadded3 };

struct Field {
    FieldKind kind = FieldKind::Date;
    int rank = 0;  // 0 for the likeliest of its kind
    // Each form already fit for a name: no control characters, the refused
    // characters as their full-width look-alikes, spaces squeezed. An empty
    // form is one this field does not have.
    std::vector<std::u16string> forms;
    bool operator==(const Field&) const = default;
};

using FileFields = std::vector<Field>;

// The field of `kind` and `rank`; null when there is none.
const Field* FindField(const FileFields& fields, FieldKind kind, int rank = 0);
