// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MuPdfDocument.h"

extern "C" {
#include <mupdf/pdf.h>
}

#include <atomic>
#include <cstdlib>
#include <new>

#include "win32/MuPdfLocks.h"
#include "win32/SystemFonts.h"

// fz_try jumps with longjmp: no object with a destructor lives inside one.

// What a capped context has taken; each block carries its size before it.
struct MuPdfContext::Budget {
    static constexpr std::size_t kHeader = alignof(std::max_align_t);
    std::size_t cap;
    std::atomic<std::size_t> used{0};

    bool Take(std::size_t size) {
        if (used.fetch_add(size) + size <= cap) return true;
        used.fetch_sub(size);
        return false;
    }
    static void* Malloc(void* user, std::size_t size) {
        auto* budget = static_cast<Budget*>(user);
        if (size > budget->cap || !budget->Take(size + kHeader)) return nullptr;
        auto* block = static_cast<char*>(std::malloc(size + kHeader));
        if (block == nullptr) {
            budget->used.fetch_sub(size + kHeader);
            return nullptr;
        }
        *reinterpret_cast<std::size_t*>(block) = size;
        return block + kHeader;
    }
    static void Free(void* user, void* data) {
        if (data == nullptr) return;
        char* block = static_cast<char*>(data) - kHeader;
        static_cast<Budget*>(user)->used.fetch_sub(*reinterpret_cast<std::size_t*>(block) + kHeader);
        std::free(block);
    }
    static void* Realloc(void* user, void* data, std::size_t size) {
        if (data == nullptr) return Malloc(user, size);
        auto* budget = static_cast<Budget*>(user);
        char* block = static_cast<char*>(data) - kHeader;
        const std::size_t old = *reinterpret_cast<std::size_t*>(block);
        if (size > old && (size > budget->cap || !budget->Take(size - old))) return nullptr;
        auto* moved = static_cast<char*>(std::realloc(block, size + kHeader));
        if (moved == nullptr) {
            if (size > old) budget->used.fetch_sub(size - old);
            return nullptr;
        }
        if (size < old) budget->used.fetch_sub(old - size);
        *reinterpret_cast<std::size_t*>(moved) = size;
        return moved + kHeader;
    }
};

MuPdfContext::MuPdfContext(std::size_t memoryCap) {
    fz_alloc_context alloc{nullptr, &Budget::Malloc, &Budget::Realloc, &Budget::Free};
    if (memoryCap != 0) {
        budget_ = std::make_unique<Budget>();
        budget_->cap = memoryCap;
        alloc.user = budget_.get();
    }
    ctx_ = fz_new_context(memoryCap != 0 ? &alloc : nullptr, SharedMuPdfLocks(), FZ_STORE_DEFAULT);
    if (ctx_ == nullptr) throw std::bad_alloc();
    InstallSystemFontLoader(ctx_);
}

MuPdfContext::~MuPdfContext() { fz_drop_context(ctx_); }

MuPdfDocument::MuPdfDocument(const MuPdfContext& context, std::string bytes)
    : ctx_(context.Get()), bytes_(std::make_shared<const std::string>(std::move(bytes))) {
    Open();
}

MuPdfDocument::MuPdfDocument(fz_context* ctx, std::shared_ptr<const std::string> bytes)
    : ctx_(ctx), bytes_(std::move(bytes)) {
    Open();
}

void MuPdfDocument::Open() {
    fz_stream* stream = nullptr;
    pdf_document* pdf = nullptr;
    int needsPassword = 0, pages = 0;
    fz_var(stream);
    fz_var(pdf);
    fz_var(needsPassword);
    fz_var(pages);
    fz_try(ctx_) {
        stream = fz_open_memory(ctx_, reinterpret_cast<const unsigned char*>(bytes_->data()), bytes_->size());
        pdf = pdf_open_document_with_stream(ctx_, stream);
        needsPassword = fz_needs_password(ctx_, &pdf->super);
        if (!needsPassword) pages = fz_count_pages(ctx_, &pdf->super);
    }
    fz_always(ctx_) { fz_drop_stream(ctx_, stream); }
    fz_catch(ctx_) {
        fz_drop_document(ctx_, pdf ? &pdf->super : nullptr);
        return;  // not a PDF
    }
    document_ = &pdf->super;
    if (needsPassword) status_ = Status::Encrypted;
    else if (pages > 0) status_ = Status::Ready, pages_ = pages;
}

MuPdfDocument::~MuPdfDocument() {
    fz_drop_page(ctx_, page_);
    fz_drop_document(ctx_, document_);
}

fz_page* MuPdfDocument::Page(int page) const {
    if (page < 0 || page >= pages_) return nullptr;
    if (page == pageNumber_) return page_;
    fz_drop_page(ctx_, page_);
    page_ = nullptr;
    pageNumber_ = -1;
    fz_page* loaded = nullptr;
    fz_try(ctx_) { loaded = fz_load_page(ctx_, document_, page); }
    fz_catch(ctx_) { return nullptr; }
    page_ = loaded;
    pageNumber_ = page;
    return page_;
}

viewer::SizeF MuPdfDocument::PageSize(int page) const {
    fz_page* p = Page(page);
    if (p == nullptr) return {};
    fz_rect box = fz_empty_rect;
    fz_try(ctx_) { box = fz_bound_page(ctx_, p); }
    fz_catch(ctx_) { return {}; }
    return {box.x1 - box.x0, box.y1 - box.y0};
}

MuPdfDocument::Image MuPdfDocument::Draw(int page, viewer::Size size, viewer::Rect clip, bool bgrx, fz_cookie* cookie,
                                         viewer::PageFailure* failure) const {
    viewer::PageFailure why = viewer::PageFailure::None;
    Image image;
    fz_page* p = Page(page);
    const viewer::SizeF points = PageSize(page);
    if (p == nullptr || points.Empty() || clip.width <= 0 || clip.height <= 0) why = viewer::PageFailure::Broken;
    const fz_irect area{clip.x, clip.y, clip.x + clip.width, clip.y + clip.height};
    fz_pixmap* pixmap = nullptr;
    fz_device* device = nullptr;
    int error = FZ_ERROR_NONE;
    fz_var(pixmap);
    fz_var(device);
    fz_var(error);
    if (why == viewer::PageFailure::None) {
        fz_try(ctx_) {
            // The page's box to (0, 0)-(size), as Qt PDF scales a page to a size.
            const fz_rect bounds = fz_bound_page(ctx_, p);
            const fz_matrix ctm = fz_concat(fz_translate(-bounds.x0, -bounds.y0),
                                            fz_scale(size.width / points.width, size.height / points.height));
            pixmap = fz_new_pixmap_with_bbox(ctx_, bgrx ? fz_device_bgr(ctx_) : fz_device_rgb(ctx_), area, nullptr,
                                             bgrx ? 1 : 0);
            fz_clear_pixmap_with_value(ctx_, pixmap, 255);
            device = fz_new_draw_device(ctx_, fz_identity, pixmap);
            fz_run_page(ctx_, p, device, ctm, cookie);
            fz_close_device(ctx_, device);
        }
        fz_always(ctx_) { fz_drop_device(ctx_, device); }
        fz_catch(ctx_) { error = fz_caught(ctx_); }
        if (cookie != nullptr && cookie->abort) why = viewer::PageFailure::TooSlow;
        else if (error == FZ_ERROR_MEMORY) why = viewer::PageFailure::TooLarge;
        else if (error == FZ_ERROR_ABORT) why = viewer::PageFailure::TooSlow;
        else if (pixmap == nullptr) why = viewer::PageFailure::Broken;
        // Any other failure part way shows what was drawn.
    }
    if (why == viewer::PageFailure::None) {
        try {
            image.width = fz_pixmap_width(ctx_, pixmap);
            image.height = fz_pixmap_height(ctx_, pixmap);
            image.stride = fz_pixmap_stride(ctx_, pixmap);
            const unsigned char* samples = fz_pixmap_samples(ctx_, pixmap);
            image.pixels.assign(samples, samples + image.stride * image.height);
        } catch (const std::bad_alloc&) {
            image = {};
            why = viewer::PageFailure::TooLarge;
        }
    }
    fz_drop_pixmap(ctx_, pixmap);
    if (failure != nullptr) *failure = why;
    return image;
}

MuPdfDocument::Image MuPdfDocument::Render(int page, viewer::Size size, viewer::Rect clip, fz_cookie* cookie,
                                           viewer::PageFailure* failure) const {
    return Draw(page, size, clip, true, cookie, failure);
}

viewer::RectF MuPdfDocument::ContentBox(int page, fz_cookie* cookie, viewer::PageFailure* failure) const {
    const viewer::SizeF points = PageSize(page);
    const viewer::Size probe = viewer::ProbeSize(points);
    const Image image = Draw(page, probe, {0, 0, probe.width, probe.height}, false, cookie, failure);
    if (image.pixels.empty()) return {0, 0, points.width, points.height};
    return viewer::ContentBox({image.pixels.data(), image.width, image.height, image.stride, viewer::PixelFormat::Rgb24},
                              points);
}
