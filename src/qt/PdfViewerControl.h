// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <memory>

#include "platform/ComHost.h"
#include "viewer/PdfViewerCore.h"

class QBuffer;
class QLabel;
class QPdfDocument;
class QAction;
class QToolBar;
class PdfPageView;
class SharedPdfBytes;

// The PDF viewer control on Qt PDF: a toolbar and a single-page view.
class PdfViewerControl final : public PdfViewerCore, public InPlaceActivation<QWidget*, QRect> {
public:
    PdfViewerControl();
    ~PdfViewerControl() override;

    // In-place activation in a Qt widget.
    bool InPlaceActivate(QWidget* parent, const QRect& bounds) override;
    QWidget* InPlaceWindow() override;
    void Close() override;

    // For tests and the viewer's own use.
    PdfPageView* PageView() const { return view_; }
    QToolBar* ToolBar() const { return toolbar_; }  // none until first shown
    QPdfDocument* Document() const { return document_.get(); }
    QBuffer* DocumentBytes() const { return buffer_.get(); }

protected:
    char* ReserveContents(std::size_t size) override;
    Opened OpenContents() override;
    void ShowNotice(const char16_t* notice) override;
    void ApplyFit(viewer::Fit fit) override;
    void ShowToolbar(bool on) override;
    void ShowScrollBars(bool on) override;

private:
    void UpdatePageLabel(int page, int count);
    void MakeToolBar();

    std::unique_ptr<QWidget> window_;  // owned until activation gives it a parent
    QPointer<QWidget> activeWindow_;
    QToolBar* toolbar_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    PdfPageView* view_ = nullptr;
    std::unique_ptr<SharedPdfBytes> contents_;  // read, not yet parsed
    // In this order, so that each outlives what reads it: the bytes, which
    // the page helper maps too, the buffer over them, the document.
    std::unique_ptr<SharedPdfBytes> bytes_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QPdfDocument> document_;
};
