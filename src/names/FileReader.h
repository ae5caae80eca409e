// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Bytes.h"
#include "names/FileKind.h"
#include "names/FileText.h"
#include "platform/FileIdentity.h"

class Ocr;
class PdfText;

// Reads what a file says about itself: a PDF's text layer (OCR for a scan),
// an MP3's tags. One per thread: it keeps MuPDF and Tesseract between files.
class FileReader {
public:
    struct Result {
        FileText text;
        std::optional<FileIdentity> identity;  // of the file read; none when it could not be
    };

    // `ocrData`: the folder with the language data; empty for DefaultOcrData().
    explicit FileReader(std::string ocrData = {});
    ~FileReader();

    // The file is read whole and closed before anything is parsed.
    Result Read(const Bytes& path, const std::atomic<bool>* cancelled = nullptr, ReadDepth depth = ReadDepth::Top);
    // A file's bytes, read as `kind`.
    FileText ReadBytes(std::string_view file, FileKind kind, const std::atomic<bool>* cancelled = nullptr,
                       ReadDepth depth = ReadDepth::Top);
    // Loads what the first read would (the OCR language data), so that
    // nothing is opened later.
    void Prepare();
    // Stops the read in hand, from another thread; ResetAbort() before the next.
    void Abort();
    void ResetAbort();
    // Page 1 (its text layer, else OCR of its top; of all of it when `depth`
    // is Whole) and the last page's text layer (when Whole, OCR of the last
    // page that has none). A scan read only in part says so in its first page.
    FileText ReadPdf(std::string_view file, const std::atomic<bool>* cancelled = nullptr, ReadDepth depth = ReadDepth::Top);

private:
    std::unique_ptr<PdfText> pdf_;
    std::unique_ptr<Ocr> ocr_;
};

// The share of page 1 that OCR reads first, and the resolution it reads at.
constexpr float kOcrTop = 0.35f;
constexpr int kOcrDpi = 300;
constexpr int kHeadingDpi = 100;  // headings, read again coarsely
