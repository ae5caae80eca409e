// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/PdfPageView.h"

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
constexpr double kContentProbeLimit = 1200;  // widest render, in pixels, that finds the drawn content

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
    zoom_ = std::clamp(zoom_ * factor, 0.05, 20.0);
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
    // About one pixel per point: fine enough for a fit, cheap enough to do once per page.
    const double scale = std::min(1.0, kContentProbeLimit / std::max({points.width(), points.height(), 1.0}));
    const QSize size(std::max(1, int(std::lround(points.width() * scale))),
                     std::max(1, int(std::lround(points.height() * scale))));
    const QImage image = document_->render(page, size).convertToFormat(QImage::Format_ARGB32);
    int left = size.width(), top = size.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = line[x];
            if (qAlpha(px) < 16 || (qRed(px) > 245 && qGreen(px) > 245 && qBlue(px) > 245)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    QRectF box(QPointF(0, 0), points);
    if (right >= 0) {
        box = QRectF(left / scale, top / scale, (right - left + 1) / scale, (bottom - top + 1) / scale)
                  .intersected(QRectF(QPointF(0, 0), points));
    }
    contentBoxes_.insert(page, box);
    return box;
}

double PdfPageView::ZoomFor(const QSize& area) const {
    const QSizeF points = PageSizePoints();
    if (points.isEmpty() || area.isEmpty()) return zoom_;
    QRectF box(QPointF(0, 0), points);
    if (fit_ == Fit::Box || fit_ == Fit::BoxWidth || fit_ == Fit::BoxHeight)
        box = ContentBox(page_);
    const double byWidth = area.width() / box.width();
    const double byHeight = area.height() / box.height();
    switch (fit_) {
    case Fit::Page:
    case Fit::Box: return std::min(byWidth, byHeight);
    case Fit::Width:
    case Fit::BoxWidth: return byWidth;
    case Fit::Height:
    case Fit::BoxHeight: return byHeight;
    case Fit::Custom: break;
    }
    return zoom_;
}

void PdfPageView::Relayout(bool placeForFit) {
    const QSizeF points = PageSizePoints();
    // The whole inside of the frame: maximumViewportSize() already leaves out bars that are on.
    const QSize area = contentsRect().size();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    // A scroll bar that the zoom makes necessary takes room from the other
    // direction, so the zoom is worked out again without that room.
    bool needH = false, needV = false;
    for (int pass = 0; pass < 3; ++pass) {
        const QSize usable(area.width() - (needV ? bar : 0), area.height() - (needH ? bar : 0));
        zoom_ = ZoomFor(usable);
        const bool h = scrollBarsShown_ && points.width() * zoom_ > usable.width() + 0.5;
        const bool v = scrollBarsShown_ && points.height() * zoom_ > usable.height() + 0.5;
        if (h == needH && v == needV) break;
        needH = h;
        needV = v;
    }
    setHorizontalScrollBarPolicy(scrollBarsShown_ ? (needH ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff)
                                                  : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(scrollBarsShown_ ? (needV ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff)
                                                : Qt::ScrollBarAlwaysOff);
    const QSize vp(area.width() - (needV ? bar : 0), area.height() - (needH ? bar : 0));
    const int pageW = int(std::lround(points.width() * zoom_));
    const int pageH = int(std::lround(points.height() * zoom_));
    horizontalScrollBar()->setRange(0, std::max(0, pageW - vp.width()));
    verticalScrollBar()->setRange(0, std::max(0, pageH - vp.height()));
    horizontalScrollBar()->setPageStep(vp.width());
    verticalScrollBar()->setPageStep(vp.height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    if (placeForFit && document_) {
        QPointF origin(0, 0);
        if (fit_ == Fit::Box || fit_ == Fit::BoxWidth || fit_ == Fit::BoxHeight) origin = ContentBox(page_).topLeft();
        horizontalScrollBar()->setValue(int(std::lround(origin.x() * zoom_)));
        verticalScrollBar()->setValue(int(std::lround(origin.y() * zoom_)));
    }
    viewport()->update();
}

QRect PdfPageView::PageRectInViewport() const {
    const QSizeF points = PageSizePoints();
    const QSize size(int(std::lround(points.width() * zoom_)), int(std::lround(points.height() * zoom_)));
    const QSize vp = viewport()->size();
    // A page smaller than the view is centred; a larger one scrolls.
    const int x = size.width() <= vp.width() ? (vp.width() - size.width()) / 2 : -horizontalScrollBar()->value();
    const int y = size.height() <= vp.height() ? (vp.height() - size.height()) / 2 : -verticalScrollBar()->value();
    return {QPoint(x, y), size};
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
    const int target = page_ + direction;
    if (target < 0 || target >= PageCount()) return false;
    GoToPage(target);
    if (direction < 0) {
        // Coming back up lands at the bottom of the previous page.
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }
    return true;
}

void PdfPageView::wheelEvent(QWheelEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    const int dy = event->angleDelta().y();
    if (dy < 0 && bar->value() >= bar->maximum() && NextPageAtEdge(+1)) return event->accept();
    if (dy > 0 && bar->value() <= bar->minimum() && NextPageAtEdge(-1)) return event->accept();
    QAbstractScrollArea::wheelEvent(event);
}

void PdfPageView::keyPressEvent(QKeyEvent* event) {
    QScrollBar* bar = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_PageDown:
        if (bar->value() >= bar->maximum()) NextPageAtEdge(+1);
        else bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        return event->accept();
    case Qt::Key_PageUp:
        if (bar->value() <= bar->minimum()) NextPageAtEdge(-1);
        else bar->triggerAction(QAbstractSlider::SliderPageStepSub);
        return event->accept();
    case Qt::Key_Home: GoToPage(0); return event->accept();
    case Qt::Key_End: GoToPage(PageCount() - 1); return event->accept();
    default: QAbstractScrollArea::keyPressEvent(event);
    }
}
