// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAbstractScrollArea>
#include <QHash>
#include <QImage>
#include <QRectF>

#include "qt/PdfPageRenderer.h"
#include "viewer/FitGeometry.h"

class QPainter;
class QPdfDocument;

// One page of a document at a time, fitted to the view by one of the PDF
// destination views, with our own zoom (Qt PDF's own fit leaves a scroll bar).
// The geometry is the one the Win32 viewer uses too (FitGeometry). Pages are
// drawn by a helper process (PdfPageRenderer), never here: until a picture
// comes the view shows the last one or blank paper, and a page that cannot
// be drawn shows why.
class PdfPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    using Fit = viewer::Fit;

    explicit PdfPageView(QWidget* parent = nullptr);
    ~PdfPageView() override;

    // Null shows nothing; the pages are drawn from `bytes`, the same document's.
    void SetDocument(QPdfDocument* document, const SharedPdfBytes* bytes = nullptr);
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
    // The drawn content of a page in points (the whole page when it is
    // blank, or until a content fit has had it found).
    QRectF ContentBox(int page) const;
    // Where the page lies in the viewport, in viewport pixels.
    QRect PageRectInViewport() const;
    // Why the page is not shown, when it cannot be drawn; empty otherwise.
    const QString& PageNotice() const { return pageNotice_; }
    // A picture or a content box is still on its way.
    bool Drawing() const { return document_ != nullptr && pageNotice_.isEmpty() && !renderer_.Idle(); }
    const PdfPageRenderer& Renderer() const { return renderer_; }

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
    void NewStep();
    void Want();
    void Take(const PdfPageRenderer::Done& done);
    void Fail(viewer::PageFailure failure);
    QSizeF PageSizePoints() const;
    viewer::Size PagePixels() const;
    bool NextPageAtEdge(int direction);
    void DrawNotice(QPainter& painter, const QString& text);

    QPdfDocument* document_ = nullptr;
    QString notice_;
    Fit fit_ = Fit::Page;
    bool scrollBarsShown_ = true;
    int page_ = 0;
    double zoom_ = 1.0;
    QHash<int, QRectF> contentBoxes_;  // found once per page
    PdfPageRenderer renderer_;
    QImage picture_;               // the last picture drawn of the page shown
    viewer::PageJob pictureJob_;   // what it shows
    QString pageNotice_;           // why the page is not shown, until the next step
};
