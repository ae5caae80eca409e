// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>
#include <string_view>
#include <vector>

#include "names/FileText.h"

// A page drawn in grey, one byte a pixel, rows `width` bytes apart.
struct GreyImage {
    int width = 0, height = 0;
    int dpi = 0;
    float top = 0;  // where the image starts on the page, in points
    std::vector<unsigned char> pixels;
};

// A PDF held in memory, read with MuPDF: the text of a page with positions and
// sizes, and the page drawn for OCR. One per thread; the bytes must outlive it.
class PdfText {
public:
    PdfText();
    ~PdfText();
    PdfText(const PdfText&) = delete;
    PdfText& operator=(const PdfText&) = delete;

    // False when the bytes are not a PDF we can read (damaged, or locked by a password).
    bool Open(std::string_view file);
    // Lets go of the document, before its bytes go.
    void Close();
    int Pages() const;
    PageInfo Page(int page);
    // The text layer's lines, in reading order; and where pictures smaller
    // than half the page stand (a scan's own picture is none of them).
    std::vector<TextLine> Lines(int page, std::vector<TextBox>* pictures = nullptr);
    // The part of the page from `from` to `to` (fractions of its height) at `dpi`.
    GreyImage Draw(int page, int dpi, float from, float to);

    // Stops the page being read or drawn, from any thread; it then gives
    // nothing, and so does every page until ResetAbort().
    void Abort();
    void ResetAbort();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What a page may cost: pixels drawn for OCR, either side of the picture,
// lines of text and characters of a line.
constexpr double kMostPixels = 40e6;
constexpr int kWidestPicture = 32767;
constexpr int kLeastOcrDpi = 50;  // below this, OCR reads nothing anyway
constexpr std::size_t kMostLinesOfAPage = 4000;
constexpr std::size_t kMostPicturesOfAPage = 100;
constexpr std::size_t kLongestLine = 1000;

// The resolution at which `share` of the page's height is drawn for OCR, at
// most `dpi`; 0 when it cannot be drawn within the caps above.
int OcrResolution(const PageInfo& page, int dpi, float share);

// Enough text of its own that OCR would add nothing: characters that are not
// spaces, replacement characters or private-use code.
bool HasUsableText(const std::vector<TextLine>& lines);
