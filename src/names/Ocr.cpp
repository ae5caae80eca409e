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

// A word's box on the page the right way up, for a block whose text's top
// faces `up` in a picture `w` by `h`: a page scanned turned reads as if it
// was not.
void Upright(tesseract::Orientation up, int w, int h, int* x0, int* y0, int* x1, int* y1) {
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
    int state = 0;  // 0 not started, 1 ready, -1 failed
};

Ocr::Ocr(std::string dataFolder) : impl_(std::make_unique<Impl>()) {
    impl_->dataFolder = dataFolder.empty() ? DefaultOcrData() : std::move(dataFolder);
}

Ocr::~Ocr() { impl_->api.End(); }

bool Ocr::Ready() {
    if (impl_->state == 0) {
        LimitOcrToOneThread();
        const char* folder = impl_->dataFolder.empty() ? nullptr : impl_->dataFolder.c_str();
        impl_->state = impl_->api.Init(folder, "jpn+eng", tesseract::OEM_LSTM_ONLY) == 0 ? 1 : -1;
        if (impl_->state == 1) impl_->api.SetPageSegMode(tesseract::PSM_AUTO);
    }
    return impl_->state == 1;
}

std::vector<TextLine> Ocr::Read(const GreyImage& image, int page, const std::atomic<bool>* cancelled, bool* turned) {
    std::vector<TextLine> lines;
    if (image.width <= 0 || image.height <= 0 || !Ready()) return lines;
    tesseract::TessBaseAPI& api = impl_->api;
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
    int left = 0, top = 0, right = 0, bottom = 0;
    int words = 0, turnedWords = 0;
    const auto finish = [&] {
        TextLine line;
        line.text = Squeeze(JoinJapaneseSpaces(ToUtf16(text, CodePage::FromNumber(65001))));
        text.clear();
        if (line.text.empty()) return;
        line.page = page;
        line.box = {left * points, image.top + top * points, right * points, image.top + bottom * points};
        line.size = line.box.Height();
        lines.push_back(std::move(line));
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
            Upright(up, image.width, image.height, &x0, &y0, &x1, &y1);
            turnedWords += up == tesseract::ORIENTATION_PAGE_RIGHT || up == tesseract::ORIENTATION_PAGE_LEFT;
            ++words;
            const int height = std::max(y1 - y0, bottom - top);
            if (!text.empty() && (it->IsAtBeginningOf(tesseract::RIL_TEXTLINE) || x0 - right > 2 * height)) finish();
            if (text.empty()) left = x0, top = y0, right = x1, bottom = y1;
            else text += ' ', top = std::min(top, y0), right = std::max(right, x1), bottom = std::max(bottom, y1);
            text += word.get();
        } while (it->Next(tesseract::RIL_WORD));
    }
    if (!text.empty()) finish();
    api.Clear();
    if (turned != nullptr) *turned = turnedWords * 2 > words;
    return lines;
}
