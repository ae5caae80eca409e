// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/PdfViewerControl.h"

#include <QAction>
#include <QBuffer>
#include <QLabel>
#include <QPdfDocument>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <fcntl.h>
#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "core/CodePage.h"
#include "platform/FileIdentity.h"
#include "viewer/PdfPageView.h"

const char* const kPdfViewerClassId = "{CA8A9780-280D-11CF-A24D-444553540000}";

void RegisterPdfViewerControl() {
    RegisterControlClass(kPdfViewerClassId, [] { return std::make_unique<PdfViewerControl>(); });
}

namespace {

const std::u16string kSource = u"Quilvane.PdfViewer";

const QString kNotAPdf = QStringLiteral("PDF として読み込めないファイルです");
const QString kTooLarge = QStringLiteral("ファイルが大きすぎて表示できません");
constexpr off_t kLargestFile = off_t(2) << 30;  // Qt PDF takes no more than this in one buffer

// The whole file in memory, read by its byte path. Empty when it was read;
// otherwise what the viewer shows instead. `identity`: of the file that was opened, when known.
QString ReadWholeFile(const Bytes& path, QByteArray* contents, std::optional<FileIdentity>* identity) {
    // O_NONBLOCK: a pipe or device named .pdf must not hang the program.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    identity->reset();
    if (fd < 0) return errno == ENOENT ? QStringLiteral("ファイルが見つかりません") : QStringLiteral("ファイルを読み取れません");
    QString notice;
    struct stat info{};
    *identity = IdentityOfOpenFile(fd);
    if (!*identity || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) notice = kNotAPdf;
    else if (info.st_size >= kLargestFile) notice = kTooLarge;
    if (notice.isEmpty()) {
        try {
            contents->resize(info.st_size);
        } catch (const std::bad_alloc&) {
            notice = kTooLarge;
        }
    }
    for (qsizetype done = 0; notice.isEmpty() && done < contents->size();) {
        const ssize_t n = read(fd, contents->data() + done, contents->size() - done);
        if (n <= 0) notice = QStringLiteral("ファイルを読み取れません");
        else done += n;
    }
    close(fd);
    return notice;
}

QString NoticeFor(QPdfDocument::Error error) {
    switch (error) {
    case QPdfDocument::Error::IncorrectPassword:
    case QPdfDocument::Error::UnsupportedSecurityScheme: return QStringLiteral("パスワードで保護された PDF は表示できません");
    default: return kNotAPdf;
    }
}

}  // namespace

PdfViewerControl::PdfViewerControl() : window_(std::make_unique<QWidget>()) {
    window_->setObjectName(QStringLiteral("PdfViewerWindow"));
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    toolbar_ = new QToolBar(window_.get());
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setAutoFillBackground(true);
    view_ = new PdfPageView(window_.get());
    QAction* previous = toolbar_->addAction(window_->style()->standardIcon(QStyle::SP_ArrowUp), QStringLiteral("前のページ"));
    QAction* next = toolbar_->addAction(window_->style()->standardIcon(QStyle::SP_ArrowDown), QStringLiteral("次のページ"));
    pageLabel_ = new QLabel(toolbar_);
    pageLabel_->setMinimumWidth(60);
    pageLabel_->setAlignment(Qt::AlignCenter);
    toolbar_->addWidget(pageLabel_);
    toolbar_->addSeparator();
    QAction* zoomOut = toolbar_->addAction(QStringLiteral("－"));
    zoomOut->setToolTip(QStringLiteral("縮小"));
    QAction* zoomIn = toolbar_->addAction(QStringLiteral("＋"));
    zoomIn->setToolTip(QStringLiteral("拡大"));
    QObject::connect(previous, &QAction::triggered, view_, [this] { view_->GoToPage(view_->CurrentPage() - 1); });
    QObject::connect(next, &QAction::triggered, view_, [this] { view_->GoToPage(view_->CurrentPage() + 1); });
    QObject::connect(zoomOut, &QAction::triggered, view_, [this] { view_->ZoomBy(1 / 1.25); });
    QObject::connect(zoomIn, &QAction::triggered, view_, [this] { view_->ZoomBy(1.25); });
    QObject::connect(view_, &PdfPageView::pageChanged, view_, [this](int page, int count) { UpdatePageLabel(page, count); });
    layout->addWidget(toolbar_);
    layout->addWidget(view_, 1);
    toolbar_->hide();
    UpdatePageLabel(0, 0);
}

PdfViewerControl::~PdfViewerControl() {
    view_->SetDocument(nullptr);
    if (activeWindow_) delete activeWindow_.data();
}

HRESULT PdfViewerControl::GetExtent(HimetricSize* size) {
    if (size == nullptr) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT PdfViewerControl::SetExtent(const HimetricSize& size) {
    if (size.cx <= 0 || size.cy <= 0) return E_INVALIDARG;
    extent_ = size;
    return S_OK;
}

HRESULT PdfViewerControl::LoadPersistedState(const std::vector<std::uint8_t>& state) {
    // Three little-endian words; the second and third are the extent in HIMETRIC.
    if (state.size() < 12) return E_FAIL;
    auto word = [&](int i) {
        return std::int32_t(state[i * 4] | state[i * 4 + 1] << 8 | state[i * 4 + 2] << 16 | state[i * 4 + 3] << 24);
    };
    if (word(1) > 0 && word(2) > 0) extent_ = {word(1), word(2)};
    return S_OK;
}

HRESULT PdfViewerControl::InitNew() { return S_OK; }

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

HRESULT PdfViewerControl::Fail(HRESULT code, const QString& description) {
    SetErrorInfo(ErrorInfo{description.toStdU16String(), kSource, {}, 0});
    return code;
}

void PdfViewerControl::ShowNotice(const QString& notice) {
    hasDocument_ = false;
    shown_.reset();
    view_->SetDocument(nullptr);
    view_->SetNotice(notice);
    document_.reset();
    buffer_.reset();
}

void PdfViewerControl::UpdatePageLabel(int page, int count) {
    pageLabel_->setText(count == 0 ? QStringLiteral("- / -") : QStringLiteral("%1 / %2").arg(page + 1).arg(count));
}

HRESULT PdfViewerControl::LoadFile(const std::u16string& path, VARIANT_BOOL* loaded) {
    if (loaded == nullptr) return E_POINTER;
    *loaded = VARIANT_FALSE;
    // Same file, unchanged (a window drag reloads on every step, and a rename keeps the inode):
    // keep what is parsed, or why it could not be, without reading it again.
    const Bytes bytePath = FromUtf16(path);
    if (shown_ && IdentityOfPath(bytePath) == shown_) {
        *loaded = hasDocument_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    QByteArray contents;
    std::optional<FileIdentity> identity;
    if (const QString notice = ReadWholeFile(bytePath, &contents, &identity); !notice.isEmpty()) {
        ShowNotice(notice);
        if (identity) shown_ = identity;
        return S_OK;
    }
    auto buffer = std::make_unique<QBuffer>();
    buffer->setData(contents);
    buffer->open(QIODevice::ReadOnly);
    auto document = std::make_unique<QPdfDocument>();
    document->load(buffer.get());
    if (document->status() != QPdfDocument::Status::Ready || document->pageCount() == 0) {
        ShowNotice(NoticeFor(document->error()));
        shown_ = identity;
        return S_OK;
    }
    view_->SetDocument(nullptr);
    document_ = std::move(document);
    buffer_ = std::move(buffer);
    view_->SetNotice({});
    view_->SetDocument(document_.get());
    shown_ = identity;
    hasDocument_ = true;
    *loaded = VARIANT_TRUE;
    return S_OK;
}

HRESULT PdfViewerControl::setShowToolbar(std::int32_t on) {
    toolbar_->setVisible(on != 0);
    return S_OK;
}

HRESULT PdfViewerControl::setLayoutMode(const std::u16string& layout) {
    // One page at a time is the only layout this viewer has.
    if (layout == u"SinglePage" || layout == u"DontCare") return S_OK;
    return Fail(E_INVALIDARG, QStringLiteral("ページレイアウト \"%1\" には対応していません。").arg(QString::fromStdU16String(layout)));
}

HRESULT PdfViewerControl::setView(const std::u16string& view) {
    using Fit = PdfPageView::Fit;
    static const std::pair<std::u16string, Fit> names[] = {
        {u"Fit", Fit::Page}, {u"FitH", Fit::Width}, {u"FitV", Fit::Height},
        {u"FitB", Fit::Box}, {u"FitBH", Fit::BoxWidth}, {u"FitBV", Fit::BoxHeight},
    };
    for (const auto& [name, fit] : names) {
        if (name == view) {
            view_->SetFit(fit);
            return S_OK;
        }
    }
    return Fail(E_INVALIDARG, QStringLiteral("表示方法 \"%1\" には対応していません。").arg(QString::fromStdU16String(view)));
}

HRESULT PdfViewerControl::setShowScroll(std::int32_t on) {
    view_->SetScrollBarsShown(on != 0);
    return S_OK;
}
