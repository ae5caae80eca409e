// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/CodePage.h"
#include "names/FileText.h"

// Enough to choose from at a glance.
constexpr std::size_t kMostCandidates = 8;
// What of a file's text is looked at: pages 1 and last hold far less.
constexpr std::size_t kMostLinesRead = 2000;
constexpr std::size_t kLongestLineRead = 1000;

// Names offered for a file, best first, from what its readers found: dates
// (YYYY-MM-DD, then YYYYMMDD), the document number, the kind of document and
// the title, the sender; for an MP3 "artist - title", "NN title", "title".
// Each one passes the file-name check in `cp`.
std::vector<Bytes> NameCandidates(const FileText& text, const CodePage& cp = CodePage::System());

// `text` as a name in `cp`: controls become spaces, the characters the name
// check refuses become full-width look-alikes ("/" -> "／", ":" -> "："), or
// "_" where `cp` has none; spaces are squeezed and trailing dots dropped.
// Empty when some character cannot be written in `cp`: a name is not
// offered with a character silently changed.
Bytes AsName(const std::u16string& text, const CodePage& cp = CodePage::System());
