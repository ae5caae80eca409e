// SPDX-License-Identifier: GPL-3.0-or-later
// The text layer as FileReader reads it: page 1 with its pictures, and the last page.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "ReadBudget.h"
#include "names/PdfText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Kept between inputs, as the reader keeps it between files.
    static PdfText pdf;
    const ReadBudget budget(pdf, kFuzzReadBudget);
    if (!pdf.Open(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    pdf.Page(0);
    std::vector<TextBox> pictures;
    pdf.Lines(0, &pictures);
    const int last = pdf.Pages() - 1;
    if (last > 0) {
        pdf.Lines(last);
        pdf.Page(last);
    }
    pdf.Close();
    return 0;
}
