// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <mupdf/fitz.h>
}

#include "viewer/FitGeometry.h"
#include "viewer/PageRendering.h"

// A MuPDF context, with the process's shared locks (SharedMuPdfLocks) and
// the system's fonts for the fonts a PDF names but does not embed. With a
// memory cap, an allocation past it fails as MuPDF's own would.
class MuPdfContext {
public:
    explicit MuPdfContext(std::size_t memoryCap = 0);
    ~MuPdfContext();
    MuPdfContext(const MuPdfContext&) = delete;
    MuPdfContext& operator=(const MuPdfContext&) = delete;
    fz_context* Get() const { return ctx_; }

private:
    struct Budget;
    std::unique_ptr<Budget> budget_;  // outlives the context that counts on it
    fz_context* ctx_;
};

// A PDF parsed from bytes in memory, which it keeps: the file it came from
// is not held open. The bytes may be shared with another document in
// another context (the viewer's renderer parses its own).
class MuPdfDocument {
public:
    enum class Status { Ready, NotAPdf, Encrypted };
    MuPdfDocument(const MuPdfContext& context, std::string bytes);
    MuPdfDocument(fz_context* ctx, std::shared_ptr<const std::string> bytes);
    ~MuPdfDocument();
    MuPdfDocument(const MuPdfDocument&) = delete;
    MuPdfDocument& operator=(const MuPdfDocument&) = delete;

    Status State() const { return status_; }
    int PageCount() const { return pages_; }
    const std::shared_ptr<const std::string>& SharedBytes() const { return bytes_; }
    // The page's size in points, as it is shown (rotation applied).
    viewer::SizeF PageSize(int page) const;

    struct Image {
        int width = 0, height = 0;
        std::ptrdiff_t stride = 0;
        std::vector<std::uint8_t> pixels;
    };
    // The part `clip` of the page drawn at `size` pixels, on white, as
    // 32-bit BGRX rows, top row first. Empty when it cannot be drawn, and
    // `failure` says why (an abort through `cookie` is TooSlow); a page that
    // fails part way otherwise shows what was drawn.
    Image Render(int page, viewer::Size size, viewer::Rect clip, fz_cookie* cookie = nullptr,
                 viewer::PageFailure* failure = nullptr) const;
    // The page's drawn content in points, from a render at ProbeSize; the
    // whole page when it cannot be drawn.
    viewer::RectF ContentBox(int page, fz_cookie* cookie = nullptr, viewer::PageFailure* failure = nullptr) const;

private:
    void Open();
    fz_page* Page(int page) const;
    Image Draw(int page, viewer::Size size, viewer::Rect clip, bool bgrx, fz_cookie* cookie,
               viewer::PageFailure* failure) const;

    fz_context* ctx_;
    std::shared_ptr<const std::string> bytes_;  // declared first: the document reads from it to the end
    fz_document* document_ = nullptr;
    Status status_ = Status::NotAPdf;
    int pages_ = 0;
    mutable fz_page* page_ = nullptr;  // the page last drawn, kept loaded
    mutable int pageNumber_ = -1;
};
