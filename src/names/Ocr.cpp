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

// Large type: lines this many tenths of the usual height or more, at most
// a few of them, read alone; kept when Tesseract is this sure of them.
// Shorter runs of ink are specks.
constexpr int kLargeTypeTenths = 18;
constexpr int kMostTypeTimes = 5;
constexpr std::size_t kMostLargeLines = 3;
constexpr int kLeastHeadingConfidence = 60;
constexpr int kLeastTypePixels = 4;

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

struct PixelBox {
    int x0, y0, x1, y1;  // x1, y1 past the last
};

bool Ink(const GreyImage& image, int x, int y) { return image.pixels[std::size_t(y) * std::size_t(image.width) + std::size_t(x)] < 128; }

// The runs of rows from y0 to y1 with ink between x0 and x1.
std::vector<std::pair<int, int>> InkRows(const GreyImage& image, int x0, int x1, int y0, int y1) {
    std::vector<std::pair<int, int>> runs;
    for (int y = y0; y < y1; ++y) {
        bool ink = false;
        for (int x = x0; x < x1 && !ink; ++x) ink = Ink(image, x, y);
        if (!ink) continue;
        if (!runs.empty() && runs.back().second >= y - 1) runs.back().second = y + 1;
        else runs.push_back({y, y + 1});
    }
    return runs;
}

// Lines of type far larger than the page's usual, largest first: bands of
// rows with ink, cut across where the gap is wider than the band is tall, each
// piece measured again alone (two columns side by side make one band).
std::vector<PixelBox> LargeType(const GreyImage& image) {
    std::vector<PixelBox> boxes;
    for (const auto& band : InkRows(image, 0, image.width, 0, image.height)) {
        const int top = band.first, bottom = band.second, gap = bottom - top;
        int from = -1, last = -1;
        const auto piece = [&] {
            for (const auto& [y0, y1] : InkRows(image, from, last + 1, top, bottom))
                if (y1 - y0 >= kLeastTypePixels) boxes.push_back({from, y0, last + 1, y1});
        };
        for (int x = 0; x < image.width; ++x) {
            bool ink = false;
            for (int y = top; y < bottom && !ink; ++y) ink = Ink(image, x, y);
            if (!ink) continue;
            if (from >= 0 && x - last > gap) piece(), from = -1;
            if (from < 0) from = x;
            last = x;
        }
        if (from >= 0) piece();
    }
    if (boxes.size() < 3) return {};  // no usual type to be larger than
    std::vector<int> heights;
    for (const PixelBox& b : boxes) heights.push_back(b.y1 - b.y0);
    std::nth_element(heights.begin(), heights.begin() + std::ptrdiff_t(heights.size() / 2), heights.end());
    const int usual = heights[heights.size() / 2];
    // Taller still is a table's frame or a picture; narrower than tall, a rule.
    std::erase_if(boxes, [&](const PixelBox& b) {
        const int height = b.y1 - b.y0;
        return height * 10 < usual * kLargeTypeTenths || height > usual * kMostTypeTimes || b.x1 - b.x0 < height;
    });
    std::sort(boxes.begin(), boxes.end(), [](const PixelBox& a, const PixelBox& b) { return a.y1 - a.y0 > b.y1 - b.y0; });
    if (boxes.size() > kMostLargeLines) boxes.resize(kMostLargeLines);
    return boxes;
}

// What Tesseract read, as a line's text: UTF-8 made ours, OCR's spaces between Japanese joined.
std::u16string LineText(const Bytes& utf8) { return Squeeze(JoinJapaneseSpaces(ToUtf16(utf8, CodePage::FromNumber(65001)))); }

// Pixels of `image` as points on its page.
TextBox BoxOnPage(const GreyImage& image, int x0, int y0, int x1, int y1) {
    const float points = 72.0f / float(image.dpi);
    return {x0 * points, image.top + y0 * points, x1 * points, image.top + y1 * points};
}

// `image` handed to Tesseract, and `monitor` made to stop it once `cancelled` is set.
void SetPicture(tesseract::TessBaseAPI& api, const GreyImage& image, const std::atomic<bool>* cancelled,
                tesseract::ETEXT_DESC& monitor) {
    api.SetImage(image.pixels.data(), image.width, image.height, 1, image.width);
    api.SetSourceResolution(image.dpi);
    monitor.cancel = [](void* flag, int) { return flag != nullptr && static_cast<const std::atomic<bool>*>(flag)->load(); };
    monitor.cancel_this = const_cast<std::atomic<bool>*>(cancelled);
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

std::vector<TextLine> Ocr::ReadLargeType(const GreyImage& image, int page, const std::atomic<bool>* cancelled) {
    std::vector<TextLine> large;
    if (image.width <= 0 || image.height <= 0 || !Ready()) return large;
    // Type far larger than the rest, each line read alone: within the page,
    // letter-spaced headings (請 求 書) are read as specks or Latin letters.
    tesseract::TessBaseAPI& api = impl_->api;
    api.SetPageSegMode(tesseract::PSM_SINGLE_LINE);
    tesseract::ETEXT_DESC monitor;
    SetPicture(api, image, cancelled, monitor);
    for (const PixelBox& box : LargeType(image)) {
        const int pad = (box.y1 - box.y0) / 2;  // closer, Tesseract misreads the letters at the edge
        const int x0 = std::max(0, box.x0 - pad), y0 = std::max(0, box.y0 - pad);
        api.SetRectangle(x0, y0, std::min(image.width, box.x1 + pad) - x0, std::min(image.height, box.y1 + pad) - y0);
        if (api.Recognize(&monitor) != 0) break;
        std::unique_ptr<char[]> read(api.GetUTF8Text());
        if (!read || api.MeanTextConf() < kLeastHeadingConfidence) continue;
        TextLine line;
        line.text = LineText(read.get());
        if (line.text.empty()) continue;
        line.page = page;
        line.box = BoxOnPage(image, box.x0, box.y0, box.x1, box.y1);
        line.size = line.box.Height();
        large.push_back(std::move(line));
    }
    api.Clear();
    return large;
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
    tesseract::ETEXT_DESC monitor;
    SetPicture(api, image, cancelled, monitor);
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
        line.text = LineText(text);
        text.clear();
        if (line.text.empty()) return;
        line.page = page;
        line.box = BoxOnPage(image, left, top, right, bottom);
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
