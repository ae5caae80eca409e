// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: no installer puts the language data anywhere, so it travels in a
// tessdata folder beside the program. Named outright, so that a TESSDATA_PREFIX
// left by another program's Tesseract cannot pick other data.
#include "names/Ocr.h"
#include "platform/Module.h"

std::string DefaultOcrData() {
    const Bytes folder = ProgramFolder();
    return folder.empty() ? std::string() : folder + "tessdata";
}
