// SPDX-License-Identifier: GPL-3.0-or-later
// Linux: the language data comes in packages, into Tesseract's own folder.
#include "names/Ocr.h"

std::string DefaultOcrData() { return {}; }
