// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/NamePdfs.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Objects 1 and 2 are the catalog and the page tree, 3 the page.
Bytes Pdf(const std::vector<std::string>& objects) {
    std::string pdf = "%PDF-1.4\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offset));
        pdf += entry;
    }
    return pdf + "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}

std::string Stream(const std::string& dictionary, const std::string& data) {
    return "<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
}

}  // namespace

Bytes TextPdf(const std::string& text) {
    std::string shown;
    for (std::size_t from = 0; from <= text.size();) {
        const std::size_t end = std::min(text.find('\n', from), text.size());
        shown += (shown.empty() ? "(" : " 0 -16 Td (") + text.substr(from, end - from) + ") Tj";
        from = end + 1;
    }
    return Pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>",
        Stream("", "BT /F1 12 Tf 72 770 Td " + shown + " ET"),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    });
}

Bytes ImagePdf(const GreyImage& image) {
    // The page as large as the picture at its resolution: A4 either way up.
    const std::string width = std::to_string(image.dpi > 0 ? image.width * 72 / image.dpi : 595);
    const std::string height = std::to_string(image.dpi > 0 ? image.height * 72 / image.dpi : 842);
    return Pdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + width + " " + height +
            "] /Contents 4 0 R /Resources << /XObject << /Im1 5 0 R >> >> >>",
        Stream("", "q " + width + " 0 0 " + height + " 0 0 cm /Im1 Do Q"),
        Stream("/Type /XObject /Subtype /Image /Width " + std::to_string(image.width) + " /Height " +
                   std::to_string(image.height) + " /ColorSpace /DeviceGray /BitsPerComponent 8",
               std::string(image.pixels.begin(), image.pixels.end())),
    });
}
