// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "names/NameSuggestions.h"

// FileNameReader() as the program gets it. On Linux the readers (MuPDF,
// Tesseract, TagLib and what they pull in) are a module that the worker loads
// when it starts, so that the window's start does not wait for them; on
// Windows they are linked in. Raises when the module cannot be loaded.
NameSuggestions::MakeReader LoadedFileNameReader();
