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
    // `dataFolder` holds jpn.traineddata and eng.traineddata; empty for
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

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Where the language data is when none is named: empty, for Tesseract's own
// folder, where a package manager put it; or beside the program.
std::string DefaultOcrData();

// Tesseract's OpenMP would start a thread for each core for every line: on
// two cores shared with the window that is many times slower, not faster.
void LimitOcrToOneThread();
