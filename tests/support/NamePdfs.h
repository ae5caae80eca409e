// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "core/Bytes.h"
#include "names/PdfText.h"

// One-page A4 PDFs written byte by byte, so that tests without a toolkit (the
// Windows build's) can make them too.

// Lines of Helvetica near the top of the page, one under the other at each '\n'.
Bytes TextPdf(const std::string& text);
// Nothing but `image` across the whole page, as a scanner writes it: no text layer.
Bytes ImagePdf(const GreyImage& image);
