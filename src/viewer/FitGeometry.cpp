// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/FitGeometry.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace viewer {

namespace {

constexpr double kProbeLimit = 1200;

double ProbeScale(SizeF page) { return std::min(1.0, kProbeLimit / std::max({page.width, page.height, 1.0})); }

int Round(double v) { return int(std::lround(v)); }

// Near white or near transparent: paper, not content.
bool IsPaper(const std::uint8_t* px, PixelFormat format) {
    switch (format) {
    case PixelFormat::Gray8: return px[0] > 245;
    case PixelFormat::Rgb24: return px[0] > 245 && px[1] > 245 && px[2] > 245;
    case PixelFormat::Rgba32:
    case PixelFormat::Bgra32: return px[3] < 16 || (px[0] > 245 && px[1] > 245 && px[2] > 245);
    }
    return true;
}

int BytesPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::Gray8: return 1;
    case PixelFormat::Rgb24: return 3;
    default: return 4;
    }
}

}  // namespace

std::optional<Fit> FitForView(std::u16string_view name) {
    static const std::pair<std::u16string_view, Fit> names[] = {
        {u"Fit", Fit::Page}, {u"FitH", Fit::Width}, {u"FitV", Fit::Height},
        {u"FitB", Fit::Box}, {u"FitBH", Fit::BoxWidth}, {u"FitBV", Fit::BoxHeight},
    };
    for (const auto& [known, fit] : names) {
        if (known == name) return fit;
    }
    return std::nullopt;
}

Size ProbeSize(SizeF page) {
    const double scale = ProbeScale(page);
    return {std::max(1, Round(page.width * scale)), std::max(1, Round(page.height * scale))};
}

RectF ContentBox(const PixelsView& probe, SizeF page) {
    const int step = BytesPerPixel(probe.format);
    int left = probe.width, top = probe.height, right = -1, bottom = -1;
    for (int y = 0; y < probe.height; ++y) {
        const std::uint8_t* line = probe.data + y * probe.stride;
        for (int x = 0; x < probe.width; ++x) {
            if (IsPaper(line + x * step, probe.format)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {0, 0, page.width, page.height};
    const double scale = ProbeScale(page);
    // Within the page: the probe's rounding may reach past its edge.
    const double x0 = std::clamp(left / scale, 0.0, page.width), y0 = std::clamp(top / scale, 0.0, page.height);
    const double x1 = std::clamp((right + 1) / scale, 0.0, page.width);
    const double y1 = std::clamp((bottom + 1) / scale, 0.0, page.height);
    return {x0, y0, x1 - x0, y1 - y0};
}

double FitZoom(Fit fit, SizeF page, RectF content, double width, double height, double current) {
    if (page.Empty() || width <= 0 || height <= 0) return current;
    const SizeF box = FitsContent(fit) && content.width > 0 && content.height > 0 ? SizeF{content.width, content.height} : page;
    const double byWidth = width / box.width;
    const double byHeight = height / box.height;
    switch (fit) {
    case Fit::Page:
    case Fit::Box: return std::min(byWidth, byHeight);
    case Fit::Width:
    case Fit::BoxWidth: return byWidth;
    case Fit::Height:
    case Fit::BoxHeight: return byHeight;
    case Fit::Custom: break;
    }
    return current;
}

PageLayout LayOut(const LayoutInput& in) {
    PageLayout out;
    bool needH = false, needV = false;
    for (int pass = 0; pass < 3; ++pass) {
        const double usableW = in.area.width - (needV ? in.vBarWidth : 0);
        const double usableH = in.area.height - (needH ? in.hBarHeight : 0);
        out.zoom = FitZoom(in.fit, in.page, in.content, usableW, usableH, in.zoom);
        const bool h = in.barsShown && in.page.width * out.zoom > usableW + 0.5;
        const bool v = in.barsShown && in.page.height * out.zoom > usableH + 0.5;
        if (h == needH && v == needV) break;
        needH = h;
        needV = v;
    }
    out.hBar = needH;
    out.vBar = needV;
    out.viewport = {in.area.width - (needV ? in.vBarWidth : 0), in.area.height - (needH ? in.hBarHeight : 0)};
    out.page = {Round(in.page.width * out.zoom), Round(in.page.height * out.zoom)};
    out.hMax = std::max(0, out.page.width - out.viewport.width);
    out.vMax = std::max(0, out.page.height - out.viewport.height);
    if (FitsContent(in.fit)) {
        out.originX = std::clamp(Round(in.content.x * out.zoom), 0, out.hMax);
        out.originY = std::clamp(Round(in.content.y * out.zoom), 0, out.vMax);
    }
    return out;
}

Rect PagePlacement(Size page, Size viewport, int scrollX, int scrollY) {
    const int x = page.width <= viewport.width ? (viewport.width - page.width) / 2 : -scrollX;
    const int y = page.height <= viewport.height ? (viewport.height - page.height) / 2 : -scrollY;
    return {x, y, page.width, page.height};
}

double ZoomedBy(double zoom, double factor) { return std::clamp(zoom * factor, 0.05, 20.0); }

int PageAtEdge(int page, int count, int scroll, int maxScroll, int direction) {
    const bool atEdge = direction > 0 ? scroll >= maxScroll : scroll <= 0;
    const int target = page + direction;
    return atEdge && target >= 0 && target < count ? target : -1;
}

}  // namespace viewer
