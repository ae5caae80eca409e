// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// Where a single page goes in a viewer and at what zoom: the destination
// views, the page's drawn content, the scroll bars the zoom makes necessary.
// Both viewers (Qt PDF and MuPDF on Win32) lay out their page with this.
namespace viewer {

enum class Fit { Page, Width, Height, Box, BoxWidth, BoxHeight, Custom };

// The fit a destination view name asks for ("Fit", "FitH", "FitV", "FitB",
// "FitBH", "FitBV"); none for any other name.
std::optional<Fit> FitForView(std::u16string_view name);
// The views that fit the drawn content rather than the whole page.
inline bool FitsContent(Fit fit) { return fit == Fit::Box || fit == Fit::BoxWidth || fit == Fit::BoxHeight; }

struct SizeF {
    double width = 0;
    double height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }
};
struct RectF {
    double x = 0, y = 0, width = 0, height = 0;
};
struct Size {
    int width = 0;
    int height = 0;
};
struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
};

// The content box is found on a render of about one pixel per point, at most
// 1200 pixels across: fine enough for a fit, cheap enough to do once per page.
// The size, in pixels, to render a page of `page` points at for that.
Size ProbeSize(SizeF page);

enum class PixelFormat { Gray8, Rgb24, Rgba32, Bgra32 };
struct PixelsView {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;  // bytes from one row to the next
    PixelFormat format = PixelFormat::Rgb24;
};
// The drawn content of a page in points, from its render at ProbeSize: the
// box round every pixel that is neither near white nor near transparent; the
// whole page when there is none.
RectF ContentBox(const PixelsView& probe, SizeF page);

// The zoom (pixels per point) a fit gives in an area of `width` x `height`
// pixels; `current` for Custom, an empty page or an empty area.
double FitZoom(Fit fit, SizeF page, RectF content, double width, double height, double current);

struct LayoutInput {
    Fit fit = Fit::Page;
    SizeF page;            // points
    RectF content;         // points; used by the content fits
    Size area;             // the whole view, scroll bars included
    int vBarWidth = 0;     // room a vertical scroll bar takes
    int hBarHeight = 0;    // room a horizontal one takes
    bool barsShown = true;
    double zoom = 1;       // kept by Custom
};
struct PageLayout {
    double zoom = 1;
    bool hBar = false, vBar = false;  // scroll bars shown
    Size viewport;                    // the area less the bars shown
    Size page;                        // the page in pixels
    int hMax = 0, vMax = 0;           // scroll ranges, from 0
    int originX = 0, originY = 0;     // where a fit puts the scroll: the content's top left, in range
};
// The zoom for the area, and the scroll bars it makes necessary: a bar takes
// room from the other direction, so the zoom is worked out again without it.
PageLayout LayOut(const LayoutInput& in);

// Where a page of `page` pixels lies in a viewport: centred where it is
// smaller, scrolled where it is larger.
Rect PagePlacement(Size page, Size viewport, int scrollX, int scrollY);

// The zoom buttons' step, and the zoom they can reach.
constexpr double kZoomStep = 1.25;
double ZoomedBy(double zoom, double factor);
// Pixels one scroll-bar arrow or wheel line moves.
constexpr int kScrollStep = 20;

// Page Up/Down and the wheel turn the page at the view's edge: the page
// `direction` (+1 or -1) away when the scroll is at that edge and that page
// exists, else -1 (the view scrolls instead, or nothing happens).
int PageAtEdge(int page, int count, int scroll, int maxScroll, int direction);

}  // namespace viewer
