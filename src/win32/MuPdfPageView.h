// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>
#include <map>

#include "core/Bytes.h"
#include "viewer/FitGeometry.h"
#include "win32/MuPdfDocument.h"
#include "win32/MuPdfRenderer.h"

// One page of a document at a time in a child window, fitted by one of the
// destination views with the geometry the Qt view uses too. The scroll
// position is its own: the bars, when shown, only reflect it, so a page can
// still be scrolled with the bars off. Drawn double-buffered from the last
// picture of the page, which a worker thread renders (MuPdfRenderer), never
// the window's own: until a picture comes the view shows the last one or
// blank paper, and a page that cannot be drawn shows why.
class MuPdfPageView {
public:
    MuPdfPageView() = default;
    ~MuPdfPageView();
    MuPdfPageView(const MuPdfPageView&) = delete;
    MuPdfPageView& operator=(const MuPdfPageView&) = delete;

    // Makes the window, a child of `parent` at `bounds`; state set before carries over.
    void Create(HWND parent, const RECT& bounds, HFONT font, int dpi);
    // The notice's font, and the dpi scroll bars and steps are sized for.
    void SetFont(HFONT font);
    void SetDpi(int dpi);
    HWND Window() const { return window_; }

    void SetDocument(const MuPdfDocument* document);  // null shows nothing
    void SetNotice(const Bytes& notice);              // shown when there is no document
    const Bytes& Notice() const { return notice_; }
    void SetFit(viewer::Fit fit);
    viewer::Fit CurrentFit() const { return fit_; }
    void SetScrollBarsShown(bool shown);
    bool ScrollBarsShown() const { return barsShown_; }

    int PageCount() const { return document_ ? document_->PageCount() : 0; }
    int CurrentPage() const { return page_; }
    void GoToPage(int page);
    void ZoomBy(double factor);
    // Pixels per PDF point of the page as drawn.
    double Zoom() const { return zoom_; }
    // The drawn content of a page in points (the whole page when it is
    // blank, or until a content fit has had it found).
    viewer::RectF ContentBox(int page) const;
    // Why the page is not shown, when it cannot be drawn; empty otherwise.
    const Bytes& PageNotice() const { return pageNotice_; }
    // A picture or a content box is still on its way.
    bool Drawing() const { return document_ != nullptr && pageNotice_.empty() && !renderer_.Idle(); }
    const MuPdfRenderer& Renderer() const { return renderer_; }
    // The last layout: the bars shown, the viewport, the scroll ranges.
    const viewer::PageLayout& Layout() const { return layout_; }
    int ScrollX() const { return scrollX_; }
    int ScrollY() const { return scrollY_; }
    // Where the page lies in the viewport, in viewport pixels.
    viewer::Rect PageRectInViewport() const;

    std::function<void(int page, int count)> onPageChanged;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Relayout(bool placeForFit);
    void NewStep();
    void Want();
    void Take(const MuPdfRenderer::Done& done);
    void Fail(viewer::PageFailure failure);
    viewer::Rect VisiblePart() const;
    void ShowBars();
    void ScrollTo(int x, int y);
    void Scroll(int bar, int code);
    bool NextPageAtEdge(int direction);
    void Paint(HDC target);

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    const MuPdfDocument* document_ = nullptr;
    Bytes notice_;
    viewer::Fit fit_ = viewer::Fit::Page;
    bool barsShown_ = true;
    int page_ = 0;
    double zoom_ = 1.0;
    viewer::PageLayout layout_;
    int scrollX_ = 0, scrollY_ = 0;
    int wheelRest_ = 0;  // wheel delta short of a line
    bool relayingOut_ = false;
    std::map<int, viewer::RectF> contentBoxes_;  // found once per page
    MuPdfRenderer renderer_;
    MuPdfDocument::Image picture_;  // the last picture drawn of the page shown
    viewer::PageJob pictureJob_;    // what it shows
    Bytes pageNotice_;              // why the page is not shown, until the next step
};
