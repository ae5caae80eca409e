// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "core/Bytes.h"
#include "names/PdfText.h"

// One-page A4 PDFs written byte by byte, so that tests without a toolkit (the
// Windows build's) can make them too.

// One line of Helvetica near the top of the page.
Bytes TextPdf(const std::string& line);
// Nothing but `image` across the whole page, as a scanner writes it: no text layer.
Bytes ImagePdf(const GreyImage& image);
