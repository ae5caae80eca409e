// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QRectF>

#include "viewer/FitGeometry.h"

class QPdfDocument;

// One page of a document at a time, fitted to the view by one of the PDF
// destination views, with our own zoom (Qt PDF's own fit leaves a scroll bar).
// The geometry is the one the Win32 viewer uses too (FitGeometry).
class PdfPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Fit = viewer::Fit;

    explicit PdfPageView(QWidget* parent = nullptr);

    void SetDocument(QPdfDocument* document);  // null shows nothing
    void SetNotice(const QString& notice);      // shown when there is no document
    void SetFit(Fit fit);
    Fit CurrentFit() const { return fit_; }
    void SetScrollBarsShown(bool shown);
    bool ScrollBarsShown() const { return scrollBarsShown_; }

    int PageCount() const;
    int CurrentPage() const { return page_; }
    void GoToPage(int page);
    void ZoomBy(double factor);
    // Pixels per PDF point of the page as drawn.
    double Zoom() const { return zoom_; }
    // The drawn content of a page in points (the whole page when it is blank).
    QRectF ContentBox(int page) const;
    // Where the page lies in the viewport, in viewport pixels.
    QRect PageRectInViewport() const;

signals:
    void pageChanged(int page, int count);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void Relayout(bool placeForFit);
    QSizeF PageSizePoints() const;
    bool NextPageAtEdge(int direction);

    QPdfDocument* document_ = nullptr;
    QString notice_;
    Fit fit_ = Fit::Page;
    bool scrollBarsShown_ = true;
    int page_ = 0;
    double zoom_ = 1.0;
    mutable QHash<int, QRectF> contentBoxes_;  // found once per page
    QImage rendered_;
    QRect renderedRect_;  // the part of the page the cached image holds, in page pixels
    double renderedZoom_ = 0;
    int renderedPage_ = -1;
};
