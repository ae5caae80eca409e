// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MuPdfPageView.h"

#include <algorithm>

#include "core/CodePage.h"
#include "win32/Dpi.h"

namespace {

constexpr char kClassName[] = "QuilvanePdfPage";
constexpr COLORREF kBackground = RGB(0x80, 0x80, 0x80);

void RegisterClassOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
}

// A worker's answer is in; and the timer that keeps its deadline.
constexpr UINT kRenderedMessage = WM_APP + 1;
constexpr UINT_PTR kRenderTimer = 1;
constexpr UINT kRenderTimerMs = 50;

}  // namespace

MuPdfPageView::~MuPdfPageView() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void MuPdfPageView::Create(HWND parent, const RECT& bounds, HFONT font, int dpi) {
    RegisterClassOnce(&MuPdfPageView::Proc);
    font_ = font;
    dpi_ = dpi;
    CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP, bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr, GetModuleHandleA(nullptr), this);
    renderer_.SetWindow(window_, kRenderedMessage);
    renderer_.onDone = [this](const MuPdfRenderer::Done& done) { Take(done); };
    Relayout(true);
}

LRESULT CALLBACK MuPdfPageView::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MuPdfPageView*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MuPdfPageView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // No C++ exception may unwind through the system's frames.
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT MuPdfPageView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (!relayingOut_) {
            NewStep();
            Relayout(fit_ != viewer::Fit::Custom);
        }
        return 0;
    case kRenderedMessage: renderer_.Take(); return 0;
    case WM_TIMER:
        if (wParam != kRenderTimer) break;
        renderer_.Check();
        if (renderer_.Idle()) KillTimer(window_, kRenderTimer);
        return 0;
    case WM_ERASEBKGND: return 1;  // painted whole, off screen
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        Paint(dc);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: Scroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(wParam)); return 0;
    case WM_MOUSEWHEEL: {
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        if (delta != 0 && NextPageAtEdge(delta < 0 ? +1 : -1)) {
            wheelRest_ = 0;
            return 0;
        }
        UINT lines = 3;
        SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        wheelRest_ += delta * int(lines);
        const int steps = wheelRest_ / WHEEL_DELTA;
        wheelRest_ -= steps * WHEEL_DELTA;
        ScrollTo(scrollX_, scrollY_ - steps * Scaled(viewer::kScrollStep, dpi_));
        return 0;
    }
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_NEXT:
            if (!NextPageAtEdge(+1)) ScrollTo(scrollX_, scrollY_ + layout_.viewport.height);
            return 0;
        case VK_PRIOR:
            if (!NextPageAtEdge(-1)) ScrollTo(scrollX_, scrollY_ - layout_.viewport.height);
            return 0;
        case VK_HOME: GoToPage(0); return 0;
        case VK_END: GoToPage(PageCount() - 1); return 0;
        }
        break;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTALLKEYS;
    case WM_LBUTTONDOWN: SetFocus(window_); return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void MuPdfPageView::SetFont(HFONT font) {
    font_ = font;
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

// A zoom of one's own keeps the page's size on the screen, not in pixels.
void MuPdfPageView::SetDpi(int dpi) {
    if (fit_ == viewer::Fit::Custom) zoom_ = zoom_ * dpi / dpi_;
    dpi_ = dpi;
    Relayout(fit_ != viewer::Fit::Custom);
}

void MuPdfPageView::SetDocument(const MuPdfDocument* document) {
    document_ = document;
    page_ = 0;
    contentBoxes_.clear();
    picture_ = {};
    pictureJob_ = {};
    renderer_.SetDocument(document ? document->SharedBytes() : nullptr);
    NewStep();
    Relayout(true);
    if (onPageChanged) onPageChanged(page_, PageCount());
}

void MuPdfPageView::SetNotice(const Bytes& notice) {
    notice_ = notice;
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void MuPdfPageView::SetFit(viewer::Fit fit) {
    fit_ = fit;
    NewStep();
    Relayout(true);
}

void MuPdfPageView::SetScrollBarsShown(bool shown) {
    barsShown_ = shown;
    NewStep();
    Relayout(false);
}

void MuPdfPageView::GoToPage(int page) {
    if (page < 0 || page >= PageCount() || page == page_) return;
    page_ = page;
    NewStep();
    Relayout(true);
    if (onPageChanged) onPageChanged(page_, PageCount());
}

void MuPdfPageView::ZoomBy(double factor) {
    if (!document_) return;
    zoom_ = viewer::ZoomedBy(zoom_, factor);
    fit_ = viewer::Fit::Custom;
    NewStep();
    Relayout(false);
}

// Each step of the user's tries the page again: a page that could not be drawn
// says so only until then.
void MuPdfPageView::NewStep() { pageNotice_.clear(); }

viewer::RectF MuPdfPageView::ContentBox(int page) const {
    if (!document_ || page < 0 || page >= PageCount()) return {};
    auto known = contentBoxes_.find(page);
    if (known != contentBoxes_.end()) return known->second;
    const viewer::SizeF points = document_->PageSize(page);
    return {0, 0, points.width, points.height};
}

void MuPdfPageView::Relayout(bool placeForFit) {
    RECT outer{};
    if (window_) GetWindowRect(window_, &outer);  // no border: the whole window is the view
    viewer::LayoutInput in{fit_, document_ ? document_->PageSize(page_) : viewer::SizeF{}, {},
                           {outer.right - outer.left, outer.bottom - outer.top}, SystemMetricForDpi(SM_CXVSCROLL, dpi_),
                           SystemMetricForDpi(SM_CYHSCROLL, dpi_), barsShown_, zoom_};
    if (viewer::FitsContent(fit_) && document_) in.content = ContentBox(page_);
    layout_ = viewer::LayOut(in);
    zoom_ = layout_.zoom;
    if (placeForFit && document_) {
        scrollX_ = layout_.originX;
        scrollY_ = layout_.originY;
    }
    scrollX_ = std::clamp(scrollX_, 0, layout_.hMax);
    scrollY_ = std::clamp(scrollY_, 0, layout_.vMax);
    ShowBars();
    Want();
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

viewer::Rect MuPdfPageView::VisiblePart() const {
    const viewer::Rect page = PageRectInViewport();
    const viewer::Rect visible = viewer::Intersect(page, {0, 0, layout_.viewport.width, layout_.viewport.height});
    return {visible.x - page.x, visible.y - page.y, visible.width, visible.height};
}

// What the view needs drawn next, asked of the renderer; nothing is drawn here.
void MuPdfPageView::Want() {
    if (!window_ || !document_ || PageCount() == 0 || !pageNotice_.empty()) return renderer_.Drop();
    if (viewer::FitsContent(fit_) && contentBoxes_.count(page_) == 0) {
        renderer_.Render(viewer::ContentBoxJob(page_, document_->PageSize(page_)));
    } else {
        const viewer::Rect visible = VisiblePart();
        if (visible.width <= 0 || visible.height <= 0) return renderer_.Drop();
        if (!picture_.pixels.empty() && pictureJob_.page == page_ && pictureJob_.size.width == layout_.page.width &&
            pictureJob_.size.height == layout_.page.height && viewer::Contains(pictureJob_.part, visible))
            return renderer_.Drop();
        const viewer::PageJob job = viewer::PictureJob(page_, layout_.page, visible, layout_.viewport);
        if (!viewer::PictureFits(job)) return Fail(viewer::PageFailure::TooLarge);
        renderer_.Render(job);
    }
    if (!renderer_.Idle()) SetTimer(window_, kRenderTimer, kRenderTimerMs, nullptr);
}

void MuPdfPageView::Fail(viewer::PageFailure failure) {
    pageNotice_ = FromUtf16(viewer::PageFailureNotice(failure));
    renderer_.Drop();
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void MuPdfPageView::Take(const MuPdfRenderer::Done& done) {
    const bool current = done.job.page == page_ &&
                         (done.job.kind == viewer::PageJob::Kind::ContentBox
                              ? viewer::FitsContent(fit_) && contentBoxes_.count(page_) == 0
                              : done.job.size.width == layout_.page.width && done.job.size.height == layout_.page.height);
    if (!current) return Want();  // an answer to an earlier step
    if (done.failure != viewer::PageFailure::None) return Fail(done.failure);
    if (done.job.kind == viewer::PageJob::Kind::ContentBox) {
        contentBoxes_[page_] = done.box;
        return Relayout(true);
    }
    picture_ = done.picture;
    pictureJob_ = done.job;
    if (window_) InvalidateRect(window_, nullptr, FALSE);
    Want();
}

void MuPdfPageView::ShowBars() {
    if (!window_) return;
    // Showing or hiding a bar resizes the client area: that is this layout's doing.
    relayingOut_ = true;
    auto apply = [&](int bar, bool shown, int page, int view, int pos) {
        SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, shown ? page - 1 : 0, UINT(shown ? view : 0),
                        shown ? pos : 0, 0};
        SetScrollInfo(window_, bar, &info, TRUE);
        ShowScrollBar(window_, bar, shown);
    };
    apply(SB_HORZ, layout_.hBar, layout_.page.width, layout_.viewport.width, scrollX_);
    apply(SB_VERT, layout_.vBar, layout_.page.height, layout_.viewport.height, scrollY_);
    relayingOut_ = false;
}

void MuPdfPageView::ScrollTo(int x, int y) {
    x = std::clamp(x, 0, layout_.hMax);
    y = std::clamp(y, 0, layout_.vMax);
    if (x == scrollX_ && y == scrollY_) return;
    scrollX_ = x;
    scrollY_ = y;
    Want();
    if (!window_) return;
    SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, 0, 0};
    if (layout_.hBar) {
        info.nPos = x;
        SetScrollInfo(window_, SB_HORZ, &info, TRUE);
    }
    if (layout_.vBar) {
        info.nPos = y;
        SetScrollInfo(window_, SB_VERT, &info, TRUE);
    }
    InvalidateRect(window_, nullptr, FALSE);
}

void MuPdfPageView::Scroll(int bar, int code) {
    const bool horizontal = bar == SB_HORZ;
    const int now = horizontal ? scrollX_ : scrollY_;
    const int page = horizontal ? layout_.viewport.width : layout_.viewport.height;
    int to = now;
    switch (code) {
    case SB_LINEUP: to = now - Scaled(viewer::kScrollStep, dpi_); break;
    case SB_LINEDOWN: to = now + Scaled(viewer::kScrollStep, dpi_); break;
    case SB_PAGEUP: to = now - page; break;
    case SB_PAGEDOWN: to = now + page; break;
    case SB_TOP: to = 0; break;
    case SB_BOTTOM: to = horizontal ? layout_.hMax : layout_.vMax; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(window_, bar, &info);
        to = info.nTrackPos;
        break;
    }
    default: return;
    }
    if (horizontal) ScrollTo(to, scrollY_);
    else ScrollTo(scrollX_, to);
}

bool MuPdfPageView::NextPageAtEdge(int direction) {
    const int target = viewer::PageAtEdge(page_, PageCount(), scrollY_, layout_.vMax, direction);
    if (target < 0) return false;
    GoToPage(target);
    // Coming back up lands at the bottom of the previous page.
    if (direction < 0) ScrollTo(scrollX_, layout_.vMax);
    return true;
}

viewer::Rect MuPdfPageView::PageRectInViewport() const {
    return viewer::PagePlacement(layout_.page, layout_.viewport, scrollX_, scrollY_);
}

void MuPdfPageView::Paint(HDC target) {
    RECT client;
    GetClientRect(window_, &client);
    const int width = client.right, height = client.bottom;
    if (width <= 0 || height <= 0) return;
    HDC dc = CreateCompatibleDC(target);
    HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HBRUSH background = CreateSolidBrush(kBackground);
    FillRect(dc, &client, background);
    DeleteObject(background);
    const Bytes& notice = PageCount() == 0 ? notice_ : pageNotice_;
    if (PageCount() == 0 || !pageNotice_.empty()) {
        if (!notice.empty()) {
            HGDIOBJ oldFont = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
            SetTextColor(dc, RGB(255, 255, 255));
            SetBkMode(dc, TRANSPARENT);
            const int margin = Scaled(12, dpi_);
            RECT box{margin, margin, width - margin, height - margin};
            RECT measured = box;
            DrawTextA(dc, notice.c_str(), int(notice.size()), &measured, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
            const int top = box.top + std::max(0, int((box.bottom - box.top) - (measured.bottom - measured.top)) / 2);
            RECT placed{box.left, top, box.right, box.bottom};
            DrawTextA(dc, notice.c_str(), int(notice.size()), &placed, DT_CENTER | DT_WORDBREAK);
            SelectObject(dc, oldFont);
        }
    } else {
        const viewer::Rect pageRect = PageRectInViewport();
        const viewer::Rect visible = viewer::Intersect(pageRect, {0, 0, width, height});
        if (visible.width > 0) {
            RECT paper{visible.x, visible.y, visible.x + visible.width, visible.y + visible.height};
            FillRect(dc, &paper, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            // Blank paper until the page comes; at another zoom, the last picture stretched.
            if (!picture_.pixels.empty() && pictureJob_.page == page_ && pictureJob_.size.width > 0 &&
                pictureJob_.size.height > 0) {
                BITMAPINFO info{};
                info.bmiHeader.biSize = sizeof info.bmiHeader;
                info.bmiHeader.biWidth = picture_.width;
                info.bmiHeader.biHeight = -picture_.height;  // top row first
                info.bmiHeader.biPlanes = 1;
                info.bmiHeader.biBitCount = 32;
                info.bmiHeader.biCompression = BI_RGB;
                const viewer::Rect& part = pictureJob_.part;
                HRGN clip = CreateRectRgn(paper.left, paper.top, paper.right, paper.bottom);
                SelectClipRgn(dc, clip);
                if (pictureJob_.size.width == pageRect.width && pictureJob_.size.height == pageRect.height) {
                    // The whole picture at its place; the clip cuts what lies outside.
                    SetDIBitsToDevice(dc, pageRect.x + part.x, pageRect.y + part.y, picture_.width, picture_.height, 0, 0,
                                      0, picture_.height, picture_.pixels.data(), &info, DIB_RGB_COLORS);
                } else {
                    const double sx = double(pageRect.width) / pictureJob_.size.width;
                    const double sy = double(pageRect.height) / pictureJob_.size.height;
                    SetStretchBltMode(dc, HALFTONE);
                    StretchDIBits(dc, pageRect.x + int(part.x * sx), pageRect.y + int(part.y * sy), int(part.width * sx),
                                  int(part.height * sy), 0, 0, picture_.width, picture_.height, picture_.pixels.data(),
                                  &info, DIB_RGB_COLORS, SRCCOPY);
                }
                SelectClipRgn(dc, nullptr);
                DeleteObject(clip);
            }
        }
    }
    BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
}
