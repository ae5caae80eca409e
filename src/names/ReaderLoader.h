// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "names/NameSuggestions.h"

// FileNameReader() as the program gets it: the readers (MuPDF, Tesseract,
// TagLib and what they pull in) run in their helper process, out of the
// program's way (ReadersClient.h).
NameSuggestions::MakeReader LoadedFileNameReader();
