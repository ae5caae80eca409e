// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PdfViewerControl.h"

#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QPdfDocument>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "qt/PdfPageView.h"
#include "viewer/ViewerTexts.h"

void RegisterPdfViewerControl() {
    RegisterControlClass(kPdfViewerClassId, [] { return std::make_unique<PdfViewerControl>(); });
}

PdfViewerControl::PdfViewerControl() : window_(std::make_unique<QWidget>()) {
    window_->setObjectName(QStringLiteral("PdfViewerWindow"));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    view_ = new PdfPageView(window_.get());
    layout->addWidget(view_, 1);
    QObject::connect(view_, &PdfPageView::pageChanged, view_, [this](int page, int count) {
        if (pageLabel_ != nullptr) UpdatePageLabel(page, count);
    });
}

// Made at its first showing: a tool bar's style icons load every image
// plug-in, some 10 ms that the window's first frame would wait for.
void PdfViewerControl::MakeToolBar() {
    using namespace viewer_text;
    QWidget* window = view_->parentWidget();  // the control's window, before or after activation
    toolbar_ = new QToolBar(window);
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setAutoFillBackground(true);
    QAction* previous = toolbar_->addAction(toolbar_->style()->standardIcon(QStyle::SP_ArrowUp), QString::fromUtf16(kPreviousPage));
    QAction* next = toolbar_->addAction(toolbar_->style()->standardIcon(QStyle::SP_ArrowDown), QString::fromUtf16(kNextPage));
    pageLabel_ = new QLabel(toolbar_);
    pageLabel_->setMinimumWidth(60);
    pageLabel_->setAlignment(Qt::AlignCenter);
    toolbar_->addWidget(pageLabel_);
    toolbar_->addSeparator();
    QAction* zoomOut = toolbar_->addAction(QString::fromUtf16(kZoomOut));
    zoomOut->setToolTip(QString::fromUtf16(kZoomOutTip));
    QAction* zoomIn = toolbar_->addAction(QString::fromUtf16(kZoomIn));
    zoomIn->setToolTip(QString::fromUtf16(kZoomInTip));
    QObject::connect(previous, &QAction::triggered, view_, [this] { view_->GoToPage(view_->CurrentPage() - 1); });
    QObject::connect(next, &QAction::triggered, view_, [this] { view_->GoToPage(view_->CurrentPage() + 1); });
    QObject::connect(zoomOut, &QAction::triggered, view_, [this] { view_->ZoomBy(1 / viewer::kZoomStep); });
    QObject::connect(zoomIn, &QAction::triggered, view_, [this] { view_->ZoomBy(viewer::kZoomStep); });
    static_cast<QVBoxLayout*>(window->layout())->insertWidget(0, toolbar_);
    UpdatePageLabel(view_->CurrentPage(), view_->PageCount());
}

PdfViewerControl::~PdfViewerControl() {
    view_->SetDocument(nullptr);
    if (activeWindow_) delete activeWindow_.data();
}

bool PdfViewerControl::InPlaceActivate(QWidget* parent, const QRect& bounds) {
    if (!window_) return activeWindow_ != nullptr;
    window_->setParent(parent);
    window_->setGeometry(bounds);
    window_->show();
    activeWindow_ = window_.release();
    return true;
}

QWidget* PdfViewerControl::InPlaceWindow() { return activeWindow_ ? activeWindow_.data() : window_.get(); }

void PdfViewerControl::Close() { view_->SetDocument(nullptr); }

void PdfViewerControl::UpdatePageLabel(int page, int count) {
    pageLabel_->setText(QString::fromStdString(viewer_text::PageLabel(page, count)));
}

char* PdfViewerControl::ReserveContents(std::size_t size) {
    contents_ = SharedPdfBytes::Make(size);
    return contents_ ? contents_->Data() : nullptr;
}

PdfViewerControl::Opened PdfViewerControl::OpenContents() {
    std::unique_ptr<SharedPdfBytes> bytes = std::move(contents_);
    if (!bytes) return Opened::NotAPdf;
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(QByteArray::fromRawData(bytes->Data(), qsizetype(bytes->Size())));
    buffer->open(QIODevice::ReadOnly);
    auto document = std::make_unique<QPdfDocument>();
    document->load(buffer.get());
    if (document->status() != QPdfDocument::Status::Ready || document->pageCount() == 0) {
        switch (document->error()) {
        case QPdfDocument::Error::IncorrectPassword:
        case QPdfDocument::Error::UnsupportedSecurityScheme: return Opened::Encrypted;
        default: return Opened::NotAPdf;
        }
    }
    view_->SetDocument(nullptr);
    document_ = std::move(document);
    buffer_ = std::move(buffer);
    bytes_ = std::move(bytes);
    view_->SetNotice({});
    view_->SetDocument(document_.get(), bytes_.get());
    return Opened::Document;
}

void PdfViewerControl::ShowNotice(const char16_t* notice) {
    view_->SetDocument(nullptr);
    view_->SetNotice(QString::fromUtf16(notice));
    document_.reset();
    buffer_.reset();
    bytes_.reset();
    contents_.reset();
}

void PdfViewerControl::ApplyFit(viewer::Fit fit) { view_->SetFit(fit); }

void PdfViewerControl::ShowToolbar(bool on) {
    if (on && toolbar_ == nullptr) MakeToolBar();
    if (toolbar_ != nullptr) toolbar_->setVisible(on);
}

void PdfViewerControl::ShowScrollBars(bool on) { view_->SetScrollBarsShown(on); }
