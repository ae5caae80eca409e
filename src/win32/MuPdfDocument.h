// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "viewer/FitGeometry.h"

struct fz_context;
struct fz_document;
struct fz_page;

// A MuPDF context for one viewer, with the system's fonts for the fonts a
// PDF names but does not embed.
class MuPdfContext {
public:
    MuPdfContext();
    ~MuPdfContext();
    MuPdfContext(const MuPdfContext&) = delete;
    MuPdfContext& operator=(const MuPdfContext&) = delete;
    fz_context* Get() const { return ctx_; }

private:
    fz_context* ctx_;
};

// A PDF parsed from bytes in memory, which it keeps: the file it came from
// is not held open.
class MuPdfDocument {
public:
    enum class Status { Ready, NotAPdf, Encrypted };
    MuPdfDocument(const MuPdfContext& context, std::string bytes);
    ~MuPdfDocument();
    MuPdfDocument(const MuPdfDocument&) = delete;
    MuPdfDocument& operator=(const MuPdfDocument&) = delete;

    Status State() const { return status_; }
    int PageCount() const { return pages_; }
    // The page's size in points, as it is shown (rotation applied).
    viewer::SizeF PageSize(int page) const;

    struct Image {
        int width = 0, height = 0;
        std::ptrdiff_t stride = 0;
        std::vector<std::uint8_t> pixels;
    };
    // The part `clip` of the page drawn at `size` pixels, on white, as
    // 32-bit BGRX rows, top row first. Empty when it cannot be drawn.
    Image Render(int page, viewer::Size size, viewer::Rect clip) const;
    // The page's drawn content in points, from a render at ProbeSize.
    viewer::RectF ContentBox(int page) const;

private:
    fz_page* Page(int page) const;
    Image Draw(int page, viewer::Size size, viewer::Rect clip, bool bgrx) const;

    fz_context* ctx_;
    std::string bytes_;  // declared first: the document reads from it to the end
    fz_document* document_ = nullptr;
    Status status_ = Status::NotAPdf;
    int pages_ = 0;
    mutable fz_page* page_ = nullptr;  // the page last drawn, kept loaded
    mutable int pageNumber_ = -1;
};
