// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "names/FileText.h"
#include "names/PdfText.h"

// Tesseract reading Japanese and English together, on one thread: started
// once, then used for page after page. One per thread.
class Ocr {
public:
    // `dataFolder` holds jpn.traineddata, eng.traineddata and osd.traineddata; empty for
    // DefaultOcrData().
    explicit Ocr(std::string dataFolder = {});
    ~Ocr();
    Ocr(const Ocr&) = delete;
    Ocr& operator=(const Ocr&) = delete;

    // False when the language data could not be loaded.
    bool Ready();
    // The lines read from `image`, boxes in the page's points, Japanese
    // spaces joined. Stops early, with what it has, once `cancelled` is set.
    // A page scanned turned by a quarter is read the right way up, its boxes
    // too, and `turned` says so.
    std::vector<TextLine> Read(const GreyImage& image, int page, const std::atomic<bool>* cancelled = nullptr,
                               bool* turned = nullptr);
    // Read as Read does, for headings: text looked for anywhere, not only in
    // blocks, which finds large type standing alone.
    std::vector<TextLine> ReadHeadings(const GreyImage& image, int page, const std::atomic<bool>* cancelled = nullptr);
    // Only the lines of type far larger than the rest, each read alone: within
    // a page, letter-spaced headings (請 求 書) read as specks or Latin letters.
    std::vector<TextLine> ReadLargeType(const GreyImage& image, int page, const std::atomic<bool>* cancelled = nullptr);
    // How many quarter turns clockwise the page in `image` stands from
    // upright, told by the shapes of its letters; 0 when it cannot tell.
    int Turn(const GreyImage& image);

private:
    std::vector<TextLine> ReadLines(const GreyImage& image, int page, const std::atomic<bool>* cancelled, bool* turned,
                                    int layout);
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// `image` turned back by `quarters` quarter turns counterclockwise.
GreyImage TurnedBack(const GreyImage& image, int quarters);

// Where the language data is when none is named: empty, for Tesseract's own
// folder, where a package manager put it; or beside the program.
std::string DefaultOcrData();

// Tesseract's OpenMP would start a thread for each core for every line: on
// two cores shared with the window that is many times slower, not faster.
void LimitOcrToOneThread();
