// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

#include "names/FileText.h"

// Title, artist, album and track of an MP3 held in memory, from its ID3v2 tag
// and, for what that lacks, its ID3v1 tag. Nothing when it has neither.
Tags ReadMp3Tags(std::string_view file);

// Text a tag marks as Latin-1. Japanese files often hold Shift-JIS there: the
// bytes are read as code page 932 when they are valid CP932 and not plausible
// as Latin-1 (C1 controls, or nothing but double-byte characters).
std::u16string DecodeLatin1Text(const std::string& bytes);
