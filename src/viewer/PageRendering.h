// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "viewer/FitGeometry.h"

// What both viewers share about drawing a page away from the user-interface
// thread: what they ask for, how long it may take, and why it can fail. A
// crafted page can take minutes or gigabytes; the window must keep answering
// and say why the page is not there.
namespace viewer {

// Milliseconds (<chrono> does not build with Windows' narrow literals). A
// page not drawn within the deadline shows why instead. A render no longer
// wanted is let finish for the patience before it is given up: most take
// a few milliseconds, and starting over costs more (a process, a context).
constexpr int kRenderDeadlineMs = 3000;
constexpr int kRenderPatienceMs = 250;
// The largest picture drawn in one go.
constexpr long long kMostPicturePixels = 40'000'000;
constexpr int kLongestPictureSide = 32767;

enum class PageFailure { None, TooSlow, TooLarge, Broken };
// "このページは表示できません" and the reason on a line of its own; empty for None.
std::u16string PageFailureNotice(PageFailure failure);

// What a viewer asks its renderer for: a picture of part of a page, or the
// page's content box (found on a render at ProbeSize).
struct PageJob {
    enum class Kind { Picture, ContentBox };
    Kind kind = Kind::Picture;
    int page = -1;
    Size size;  // the whole page, in pixels
    Rect part;  // what is drawn, in page pixels
    bool operator==(const PageJob& other) const;
};

// The picture for the part `visible` of a page drawn at `size`: the whole
// page when it is not much larger than the view, else the visible part with
// half a view round it, so that scrolling seldom waits.
PageJob PictureJob(int page, Size size, Rect visible, Size viewport);
PageJob ContentBoxJob(int page, SizeF points);
// Whether the job's picture is within the caps.
bool PictureFits(const PageJob& job);
// The same kind, page and size: another part of the same picture at most.
bool SamePicture(const PageJob& a, const PageJob& b);
// Whether a job in hand for `takenMs` (or aborted that long ago) is given
// up for `next`: once it has had its patience.
bool GiveUp(const PageJob& inHand, const PageJob& next, long long takenMs);

Rect Intersect(const Rect& a, const Rect& b);
bool Contains(const Rect& outer, const Rect& inner);

}  // namespace viewer
