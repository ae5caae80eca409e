// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CraftedFiles.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace {

Bytes SyncSafe(std::size_t n) {
    return {char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F), char(n & 0x7F)};
}

Bytes Id3v24Frame(const char* id, const Bytes& body, char formatFlags = 0) {
    return Bytes(id, 4) + SyncSafe(body.size()) + Bytes(1, '\0') + Bytes(1, formatFlags) + body;
}

Bytes Id3v24Tag(const Bytes& frames) { return Bytes("ID3\x04\x00\x00", 6) + SyncSafe(frames.size()) + frames; }

// A few bytes of MPEG audio frame header after the tag, so that it looks like an MP3.
const Bytes kAudio = Bytes("\xFF\xFB\x90\x64", 4) + Bytes(413, '\0');

Bytes Deflated(const Bytes& data) {
    uLongf size = compressBound(data.size());
    Bytes out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()), data.size(), 9) != Z_OK)
        throw std::runtime_error("deflate");
    out.resize(size);
    return out;
}

Bytes Page(const char* mediaBox, int contents, const Bytes& resources = "<< >>") {
    return Bytes("<< /Type /Page /Parent 2 0 R /MediaBox [") + mediaBox + "] /Resources " + resources +
           " /Contents " + std::to_string(contents) + " 0 R >>";
}

const Bytes kCatalogue = "<< /Type /Catalog /Pages 2 0 R >>";
const Bytes kPages = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
const Bytes kFont = "<< /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>";

}  // namespace

Bytes PdfOfObjects(const std::vector<Bytes>& bodies) {
    Bytes pdf = "%PDF-1.7\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        offsets.push_back(pdf.size());
        pdf += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf += "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        pdf += line;
    }
    pdf += "trailer\n<< /Size " + std::to_string(bodies.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
    return pdf;
}

Bytes DeflatedStream(const Bytes& data, const Bytes& dictionary) {
    const Bytes packed = Deflated(data);
    return "<< " + dictionary + " /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n" +
           packed + "\nendstream";
}

Bytes NestedChaptersMp3(int depth) {
    Bytes inner;
    for (int i = 0; i < depth; ++i) inner = Id3v24Frame("CHAP", Bytes("c\0", 2) + Bytes(16, '\0') + inner);
    return Id3v24Tag(inner) + kAudio;
}

Bytes CompressedFramesMp3(int frames, int megabytes) {
    // Compressed, with the data length given first, as ID3v2.4 asks.
    const std::size_t inflated = std::size_t(megabytes) << 20;
    Bytes text(inflated, 'a');
    text[0] = '\x03';  // UTF-8
    const Bytes body = SyncSafe(inflated) + Deflated(text);
    Bytes all;
    for (int i = 0; i < frames; ++i) all += Id3v24Frame(i % 2 ? "TPE1" : "TIT2", body, 0x09);
    return Id3v24Tag(all) + kAudio;
}

Bytes WidePagePdf(double points) {
    const Bytes box = "0 0 " + std::to_string(static_cast<long long>(points)) + " 100";
    return PdfOfObjects({kCatalogue, kPages, Page(box.c_str(), 4), DeflatedStream("0 0 10 10 re f")});
}

Bytes FanOutPdf(int levels, int fan) {
    // Objects 4.. are the forms: form k draws form k+1 `fan` times; the last fills a square.
    std::vector<Bytes> bodies{kCatalogue, kPages, Page("0 0 595 842", 4, "<< /XObject << /X0 5 0 R >> >>")};
    bodies.push_back(DeflatedStream("/X0 Do"));
    for (int k = 0; k < levels; ++k) {
        const bool last = k == levels - 1;
        Bytes draws;
        for (int i = 0; i < fan; ++i) draws += last ? "0 0 1 1 re f\n" : "q /X Do Q\n";
        const Bytes resources = last ? Bytes("<< >>") : "<< /XObject << /X " + std::to_string(6 + k) + " 0 R >> >>";
        bodies.push_back(DeflatedStream(draws, "/Type /XObject /Subtype /Form /BBox [0 0 595 842] /Resources " + resources));
    }
    return PdfOfObjects(bodies);
}

Bytes DeflateBombPdf(int megabytes, int copies) {
    Bytes contents = "[";
    for (int i = 0; i < copies; ++i) contents += " 4 0 R";
    const Bytes page = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents " + contents + " ] >>";
    return PdfOfObjects({kCatalogue, kPages, page, DeflatedStream(Bytes(std::size_t(megabytes) << 20, ' '))});
}

Bytes NumberLinesPdf(int lines) {
    Bytes content = "BT /F1 8 Tf 10 TL 20 " + std::to_string(lines * 10 + 20) + " Td\n";
    for (int i = 0; i < lines; ++i) content += "(No. " + std::to_string(100000 + i) + ") '\n";
    content += "ET";
    const Bytes box = "0 0 595 " + std::to_string(lines * 10 + 40);
    return PdfOfObjects({kCatalogue, kPages, Page(box.c_str(), 4, kFont), DeflatedStream(content)});
}

Bytes LongLinePdf(int characters) {
    const Bytes content = "BT /F1 1 Tf 0 400 Td (" + Bytes(std::size_t(characters), 'A') + ") Tj ET";
    return PdfOfObjects({kCatalogue, kPages, Page("0 0 595 842", 4, kFont), DeflatedStream(content)});
}

std::vector<CraftedFile> CraftedFiles() {
    return {
        {"nested-chapters.mp3", NestedChaptersMp3(20000)},
        {"compressed-frames.mp3", CompressedFramesMp3(30, 64)},
        {"wide-page.pdf", WidePagePdf(2.3e6)},
        {"wider-page.pdf", WidePagePdf(1e7)},
        {"fan-out.pdf", FanOutPdf(7, 10)},
        {"deflate-bomb.pdf", DeflateBombPdf(256)},
        {"numbers.pdf", NumberLinesPdf(100000)},
        {"long-line.pdf", LongLinePdf(20000000)},
    };
}
