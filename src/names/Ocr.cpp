// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Ocr.h"

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>

#include "core/CodePage.h"
#include "names/Text.h"

namespace {

// Measured on our scans: the specks Tesseract reads as words (や, ココ, Nhe,
// エビ) score 0 to 31; the words of the page 43 and up, all but a rare
// fragment of a sentence.
constexpr float kLeastWordConfidence = 35;

// Below this the orientation classifier is guessing. Measured on our scans:
// turned pages score 6.6 to 9.4, upright ones about 5. A doubtful answer
// would cost a second read that is then thrown away.
constexpr float kLeastTurnConfidence = 2;

// A word's box on the page the right way up, for a block whose text's top
// faces `up` in a picture `w` by `h`: a page scanned turned reads as if it
// was not.
void UprightBox(tesseract::Orientation up, int w, int h, int* x0, int* y0, int* x1, int* y1) {
    const int a = *x0, b = *y0, c = *x1, d = *y1;
    switch (up) {
    case tesseract::ORIENTATION_PAGE_RIGHT: *x0 = b, *y0 = w - c, *x1 = d, *y1 = w - a; break;
    case tesseract::ORIENTATION_PAGE_LEFT: *x0 = h - d, *y0 = a, *x1 = h - b, *y1 = c; break;
    case tesseract::ORIENTATION_PAGE_DOWN: *x0 = w - c, *y0 = h - d, *x1 = w - a, *y1 = h - b; break;
    case tesseract::ORIENTATION_PAGE_UP: break;
    }
}

}  // namespace

struct Ocr::Impl {
    std::string dataFolder;
    tesseract::TessBaseAPI api;
    tesseract::TessBaseAPI orientation;  // the legacy classifier, for Turn only
    int state = 0;  // 0 not started, 1 ready, -1 failed
    bool orientationReady = false;
};

Ocr::Ocr(std::string dataFolder) : impl_(std::make_unique<Impl>()) {
    impl_->dataFolder = dataFolder.empty() ? DefaultOcrData() : std::move(dataFolder);
}

Ocr::~Ocr() {
    impl_->api.End();
    impl_->orientation.End();
}

bool Ocr::Ready() {
    if (impl_->state == 0) {
        LimitOcrToOneThread();
        const char* folder = impl_->dataFolder.empty() ? nullptr : impl_->dataFolder.c_str();
        impl_->state = impl_->api.Init(folder, "jpn+eng", tesseract::OEM_LSTM_ONLY) == 0 ? 1 : -1;
        if (impl_->state == 1) impl_->api.SetPageSegMode(tesseract::PSM_AUTO);
        // Without it pages are still read; only a turned one is not turned back.
        impl_->orientationReady = impl_->state == 1 && impl_->orientation.Init(folder, "osd", tesseract::OEM_TESSERACT_ONLY) == 0;
        if (impl_->orientationReady) impl_->orientation.SetPageSegMode(tesseract::PSM_OSD_ONLY);
    }
    return impl_->state == 1;
}

std::vector<TextLine> Ocr::Read(const GreyImage& image, int page, const std::atomic<bool>* cancelled, bool* turned) {
    return ReadLines(image, page, cancelled, turned, tesseract::PSM_AUTO);
}

std::vector<TextLine> Ocr::ReadHeadings(const GreyImage& image, int page, const std::atomic<bool>* cancelled) {
    // Headings stand apart: looked for as scattered text, not in blocks.
    return ReadLines(image, page, cancelled, nullptr, tesseract::PSM_SPARSE_TEXT);
}

std::vector<TextLine> Ocr::ReadLines(const GreyImage& image, int page, const std::atomic<bool>* cancelled, bool* turned,
                                     int layout) {
    std::vector<TextLine> lines;
    if (image.width <= 0 || image.height <= 0 || !Ready()) return lines;
    tesseract::TessBaseAPI& api = impl_->api;
    api.SetPageSegMode(tesseract::PageSegMode(layout));
    api.SetImage(image.pixels.data(), image.width, image.height, 1, image.width);
    api.SetSourceResolution(image.dpi);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = [](void* flag, int) { return flag != nullptr && static_cast<const std::atomic<bool>*>(flag)->load(); };
    monitor.cancel_this = const_cast<std::atomic<bool>*>(cancelled);
    if (api.Recognize(&monitor) != 0 || (cancelled != nullptr && cancelled->load())) {
        api.Clear();
        return lines;
    }
    // Word by word: Tesseract makes one line of things that merely share a
    // baseline (御中 on the left, 請求書番号 on the right); a wide gap splits it.
    const float points = 72.0f / float(image.dpi);
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    Bytes text;
    int left = 0, top = 0, right = 0, bottom = 0, tallest = 0;
    int words = 0, turnedWords = 0;
    bool lineTurned = false;
    std::vector<bool> linesTurned;
    const auto finish = [&] {
        TextLine line;
        line.text = Squeeze(JoinJapaneseSpaces(ToUtf16(text, CodePage::FromNumber(65001))));
        text.clear();
        if (line.text.empty()) return;
        line.page = page;
        line.box = {left * points, image.top + top * points, right * points, image.top + bottom * points};
        line.size = tallest * points;  // a box over two lines run together is no large type
        lines.push_back(std::move(line));
        linesTurned.push_back(lineTurned);
    };
    if (it && !it->Empty(tesseract::RIL_WORD)) {
        do {
            int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
            std::unique_ptr<char[]> word(it->GetUTF8Text(tesseract::RIL_WORD));
            if (!word || !it->BoundingBox(tesseract::RIL_WORD, &x0, &y0, &x1, &y1)) continue;
            if (it->Confidence(tesseract::RIL_WORD) < kLeastWordConfidence) continue;  // a speck read as a word
            tesseract::Orientation up = tesseract::ORIENTATION_PAGE_UP;
            tesseract::WritingDirection direction{};
            tesseract::TextlineOrder order{};
            float deskew = 0;
            it->Orientation(&up, &direction, &order, &deskew);
            // Lines running down the picture are lines of a page turned a
            // quarter, or columns of vertical writing: either way the first
            // one, at the right, stands first.
            if (up == tesseract::ORIENTATION_PAGE_UP && direction == tesseract::WRITING_DIRECTION_TOP_TO_BOTTOM)
                up = tesseract::ORIENTATION_PAGE_RIGHT;
            UprightBox(up, image.width, image.height, &x0, &y0, &x1, &y1);
            const bool wordTurned = up == tesseract::ORIENTATION_PAGE_RIGHT || up == tesseract::ORIENTATION_PAGE_LEFT;
            turnedWords += wordTurned;
            ++words;
            const int height = std::max(y1 - y0, bottom - top);
            if (!text.empty() && (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || x0 - right > 2 * height)) finish();
            if (text.empty()) left = x0, top = y0, right = x1, bottom = y1, tallest = 0, lineTurned = wordTurned;
            else text += ' ', top = std::min(top, y0), right = std::max(right, x1), bottom = std::max(bottom, y1);
            tallest = std::max(tallest, y1 - y0);
            text += word.get();
        } while (it->Next(tesseract::RIL_WORD));
    }
    if (!text.empty()) finish();
    api.Clear();
    // The page stands as most of its words do; lines the other way are specks
    // taken for words, with boxes in the other frame.
    const bool pageTurned = turnedWords * 2 > words;
    std::size_t i = 0;
    std::erase_if(lines, [&](const TextLine&) { return linesTurned[i++] != pageTurned; });
    if (turned != nullptr) *turned = pageTurned;
    return lines;
}

int Ocr::Turn(const GreyImage& image) {
    if (image.width <= 0 || image.height <= 0 || !Ready() || !impl_->orientationReady) return 0;
    tesseract::TessBaseAPI& api = impl_->orientation;
    api.SetImage(image.pixels.data(), image.width, image.height, 1, image.width);
    api.SetSourceResolution(image.dpi);
    api.SetVariable("user_defined_dpi", std::to_string(image.dpi).c_str());
    int degrees = 0;
    float confidence = 0, scriptConfidence = 0;
    const char* script = nullptr;
    const bool found = api.DetectOrientationScript(&degrees, &confidence, &script, &scriptConfidence);
    api.Clear();
    return found && confidence >= kLeastTurnConfidence ? degrees / 90 % 4 : 0;
}

GreyImage TurnedBack(const GreyImage& image, int quarters) {
    quarters = (quarters % 4 + 4) % 4;
    if (quarters == 0) return image;
    const int w = image.width, h = image.height;
    GreyImage out;
    out.dpi = image.dpi;
    out.width = quarters == 2 ? w : h;
    out.height = quarters == 2 ? h : w;
    out.pixels.resize(image.pixels.size());
    // Turned clockwise by `quarters`: the pixel at (x, y) of the upright page
    // stands where the turn took it.
    for (int y = 0; y < out.height; ++y) {
        unsigned char* row = out.pixels.data() + std::size_t(y) * std::size_t(out.width);
        for (int x = 0; x < out.width; ++x) {
            int sx = x, sy = y;
            if (quarters == 1) sx = w - 1 - y, sy = x;
            else if (quarters == 2) sx = w - 1 - x, sy = h - 1 - y;
            else sx = y, sy = h - 1 - x;
            row[x] = image.pixels[std::size_t(sy) * std::size_t(w) + std::size_t(sx)];
        }
    }
    return out;
}
