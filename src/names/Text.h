// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// Text as the readers give it, made easier to search: the same length, unit
// for unit, so that a position found in one is a position in the other.
// Full-width ASCII becomes ASCII, the ideographic space a space, and the many
// dashes one hyphen.
std::u16string Fold(const std::u16string& text);

// Kana, kanji, the CJK punctuation and the full-width forms.
bool IsJapanese(char16_t c);
// A letter of a word: Latin, kana or kanji; not the CJK punctuation or full-width forms.
bool IsWordLetter(char16_t c);

// OCR puts spaces between Japanese characters (株式 会 社), and so do text
// layers of letter-spaced titles (請 求 書): ASCII spaces between two
// Japanese characters go, and so do those inside ASCII brackets next to one
// (北斗電機 (株 )). The ideographic space stays, as a separator.
std::u16string JoinJapaneseSpaces(const std::u16string& text);

// Leading and trailing spaces of either width gone, runs inside made one.
std::u16string Squeeze(const std::u16string& text);
