// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/ReaderLoader.h"

NameSuggestions::MakeReader LoadedFileNameReader() { return FileNameReader(); }
