// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/PageRendering.h"

#include <algorithm>

#include "viewer/ViewerTexts.h"

namespace viewer {

std::u16string PageFailureNotice(PageFailure failure) {
    using namespace viewer_text;
    const char16_t* reason = failure == PageFailure::TooSlow  ? kPageTooSlow
                             : failure == PageFailure::TooLarge ? kPageTooLarge
                             : failure == PageFailure::Broken   ? kPageBroken
                                                                : nullptr;
    if (reason == nullptr) return {};
    return std::u16string(kPageNotShown) + u"\n" + reason;
}

bool PageJob::operator==(const PageJob& o) const {
    return kind == o.kind && page == o.page && size.width == o.size.width && size.height == o.size.height &&
           part.x == o.part.x && part.y == o.part.y && part.width == o.part.width && part.height == o.part.height;
}

Rect Intersect(const Rect& a, const Rect& b) {
    const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width), y1 = std::min(a.y + a.height, b.y + b.height);
    return x1 > x0 && y1 > y0 ? Rect{x0, y0, x1 - x0, y1 - y0} : Rect{};
}

bool Contains(const Rect& outer, const Rect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

PageJob PictureJob(int page, Size size, Rect visible, Size viewport) {
    const Rect whole{0, 0, size.width, size.height};
    const long long pageArea = static_cast<long long>(size.width) * size.height;
    const long long viewArea = static_cast<long long>(std::max(1, viewport.width)) * std::max(1, viewport.height);
    Rect part = whole;
    if (pageArea > 3 * viewArea) {
        const int mx = viewport.width / 2, my = viewport.height / 2;
        part = Intersect(whole, {visible.x - mx, visible.y - my, visible.width + 2 * mx, visible.height + 2 * my});
    }
    return {PageJob::Kind::Picture, page, size, part};
}

PageJob ContentBoxJob(int page, SizeF points) {
    const Size probe = ProbeSize(points);
    return {PageJob::Kind::ContentBox, page, probe, {0, 0, probe.width, probe.height}};
}

bool PictureFits(const PageJob& job) {
    return job.part.width > 0 && job.part.height > 0 && job.part.width <= kLongestPictureSide &&
           job.part.height <= kLongestPictureSide &&
           static_cast<long long>(job.part.width) * job.part.height <= kMostPicturePixels;
}

bool SamePicture(const PageJob& a, const PageJob& b) {
    return a.kind == b.kind && a.page == b.page && a.size.width == b.size.width && a.size.height == b.size.height;
}

bool GiveUp(const PageJob& inHand, const PageJob& next, long long takenMs) {
    return !(inHand == next) && takenMs >= kRenderPatienceMs;
}

}  // namespace viewer
