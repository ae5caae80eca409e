// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PdfPageView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
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
}

void PdfPageView::SetDocument(QPdfDocument* document) {
    document_ = document;
    page_ = 0;
    contentBoxes_.clear();
    renderedPage_ = -1;
    Relayout(true);
    emit pageChanged(page_, PageCount());
}

void PdfPageView::SetNotice(const QString& notice) {
    notice_ = notice;
    viewport()->update();
}

void PdfPageView::SetFit(Fit fit) {
    fit_ = fit;
    Relayout(true);
}

void PdfPageView::SetScrollBarsShown(bool shown) {
    scrollBarsShown_ = shown;
    Relayout(false);
}

int PdfPageView::PageCount() const { return document_ ? document_->pageCount() : 0; }

void PdfPageView::GoToPage(int page) {
    if (page < 0 || page >= PageCount() || page == page_) return;
    page_ = page;
    Relayout(true);
    emit pageChanged(page_, PageCount());
}

void PdfPageView::ZoomBy(double factor) {
    if (!document_) return;
    zoom_ = viewer::ZoomedBy(zoom_, factor);
    fit_ = Fit::Custom;
    Relayout(false);
}

QSizeF PdfPageView::PageSizePoints() const {
    if (!document_ || PageCount() == 0) return {};
    return document_->pagePointSize(page_);
}

QRectF PdfPageView::ContentBox(int page) const {
    if (!document_ || page < 0 || page >= PageCount()) return {};
    auto cached = contentBoxes_.constFind(page);
    if (cached != contentBoxes_.constEnd()) return *cached;
    const QSizeF points = document_->pagePointSize(page);
    const viewer::SizeF pagePoints{points.width(), points.height()};
    const viewer::Size probe = viewer::ProbeSize(pagePoints);
    const QImage image = document_->render(page, QSize(probe.width, probe.height)).convertToFormat(QImage::Format_RGBA8888);
    const viewer::RectF box = viewer::ContentBox(
        {image.constBits(), image.width(), image.height(), image.bytesPerLine(), viewer::PixelFormat::Rgba32}, pagePoints);
    const QRectF found(box.x, box.y, box.width, box.height);
    contentBoxes_.insert(page, found);
    return found;
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
    viewport()->update();
}

QRect PdfPageView::PageRectInViewport() const {
    const QSizeF points = PageSizePoints();
    const viewer::Rect r = viewer::PagePlacement(
        {int(std::lround(points.width() * zoom_)), int(std::lround(points.height() * zoom_))},
        {viewport()->width(), viewport()->height()}, horizontalScrollBar()->value(), verticalScrollBar()->value());
    return {r.x, r.y, r.width, r.height};
}

void PdfPageView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), kBackground);
    if (!document_ || PageCount() == 0) {
        if (!notice_.isEmpty()) {
            painter.setPen(Qt::white);
            painter.drawText(viewport()->rect().adjusted(12, 12, -12, -12), Qt::AlignCenter | Qt::TextWordWrap, notice_);
        }
        return;
    }
    const QRect pageRect = PageRectInViewport();
    const QRect visible = pageRect.intersected(viewport()->rect());
    if (visible.isEmpty()) return;
    const QRect clip = visible.translated(-pageRect.topLeft());  // in page pixels
    if (renderedPage_ != page_ || renderedZoom_ != zoom_ || !renderedRect_.contains(clip)) {
        QPdfDocumentRenderOptions options;
        options.setScaledSize(pageRect.size());
        options.setScaledClipRect(clip);
        rendered_ = document_->render(page_, clip.size(), options);
        renderedRect_ = clip;
        renderedZoom_ = zoom_;
        renderedPage_ = page_;
    }
    painter.fillRect(visible, Qt::white);
    painter.drawImage(visible.topLeft(), rendered_, QRect(clip.topLeft() - renderedRect_.topLeft(), clip.size()));
}

void PdfPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Relayout(fit_ != Fit::Custom);
}

void PdfPageView::scrollContentsBy(int, int) { viewport()->update(); }

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
