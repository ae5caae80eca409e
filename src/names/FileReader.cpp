// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/FileReader.h"

#include <algorithm>
#include <iterator>

#include "core/CodePage.h"
#include "names/Dates.h"
#include "names/Mp3Tags.h"
#include "names/Ocr.h"
#include "names/PdfText.h"
#include "names/Text.h"
#include "platform/WholeFile.h"

namespace {

bool Cancelled(const std::atomic<bool>* cancelled) { return cancelled != nullptr && cancelled->load(); }

bool HasDate(const std::vector<TextLine>& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const TextLine& line) { return !FindDates(line.text).empty(); });
}

// Letters and digits read: a page read upright gives hundreds, one read
// turned mostly specks, and those are dropped.
std::size_t LettersAndDigits(const std::vector<TextLine>& lines) {
    std::size_t n = 0;
    for (const TextLine& line : lines)
        for (char16_t c : line.text) n += IsWordLetter(c) || (c >= u'0' && c <= u'9');
    return n;
}
constexpr std::size_t kLeastUprightText = 40;

// Tesseract misreads or passes over type as large as a heading at the dots
// small type needs; a coarse picture of the same part reads it. Large type
// read alone takes the place of what was read finely there; so does a
// heading-sized line of the coarse read; other coarse lines join only where
// nothing was read.
void AddHeadings(std::vector<TextLine>& lines, const std::vector<TextLine>& large, const std::vector<TextLine>& coarse) {
    std::vector<float> heights;
    for (const TextLine& line : lines) heights.push_back(line.size);
    if (heights.empty()) heights.push_back(0);
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    const float heading = 2.2f * heights[heights.size() / 2];
    const auto covers = [](const TextLine& line) { return [&line](const TextLine& l) { return l.box.Overlaps(line.box); }; };
    // Large type that says far less than what was read under it was no
    // heading but lines run together by specks.
    std::vector<TextLine> taken;
    for (const TextLine& line : large) {
        std::vector<TextLine> under;
        std::copy_if(lines.begin(), lines.end(), std::back_inserter(under), covers(line));
        if (LettersAndDigits(under) > 2 * LettersAndDigits({line})) continue;
        std::erase_if(lines, covers(line));
        taken.push_back(line);
    }
    lines.insert(lines.end(), taken.begin(), taken.end());
    for (const TextLine& line : coarse) {
        if (std::any_of(taken.begin(), taken.end(), covers(line))) continue;
        if (line.size >= heading) std::erase_if(lines, covers(line));
        else if (std::any_of(lines.begin(), lines.end(), covers(line))) continue;
        lines.push_back(line);
    }
}

}  // namespace

FileReader::FileReader(std::string ocrData)
    : pdf_(std::make_unique<PdfText>()), ocr_(std::make_unique<Ocr>(std::move(ocrData))) {}

FileReader::~FileReader() = default;

FileReader::Result FileReader::Read(const Bytes& path, const std::atomic<bool>* cancelled, ReadDepth depth) {
    Result result;
    const FileKind kind = KindOfPath(path);
    if (kind == FileKind::Other) return result;
    std::string bytes;
    const ReadProblem problem = ReadFileEnds(
        ToUtf16(path), EndsToRead(kind),
        [&bytes](std::size_t size) -> char* {
            try {
                bytes.resize(size);
                return bytes.data();
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        },
        &result.identity);
    if (problem != ReadProblem::None) {
        // A file too large is still a file: it has no candidates, and that is kept.
        if (!ReadAFile(problem)) result.identity.reset();
        return result;
    }
    result.text = ReadBytes(bytes, kind, cancelled, depth);
    return result;
}

FileText FileReader::ReadBytes(std::string_view file, FileKind kind, const std::atomic<bool>* cancelled, ReadDepth depth) {
    FileText text;
    if (kind == FileKind::Mp3) text.tags = ReadMp3Tags(file);
    else if (kind == FileKind::Pdf) text = ReadPdf(file, cancelled, depth);
    return text;
}

void FileReader::Prepare() { ocr_->Ready(); }
void FileReader::Abort() { pdf_->Abort(); }
void FileReader::ResetAbort() { pdf_->ResetAbort(); }

FileText FileReader::ReadPdf(std::string_view file, const std::atomic<bool>* cancelled, ReadDepth depth) {
    FileText text;
    if (!pdf_->Open(file)) return text;
    const bool whole = depth == ReadDepth::Whole;
    PageInfo first = pdf_->Page(0);
    std::vector<TextLine> lines = pdf_->Lines(0, &first.pictures);
    if (!HasUsableText(lines) && !Cancelled(cancelled)) {
        first.ocr = true;
        first.pictures.clear();
        // The top of a scan first: the rest waits until the file shown needs
        // it. Then the page in one picture, so that lines of a page scanned
        // turned are read whole, not cut where the top ends.
        bool turned = false;
        bool read = whole;
        GreyImage picture = pdf_->Draw(0, kOcrDpi, 0, whole ? 1 : kOcrTop);
        lines = ocr_->Read(picture, 0, cancelled, &turned);
        // Little text, lines running down or no date in the whole page: the
        // scan may stand turned. The letters' shapes tell, and the page
        // turned back is kept if it reads better.
        int quarters = 0;
        if ((turned || LettersAndDigits(lines) < kLeastUprightText || (whole && !HasDate(lines))) && !Cancelled(cancelled)) {
            GreyImage page = whole ? std::move(picture) : pdf_->Draw(0, kOcrDpi, 0, 1);
            quarters = ocr_->Turn(page);
            if (quarters != 0 && !Cancelled(cancelled)) {
                std::vector<TextLine> upright = ocr_->Read(TurnedBack(page, quarters), 0, cancelled);
                if (LettersAndDigits(upright) > LettersAndDigits(lines)) lines = std::move(upright), turned = false, read = true;
                else quarters = 0;
            }
        }
        if (!turned && !Cancelled(cancelled)) {
            GreyImage coarse = quarters == 0 ? pdf_->Draw(0, kHeadingDpi, 0, kOcrTop)
                                             : TurnedBack(pdf_->Draw(0, kHeadingDpi, 0, 1), quarters);
            AddHeadings(lines, ocr_->ReadLargeType(coarse, 0, cancelled), ocr_->ReadHeadings(coarse, 0, cancelled));
        }
        if (read && (turned || quarters % 2 == 1)) std::swap(first.width, first.height);
        first.partial = !read;
    }
    text.pages.push_back(first);
    text.lines = std::move(lines);
    const int last = pdf_->Pages() - 1;
    if (last > 0 && !Cancelled(cancelled)) {
        PageInfo info = pdf_->Page(last);
        std::vector<TextLine> lines = pdf_->Lines(last);
        if (!HasUsableText(lines)) {
            if (whole && !Cancelled(cancelled)) {
                info.ocr = true;
                lines = ocr_->Read(pdf_->Draw(last, kOcrDpi, 0, 1), last, cancelled);
            } else {
                text.pages[0].partial = true;  // the last page of scans is read when Whole
            }
        }
        text.pages.push_back(info);
        text.lines.insert(text.lines.end(), lines.begin(), lines.end());
    }
    pdf_->Close();
    return text;
}
