// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PdfPageView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QPdfDocument>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

const QColor kBackground(0x80, 0x80, 0x80);

}  // namespace

PdfPageView::PdfPageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    renderer_.onDone = [this](const PdfPageRenderer::Done& done) { Take(done); };
}

PdfPageView::~PdfPageView() = default;

void PdfPageView::SetDocument(QPdfDocument* document, const SharedPdfBytes* bytes) {
    document_ = document;
    page_ = 0;
    contentBoxes_.clear();
    picture_ = {};
    pictureJob_ = {};
    renderer_.SetDocument(document ? bytes : nullptr);
    NewStep();
    Relayout(true);
    emit pageChanged(page_, PageCount());
}

void PdfPageView::SetNotice(const QString& notice) {
    notice_ = notice;
    viewport()->update();
}

void PdfPageView::SetFit(Fit fit) {
    fit_ = fit;
    NewStep();
    Relayout(true);
}

void PdfPageView::SetScrollBarsShown(bool shown) {
    scrollBarsShown_ = shown;
    NewStep();
    Relayout(false);
}

int PdfPageView::PageCount() const { return document_ ? document_->pageCount() : 0; }

void PdfPageView::GoToPage(int page) {
    if (page < 0 || page >= PageCount() || page == page_) return;
    page_ = page;
    NewStep();
    Relayout(true);
    emit pageChanged(page_, PageCount());
}

void PdfPageView::ZoomBy(double factor) {
    if (!document_) return;
    zoom_ = viewer::ZoomedBy(zoom_, factor);
    fit_ = Fit::Custom;
    NewStep();
    Relayout(false);
}

// Each step of the user's tries the page again: a page that could not be drawn
// says so only until then.
void PdfPageView::NewStep() { pageNotice_.clear(); }

QSizeF PdfPageView::PageSizePoints() const {
    if (!document_ || PageCount() == 0) return {};
    return document_->pagePointSize(page_);
}

viewer::Size PdfPageView::PagePixels() const {
    const QSizeF points = PageSizePoints();
    return {int(std::lround(points.width() * zoom_)), int(std::lround(points.height() * zoom_))};
}

QRectF PdfPageView::ContentBox(int page) const {
    if (!document_ || page < 0 || page >= PageCount()) return {};
    return contentBoxes_.value(page, QRectF(QPointF(0, 0), document_->pagePointSize(page)));
}

void PdfPageView::Relayout(bool placeForFit) {
    const QSizeF points = PageSizePoints();
    // The whole inside of the frame: maximumViewportSize() already leaves out bars that are on.
    const QSize area = contentsRect().size();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    viewer::LayoutInput in{fit_, {points.width(), points.height()}, {}, {area.width(), area.height()}, bar, bar,
                           scrollBarsShown_, zoom_};
    if (viewer::FitsContent(fit_) && document_) {
        const QRectF box = ContentBox(page_);
        in.content = {box.x(), box.y(), box.width(), box.height()};
    }
    const viewer::PageLayout layout = viewer::LayOut(in);
    zoom_ = layout.zoom;
    setHorizontalScrollBarPolicy(layout.hBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(layout.vBar ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setRange(0, layout.hMax);
    verticalScrollBar()->setRange(0, layout.vMax);
    horizontalScrollBar()->setPageStep(layout.viewport.width);
    verticalScrollBar()->setPageStep(layout.viewport.height);
    horizontalScrollBar()->setSingleStep(viewer::kScrollStep);
    verticalScrollBar()->setSingleStep(viewer::kScrollStep);
    if (placeForFit && document_) {
        horizontalScrollBar()->setValue(layout.originX);
        verticalScrollBar()->setValue(layout.originY);
    }
    Want();
    viewport()->update();
}

QRect PdfPageView::PageRectInViewport() const {
    const viewer::Rect r = viewer::PagePlacement(PagePixels(), {viewport()->width(), viewport()->height()},
                                                 horizontalScrollBar()->value(), verticalScrollBar()->value());
    return {r.x, r.y, r.width, r.height};
}

// What the view needs drawn next, asked of the renderer; nothing is drawn here.
void PdfPageView::Want() {
    if (!document_ || PageCount() == 0 || !pageNotice_.isEmpty()) return renderer_.Drop();
    if (viewer::FitsContent(fit_) && !contentBoxes_.contains(page_)) {
        const QSizeF points = PageSizePoints();
        return renderer_.Render(viewer::ContentBoxJob(page_, {points.width(), points.height()}));
    }
    const QRect pageRect = PageRectInViewport();
    const QRect visible = pageRect.intersected(viewport()->rect()).translated(-pageRect.topLeft());
    if (visible.isEmpty()) return renderer_.Drop();
    const viewer::Rect part{visible.x(), visible.y(), visible.width(), visible.height()};
    const viewer::Size size = PagePixels();
    if (!picture_.isNull() && pictureJob_.page == page_ && pictureJob_.size.width == size.width &&
        pictureJob_.size.height == size.height && viewer::Contains(pictureJob_.part, part))
        return renderer_.Drop();
    const viewer::PageJob job = viewer::PictureJob(page_, size, part, {viewport()->width(), viewport()->height()});
    if (!viewer::PictureFits(job)) return Fail(viewer::PageFailure::TooLarge);
    renderer_.Render(job);
}

void PdfPageView::Fail(viewer::PageFailure failure) {
    pageNotice_ = QString::fromStdU16String(viewer::PageFailureNotice(failure));
    renderer_.Drop();
    viewport()->update();
}

void PdfPageView::Take(const PdfPageRenderer::Done& done) {
    const viewer::Size size = PagePixels();
    const bool current = done.job.page == page_ &&
                         (done.job.kind == viewer::PageJob::Kind::ContentBox
                              ? viewer::FitsContent(fit_) && !contentBoxes_.contains(page_)
                              : done.job.size.width == size.width && done.job.size.height == size.height);
    if (!current) return Want();  // an answer to an earlier step
    if (done.failure != viewer::PageFailure::None) return Fail(done.failure);
    if (done.job.kind == viewer::PageJob::Kind::ContentBox) {
        contentBoxes_.insert(page_, QRectF(done.box.x, done.box.y, done.box.width, done.box.height));
        return Relayout(true);
    }
    picture_ = done.picture;
    pictureJob_ = done.job;
    viewport()->update();
    Want();
}

void PdfPageView::DrawNotice(QPainter& painter, const QString& text) {
    painter.setPen(Qt::white);
    painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, text);
}

void PdfPageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kBackground);
    if (!document_ || PageCount() == 0) {
        if (!notice_.isEmpty()) DrawNotice(painter, notice_);
        return;
    }
    if (!pageNotice_.isEmpty()) return DrawNotice(painter, pageNotice_);
    const QRect pageRect = PageRectInViewport();
    const QRect visible = pageRect.intersected(viewport()->rect());
    if (visible.isEmpty()) return;
    painter.fillRect(visible, Qt::white);
    if (picture_.isNull() || pictureJob_.page != page_) return;  // blank paper until the page comes
    painter.setClipRect(visible);
    // At another zoom, the last picture stretched stands in until the new one comes.
    const double sx = double(pageRect.width()) / pictureJob_.size.width;
    const double sy = double(pageRect.height()) / pictureJob_.size.height;
    const viewer::Rect& part = pictureJob_.part;
    const QRectF target(pageRect.x() + part.x * sx, pageRect.y() + part.y * sy, part.width * sx, part.height * sy);
    if (sx == 1 && sy == 1) painter.drawImage(target.topLeft(), picture_);
    else painter.drawImage(target, picture_);
}

void PdfPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (event->size() != event->oldSize()) NewStep();
    Relayout(fit_ != Fit::Custom);
}

void PdfPageView::scrollContentsBy(int, int) {
    Want();
    viewport()->update();
}

bool PdfPageView::NextPageAtEdge(int direction) {
    QScrollBar* bar = verticalScrollBar();
    const int target = viewer::PageAtEdge(page_, PageCount(), bar->value() - bar->minimum(), bar->maximum() - bar->minimum(), direction);
    if (target < 0) return false;
    GoToPage(target);
    if (direction < 0) {
        // Coming back up lands at the bottom of the previous page.
        bar->setValue(bar->maximum());
    }
    return true;
}

void PdfPageView::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy != 0 && NextPageAtEdge(dy < 0 ? +1 : -1)) return event->accept();
    QAbstractScrollArea::wheelEvent(event);
}

void PdfPageView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown:
        if (!NextPageAtEdge(+1)) verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return event->accept();
    case Qt::Key_PageUp:
        if (!NextPageAtEdge(-1)) verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
        return event->accept();
    case Qt::Key_Home: GoToPage(0); return event->accept();
    case Qt::Key_End: GoToPage(PageCount() - 1); return event->accept();
    default: QAbstractScrollArea::keyPressEvent(event);
    }
}
