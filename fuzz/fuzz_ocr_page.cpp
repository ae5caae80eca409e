// SPDX-License-Identifier: GPL-3.0-or-later
// What of page 1 is drawn for OCR: Draw picks the resolution for its top with
// OcrResolution, from the page's size, and the picture drawn at it must stay
// within the pixel cap whatever the page says about itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "ReadBudget.h"
#include "names/FileReader.h"
#include "names/PdfText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static PdfText pdf;
    const ReadBudget budget(pdf, kFuzzReadBudget);
    if (!pdf.Open(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    const GreyImage image = pdf.Draw(0, kOcrDpi, 0, kOcrTop);
    // Rounding the part out to whole pixels may add a few; far more is the fault.
    if (double(image.width) * image.height > kMostPixels * 1.01) {
        std::fprintf(stderr, "%dx%d pixels drawn at %d dpi\n", image.width, image.height, image.dpi);
        std::abort();
    }
    pdf.Close();
    return 0;
}
