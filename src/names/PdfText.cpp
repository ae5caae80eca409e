// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/PdfText.h"

extern "C" {
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
}

#include <algorithm>
#include <cmath>
#include <new>

// fz_try jumps with longjmp: no object with a destructor lives inside one, and
// no C++ exception crosses MuPDF.

struct PdfText::Impl {
    fz_context* ctx = nullptr;
    fz_document* doc = nullptr;
    int pages = 0;
    fz_cookie cookie{};  // every run of a page goes through it, so Abort() stops any
};

PdfText::PdfText() : impl_(std::make_unique<Impl>()) {
    impl_->ctx = fz_new_context(nullptr, nullptr, FZ_STORE_DEFAULT);
    if (impl_->ctx == nullptr) throw std::bad_alloc();
    // A damaged file is ordinary here: no warnings on the terminal.
    fz_set_warning_callback(impl_->ctx, [](void*, const char*) {}, nullptr);
    fz_set_error_callback(impl_->ctx, [](void*, const char*) {}, nullptr);
}

PdfText::~PdfText() {
    fz_drop_document(impl_->ctx, impl_->doc);
    fz_drop_context(impl_->ctx);
}

bool PdfText::Open(std::string_view file) {
    Close();
    fz_context* ctx = impl_->ctx;
    fz_stream* stream = nullptr;
    fz_document* doc = nullptr;
    int pages = 0;
    fz_var(stream);
    fz_var(doc);
    fz_var(pages);
    fz_try(ctx) {
        stream = fz_open_memory(ctx, reinterpret_cast<const unsigned char*>(file.data()), file.size());
        doc = &pdf_open_document_with_stream(ctx, stream)->super;
        if (!fz_needs_password(ctx, doc)) pages = fz_count_pages(ctx, doc);
    }
    fz_always(ctx) { fz_drop_stream(ctx, stream); }
    fz_catch(ctx) { pages = 0; }
    if (pages <= 0) {
        fz_drop_document(ctx, doc);
        return false;
    }
    impl_->doc = doc;
    impl_->pages = pages;
    return true;
}

void PdfText::Close() {
    fz_drop_document(impl_->ctx, impl_->doc);
    impl_->doc = nullptr;
    impl_->pages = 0;
}

int PdfText::Pages() const { return impl_->pages; }

PageInfo PdfText::Page(int page) {
    PageInfo info;
    info.page = page;
    if (page < 0 || page >= impl_->pages) return info;
    fz_context* ctx = impl_->ctx;
    fz_page* p = nullptr;
    fz_rect box = fz_empty_rect;
    fz_var(p);
    fz_try(ctx) {
        p = fz_load_page(ctx, impl_->doc, page);
        box = fz_bound_page(ctx, p);
    }
    fz_always(ctx) { fz_drop_page(ctx, p); }
    fz_catch(ctx) { box = fz_empty_rect; }
    info.width = box.x1 - box.x0;
    info.height = box.y1 - box.y0;
    return info;
}

namespace {

// A line as MuPDF gives it, copied out so that nothing C++ lives inside fz_try.
void AppendLine(fz_stext_line* line, fz_rect page, int number, std::vector<TextLine>& out) {
    TextLine text;
    text.page = number;
    text.box = {line->bbox.x0 - page.x0, line->bbox.y0 - page.y0, line->bbox.x1 - page.x0, line->bbox.y1 - page.y0};
    for (fz_stext_char* c = line->first_char; c != nullptr && text.text.size() < kLongestLine; c = c->next) {
        const int rune = c->c;
        if (rune >= 0x10000 && rune <= 0x10FFFF) {
            text.text.push_back(char16_t(0xD800 + ((rune - 0x10000) >> 10)));
            text.text.push_back(char16_t(0xDC00 + ((rune - 0x10000) & 0x3FF)));
        } else if (rune > 0 && rune < 0x10000) {
            text.text.push_back(char16_t(rune));
        }
        text.size = std::max(text.size, c->size);
    }
    if (!text.text.empty()) out.push_back(std::move(text));
}

}  // namespace

std::vector<TextLine> PdfText::Lines(int page, std::vector<TextBox>* pictures) {
    std::vector<TextLine> lines;
    if (page < 0 || page >= impl_->pages) return lines;
    fz_context* ctx = impl_->ctx;
    fz_page* p = nullptr;
    fz_stext_page* text = nullptr;
    fz_device* device = nullptr;
    fz_rect bounds = fz_empty_rect;
    fz_var(p);
    fz_var(text);
    fz_var(device);
    fz_try(ctx) {
        p = fz_load_page(ctx, impl_->doc, page);
        bounds = fz_bound_page(ctx, p);
        fz_stext_options options{};
        if (pictures != nullptr) options.flags = FZ_STEXT_PRESERVE_IMAGES;  // their places, not their pixels
        text = fz_new_stext_page(ctx, bounds);
        device = fz_new_stext_device(ctx, text, &options);
        fz_run_page(ctx, p, device, fz_identity, &impl_->cookie);
        fz_close_device(ctx, device);
        if (impl_->cookie.abort) fz_throw(ctx, FZ_ERROR_ABORT, "aborted");
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
        fz_drop_page(ctx, p);
    }
    fz_catch(ctx) {
        fz_drop_stext_page(ctx, text);
        text = nullptr;
    }
    if (text == nullptr) return lines;
    try {
        const float half = (bounds.x1 - bounds.x0) * (bounds.y1 - bounds.y0) / 2;
        for (fz_stext_block* block = text->first_block; block != nullptr; block = block->next) {
            const fz_rect b = block->bbox;
            if (block->type == FZ_STEXT_BLOCK_IMAGE && pictures != nullptr && pictures->size() < kMostPicturesOfAPage &&
                (b.x1 - b.x0) * (b.y1 - b.y0) < half)
                pictures->push_back({b.x0 - bounds.x0, b.y0 - bounds.y0, b.x1 - bounds.x0, b.y1 - bounds.y0});
            if (block->type != FZ_STEXT_BLOCK_TEXT) continue;
            for (fz_stext_line* line = block->u.t.first_line; line != nullptr && lines.size() < kMostLinesOfAPage;
                 line = line->next)
                AppendLine(line, bounds, page, lines);
        }
    } catch (...) {
        fz_drop_stext_page(ctx, text);
        throw;
    }
    fz_drop_stext_page(ctx, text);
    return lines;
}

namespace {

// Where the part of a page from `from` to `to` of its height lies at
// `scale`, in pixels, and the page's bounds; false when MuPDF fails. Each of
// these runs alone in its function, so that no local lives across the
// longjmp but the ones fz_var marks.
bool PartPixels(fz_context* ctx, fz_document* doc, int page, float scale, float from, float to, fz_rect* bounds,
                fz_irect* pixels) {
    fz_page* p = nullptr;
    bool ok = true;
    fz_var(p);
    fz_try(ctx) {
        p = fz_load_page(ctx, doc, page);
        *bounds = fz_bound_page(ctx, p);
        const float height = bounds->y1 - bounds->y0;
        fz_rect part = *bounds;
        part.y0 = bounds->y0 + height * from;
        part.y1 = bounds->y0 + height * to;
        *pixels = fz_round_rect(fz_transform_rect(part, fz_scale(scale, scale)));
    }
    fz_always(ctx) { fz_drop_page(ctx, p); }
    fz_catch(ctx) { ok = false; }
    return ok;
}

// The page drawn in grey into `samples`, one byte a pixel, rows as wide as
// `pixels`: the picture OCR reads, with no copy of it in between.
bool DrawInto(fz_context* ctx, fz_document* doc, int page, float scale, fz_irect pixels, unsigned char* samples,
              fz_cookie* cookie) {
    fz_page* p = nullptr;
    fz_pixmap* pixmap = nullptr;
    fz_device* device = nullptr;
    bool ok = true;
    fz_var(p);
    fz_var(pixmap);
    fz_var(device);
    fz_try(ctx) {
        p = fz_load_page(ctx, doc, page);
        pixmap = fz_new_pixmap_with_bbox_and_data(ctx, fz_device_gray(ctx), pixels, nullptr, 0, samples);
        fz_clear_pixmap_with_value(ctx, pixmap, 255);
        device = fz_new_draw_device(ctx, fz_identity, pixmap);
        fz_run_page(ctx, p, device, fz_scale(scale, scale), cookie);
        fz_close_device(ctx, device);
        if (cookie->abort) fz_throw(ctx, FZ_ERROR_ABORT, "aborted");
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
        fz_drop_pixmap(ctx, pixmap);
        fz_drop_page(ctx, p);
    }
    fz_catch(ctx) { ok = false; }
    return ok;
}

}  // namespace

GreyImage PdfText::Draw(int page, int dpi, float from, float to) {
    GreyImage image;
    if (page < 0 || page >= impl_->pages || from >= to) return image;
    dpi = OcrResolution(Page(page), dpi, to - from);
    if (dpi == 0) return image;
    fz_context* ctx = impl_->ctx;
    fz_rect bounds = fz_empty_rect;
    fz_irect pixels = fz_empty_irect;
    const float scale = dpi / 72.0f;
    if (!PartPixels(ctx, impl_->doc, page, scale, from, to, &bounds, &pixels)) return image;
    const int w = pixels.x1 - pixels.x0, h = pixels.y1 - pixels.y0;
    if (w <= 0 || h <= 0 || w > kWidestPicture || h > kWidestPicture) return image;
    image.pixels.resize(std::size_t(w) * std::size_t(h));
    if (!DrawInto(ctx, impl_->doc, page, scale, pixels, image.pixels.data(), &impl_->cookie)) return GreyImage{};
    image.width = w;
    image.height = h;
    image.dpi = dpi;
    image.top = (bounds.y1 - bounds.y0) * from;
    return image;
}

int OcrResolution(const PageInfo& page, int dpi, float share) {
    // A poster-sized page is drawn at fewer dots, not into gigabytes; one
    // that even then would be too large, or too fine to read, is not drawn.
    const double area = double(page.width) * page.height * share / (72.0 * 72.0);
    if (!(area > 0) || dpi <= 0) return 0;
    if (area * dpi * dpi > kMostPixels) dpi = int(std::sqrt(kMostPixels / area));
    const double widest = std::max(page.width, page.height * share) * dpi / 72.0;
    return dpi < kLeastOcrDpi || widest > kWidestPicture ? 0 : dpi;
}

void PdfText::Abort() { impl_->cookie.abort = 1; }
void PdfText::ResetAbort() { impl_->cookie = fz_cookie{}; }

bool HasUsableText(const std::vector<TextLine>& lines) {
    std::size_t good = 0, all = 0;
    for (const TextLine& line : lines) {
        for (char16_t c : line.text) {
            if (c == u' ' || c == 0x3000) continue;
            ++all;
            if (c != 0xFFFD && !(c >= 0xE000 && c <= 0xF8FF) && c >= 0x20) ++good;
        }
    }
    return good >= 10 && good * 2 >= all;
}
