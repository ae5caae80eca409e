// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the fuzz targets' seeds: small crafted files and ordinary ones into
// seeds/<kind>/, and the crafted files at the sizes that once froze or
// crashed the program into crafted/<kind>/, to be run once each.
//   fuzz_make_seeds <out folder> <tests/data>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "FuzzText.h"
#include "support/CraftedFiles.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::string SyncSafe(std::size_t n) {
    return {char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F), char(n & 0x7F)};
}

std::string BigEndian(std::size_t n) { return {char(n >> 24), char(n >> 16), char(n >> 8), char(n)}; }

// Text frames of ID3v2.3 and v2.4: no flags.
std::string Frame3(const char* id, const std::string& body) {
    return std::string(id, 4) + BigEndian(body.size()) + std::string(2, '\0') + body;
}
std::string Frame4(const char* id, const std::string& body) {
    return std::string(id, 4) + SyncSafe(body.size()) + std::string(2, '\0') + body;
}
// A text frame's body marked Latin-1.
std::string Latin1(const std::string& text) { return std::string(1, '\0') + text; }
std::string Tag(int version, const std::string& frames, char flags = 0) {
    return std::string("ID3") + char(version) + '\0' + flags + SyncSafe(frames.size()) + frames;
}

const std::string kAudio = std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');

std::string Id3v1(const std::string& title, const std::string& artist, int track) {
    std::string tag = "TAG";
    auto field = [&tag](const std::string& text, std::size_t width) {
        tag += text.substr(0, width) + std::string(width - std::min(width, text.size()), '\0');
    };
    field(title, 30);
    field(artist, 30);
    field("Album", 30);
    field("2026", 4);
    field("", 28);
    tag += '\0';
    tag += char(track);
    tag += '\0';
    return tag;
}

const std::string kUtf16Bom("\x01\xFF\xFE", 3);
std::string Utf16(const std::string& ascii) {
    std::string out;
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
}

void WriteMp3Seeds(const fs::path& dir) {
    const std::string v23 = Frame3("TIT2", Latin1("Morning Call")) + Frame3("TPE1", kUtf16Bom + Utf16("The Band")) +
                            Frame3("TALB", Latin1("Live")) + Frame3("TRCK", Latin1("3/12"));
    Write(dir / "v23.mp3", Tag(3, v23) + kAudio + Id3v1("Morning Call", "The Band", 3));
    // UTF-8 text, and Shift-JIS in a field marked Latin-1 (テスト).
    const std::string v24 = Frame4("TIT2", "\x03" "\xE6\x9C\x9D") + Frame4("TPE1", Latin1("\x83\x65\x83\x58\x83\x67")) +
                            Frame4("TPE2", "\x03" "band") + Frame4("TRCK", "\x03" "07");
    Write(dir / "v24.mp3", Tag(4, v24) + kAudio);
    // Unsynchronised (FF 00 E0 is FF E0), with an extended header.
    const std::string extended = BigEndian(6) + std::string(6, '\0');
    Write(dir / "unsync.mp3", Tag(3, extended + Frame3("TIT2", Latin1(std::string("\xFF\0\xE0", 3))), char(0xC0)) + kAudio);
    Write(dir / "v1-only.mp3", kAudio + kAudio + Id3v1("Only v1", "\x83\x65\x83\x58\x83\x67", 9));
    Write(dir / "nested-chapters.mp3", NestedChaptersMp3(3));
    Write(dir / "compressed-frames.mp3", CompressedFramesMp3(2, 1));
}

std::string TextPage(const std::string& content, const char* box = "0 0 595 842") {
    return "<< /Type /Page /Parent 2 0 R /MediaBox [" + std::string(box) +
           "] /Resources << /Font << /F1 << /Type /Font /Subtype /Type1 /BaseFont /Helvetica >> >> >>"
           " /Contents " + content + " >>";
}

std::string PlainStream(const std::string& content) {
    return "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream";
}

void WritePdfSeeds(const fs::path& dir) {
    const std::string catalogue = "<< /Type /Catalog /Pages 2 0 R >>";
    Write(dir / "text-line.pdf",
          PdfOfObjects({catalogue, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", TextPage("4 0 R"),
                        DeflatedStream("BT /F1 12 Tf 50 780 Td (Invoice No. A-1234   2026/03/31) Tj ET")}));
    // Two pages, the second turned, with a small picture drawn inline.
    Write(dir / "two-pages.pdf",
          PdfOfObjects({catalogue, "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 >>", TextPage("4 0 R"),
                        DeflatedStream("BT /F1 20 Tf 50 780 Td (Minutes) Tj ET q 200 0 0 100 50 600 cm "
                                       "BI /W 4 /H 2 /CS /G /BPC 8 /F /AHx ID 004080FFFF804000> EI Q"),
                        TextPage("6 0 R /Rotate 90", "0 0 842 595"), PlainStream("BT /F1 9 Tf 20 20 Td (R8.3.31) Tj ET")}));
    Write(dir / "wide-page.pdf", WidePagePdf(20000));
    Write(dir / "fan-out.pdf", FanOutPdf(2, 3));
    Write(dir / "deflate-bomb.pdf", DeflateBombPdf(1));
    Write(dir / "numbers.pdf", NumberLinesPdf(20));
    Write(dir / "long-line.pdf", LongLinePdf(200));
}

TextLine Line(const std::u16string& text, float y, float size, float x = 50, int page = 0) {
    return {text, {x, y, x + size * float(text.size()), y + size}, size, page};
}

void WriteCandidateSeeds(const fs::path& dir) {
    FileText invoice;
    invoice.pages = {{0, 595, 842}, {1, 595, 842}};
    invoice.lines = {Line(u"請 求 書", 40, 24),
                     Line(u"請求書番号: INV-2026-0042", 80, 10),
                     Line(u"発行日 2026年3月31日", 95, 10),
                     Line(u"山田商店 御中", 120, 12),
                     Line(u"株式会社サンプル商事 代表取締役 山田 TEL 03-1234-5678", 140, 10),
                     Line(u"No.", 200, 10),
                     Line(u"12345", 200, 10, 120),
                     Line(u"お支払期限 令和8年4月30日", 400, 10),
                     Line(u"R8.3.31 ㈱テスト", 800, 8, 50, 1)};
    Write(dir / "invoice", EncodeFileText(invoice));
    FileText song;
    song.tags = {u"朝の歌 / Morning?", u"The Band", u"Live: 2026", 7};
    Write(dir / "tags", EncodeFileText(song));
}

// What a crafted PDF's text comes to, handed to the candidates directly.
void WriteCraftedCandidates(const fs::path& dir) {
    FileText numbers;
    numbers.pages = {{0, 595, 32767}};
    for (int i = 0; i < 5000; ++i) {
        const std::string number = std::to_string(100000 + i);
        numbers.lines.push_back(Line(u"No. " + std::u16string(number.begin(), number.end()), float(i), 8));
    }
    Write(dir / "numbers", EncodeFileText(numbers));
    FileText longLine;
    // A line of letters, and one of OCR's spaced-out characters.
    longLine.lines = {Line(std::u16string(60000, u'A'), 400, 1), Line(u"", 500, 1)};
    for (int i = 0; i < 10000; ++i) longLine.lines[1].text += u"株 式 会 社 ";
    Write(dir / "long-line", EncodeFileText(longLine));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fuzz_make_seeds <out folder> <tests/data>\n";
        return 2;
    }
    const fs::path out = argv[1], data = argv[2];
    try {
        WritePdfSeeds(out / "seeds/pdf");
        WriteMp3Seeds(out / "seeds/mp3");
        WriteCandidateSeeds(out / "seeds/candidates");
        for (const fs::directory_entry& file : fs::directory_iterator(data)) {
            const std::string ext = file.path().extension().string();
            if (ext == ".pdf" || ext == ".mp3")
                fs::copy_file(file.path(), out / "seeds" / ext.substr(1) / file.path().filename(),
                              fs::copy_options::overwrite_existing);
        }
        for (const CraftedFile& file : CraftedFiles()) {
            const std::string name = file.name;
            // MuPDF grows a line's glyphs 36 at a time, and AddressSanitizer's
            // realloc copies each time: 20 million of them would take hours
            // there. 20,000 is still twenty times the longest line read.
            const Bytes bytes = name == "long-line.pdf" ? LongLinePdf(20000) : file.bytes;
            Write(out / "crafted" / name.substr(name.rfind('.') + 1) / name, bytes);
        }
        WriteCraftedCandidates(out / "crafted/candidates");
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
