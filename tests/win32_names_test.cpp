// SPDX-License-Identifier: GPL-3.0-or-later
// The readers as the Windows program has them: TagLib, MuPDF and Tesseract
// cross-built, the language data beside the program, files named in code
// page 932, and every file let go as soon as it is read.
#include <gtest/gtest.h>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "core/CodePage.h"
#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/PdfText.h"
#include "platform/FileSystem.h"
#include "platform/WholeFile.h"
#include "support/Mp3TagCases.h"
#include "support/NamePdfs.h"
#include "support/Win32Support.h"

namespace {

bool Has(const std::vector<Bytes>& names, const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); }

std::string Listed(const std::vector<Bytes>& names) {
    std::string all;
    for (const Bytes& name : names) all += name + " | ";
    return all;
}

// wchar_t has 16 bits here: TagLib hands over surrogate pairs, and its Latin-1
// frames go through Windows' own code page 932.
TEST(Win32Names, Mp3TagsOfAFileNamedInCodePage932) {
    TempDir dir;
    int n = 0;
    for (const Mp3TagCase& c : Mp3TagCases(u"\U00020BB7野家の歌")) {
        const Bytes tagged = dir / "tagged.mp3", named = dir / ("録音" + std::to_string(++n) + ".mp3");
        ASSERT_TRUE(CopyNewFile(QUILVANE_TEST_DATA "/tone-1s.mp3", tagged));
        {
            TagLib::MPEG::File file(tagged.c_str(), false);
            c.tag(file);
        }
        ASSERT_TRUE(MoveFileNoReplace(tagged, named).moved);
        ExpectTagsRead(c, FileReader().Read(named));
    }
}

// The text layer through MuPDF; then the same page as a scan, read by
// Tesseract with the language data beside the test program, even when another
// Tesseract's TESSDATA_PREFIX points elsewhere.
TEST(Win32Names, PdfTextLayerAndScanReadWithTheDataBesideTheProgram) {
    TempDir dir;
    const Bytes text = TextPdf("Invoice No. 5042 of 2026-03-31");
    const Bytes invoice = dir / "請求書.pdf";
    ASSERT_TRUE(WriteFile(invoice, text));
    ASSERT_EQ(_putenv("TESSDATA_PREFIX=Z:\\nowhere"), 0);
    FileReader reader;
    const FileReader::Result read = reader.Read(invoice);
    ASSERT_TRUE(read.identity);
    ASSERT_FALSE(read.text.pages.empty());
    EXPECT_FALSE(read.text.pages[0].ocr);
    const std::vector<Bytes> fromText = NameCandidates(read.text);
    for (const char* name : {"2026-03-31", "5042"}) EXPECT_TRUE(Has(fromText, name)) << name << " in " << Listed(fromText);

    PdfText pdf;
    ASSERT_TRUE(pdf.Open(text));
    const Bytes scan = dir / "スキャン.pdf";
    ASSERT_TRUE(WriteFile(scan, ImagePdf(pdf.Draw(0, 200, 0, 1))));
    const FileReader::Result scanned = reader.Read(scan);
    ASSERT_FALSE(scanned.text.pages.empty());
    EXPECT_TRUE(scanned.text.pages[0].ocr);
    EXPECT_TRUE(scanned.text.pages[0].partial) << "the date stands in the top part";
    const std::vector<Bytes> fromScan = NameCandidates(scanned.text);
    for (const char* name : {"2026-03-31", "5042"}) EXPECT_TRUE(Has(fromScan, name)) << name << " in " << Listed(fromScan);
    _putenv("TESSDATA_PREFIX=");
}

// Renaming a file the reader has open succeeds, and once read, with the reader
// still there, the file is nobody's: a program may take it for itself.
TEST(Win32Names, AFileBeingReadCanBeRenamedAndIsLetGoOnceRead) {
    TempDir dir;
    const Bytes pdf = dir / "scan.pdf", renamed = dir / "表示.pdf";
    const Bytes text = TextPdf("Invoice No. 5042 of 2026-03-31");
    ASSERT_TRUE(WriteFile(pdf, text));
    std::string bytes;
    std::optional<FileIdentity> identity;
    MoveOutcome move;
    const ReadProblem problem = ReadWholeFile(
        ToUtf16(pdf), 1 << 20,
        [&](std::size_t size) {
            move = MoveFileNoReplace(pdf, renamed);
            bytes.resize(size);
            return bytes.data();
        },
        &identity);
    EXPECT_TRUE(move.moved) << move.reason;
    EXPECT_EQ(problem, ReadProblem::None);
    EXPECT_EQ(bytes, text);

    FileReader reader;
    EXPECT_FALSE(NameCandidates(reader.Read(renamed).text).empty());
    HeldOpen alone(renamed, HeldOpen::Sharing::None);
    EXPECT_TRUE(alone.Held());
}

}  // namespace
