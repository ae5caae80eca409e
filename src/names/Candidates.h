// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/CodePage.h"
#include "names/Fields.h"
#include "names/FileText.h"

// Enough to choose from at a glance.
constexpr std::size_t kMostCandidates = 8;
// What of a file's text is looked at: pages 1 and last hold far less.
constexpr std::size_t kMostLinesRead = 2000;
constexpr std::size_t kLongestLineRead = 1000;

// The fields found in what a file's readers read: dates, the document
// number, the kind of document, the title, the senders; an MP3's tags.
FileFields ReadFields(const FileText& text);
// The file's own name as fields: itself, and its last number (scan0042: 0042, 42).
FileFields OldNameFields(const std::u16string& stem);

// Names offered for a file, best first, from its fields: dates (YYYY-MM-DD,
// then YYYYMMDD), the document number, the kind of document and the title,
// the sender; for an MP3 "artist - title", "NN title", "title". Each one
// passes the file-name check in `cp`.
std::vector<Bytes> NameCandidates(const FileFields& fields, const CodePage& cp = CodePage::System());
std::vector<Bytes> NameCandidates(const FileText& text, const CodePage& cp = CodePage::System());

// A sender without its company form: 株式会社青葉システム, 青葉システム(株),
// Acme Co., Ltd. become 青葉システム and Acme.
std::u16string WithoutCompanyForm(const std::u16string& sender);

// `text` made fit for a name, whatever the code page: controls become
// spaces, the refused characters their full-width look-alikes, spaces are
// squeezed and trailing dots dropped.
std::u16string NameText(const std::u16string& text);

// `text` as a name in `cp`: controls become spaces, the characters the name
// check refuses become full-width look-alikes ("/" -> "／", ":" -> "："), or
// "_" where `cp` has none; spaces are squeezed and trailing dots dropped.
// Empty when some character cannot be written in `cp`: a name is not
// offered with a character silently changed.
Bytes AsName(const std::u16string& text, const CodePage& cp = CodePage::System());
