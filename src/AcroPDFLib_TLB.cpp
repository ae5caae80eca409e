// SPDX-License-Identifier: GPL-3.0-or-later
#include "AcroPDFLib_TLB.h"

#include <QResizeEvent>

#include "core/CodePage.h"
#include "core/Errors.h"
#include "viewer/PdfViewerControl.h"

namespace {

constexpr int kHimetricPerInch = 2540;

// Trailing bytes of 0x20 or less and "." go; a double-byte last character stays.
Bytes TrimTrailing(Bytes text) {
    while (!text.empty()) {
        const auto last = static_cast<unsigned char>(text.back());
        if ((last > 0x20 && last != '.') || IsTrailByte(text, text.size() - 1)) break;
        text.pop_back();
    }
    return text;
}

// The platform's text for a result code, or "OLE エラー" and the code when it has none.
Bytes ResultText(HRESULT code) {
    const Bytes text = TrimTrailing(FormatMessageText(code));
    return text.empty() ? Format("OLE エラー %.8X", static_cast<unsigned>(code)) : text;
}

}  // namespace

void CheckViewerResult(HRESULT code) {
    if (Succeeded(code)) return;
    ErrorInfo info;
    Bytes message, source, helpFile;
    std::int32_t helpContext = 0;
    if (GetErrorInfo(&info) == S_OK) {
        message = TrimTrailing(FromUtf16(info.description));
        source = FromUtf16(info.source);
        helpFile = FromUtf16(info.helpFile);
        helpContext = static_cast<std::int32_t>(info.helpContext);
    }
    if (message.empty()) message = ResultText(code);
    throw EOleException(message, code, source, helpFile, helpContext);
}

const std::vector<std::uint8_t> TAcroPDF::ControlData = {0x00, 0x0A, 0x00, 0x00, 0x54, 0x10,
                                                         0x00, 0x00, 0x28, 0x11, 0x00, 0x00};

TAcroPDF::TAcroPDF(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("AcroPDF1"));
    const HRESULT created = CreateControlInstance(kPdfViewerClassId, &control_);
    if (!Succeeded(created)) throw EOleSysError(ResultText(created), created);
    control_->eventSink = [this](int dispatchId) { OnControlEvent(dispatchId); };
    HimetricSize natural;
    if (Succeeded(control_->GetExtent(&natural))) {
        const int dpiX = logicalDpiX(), dpiY = logicalDpiY();
        resize(natural.cx * dpiX / kHimetricPerInch, natural.cy * dpiY / kHimetricPerInch);
    }
}

TAcroPDF::~TAcroPDF() {
    if (control_) control_->Close();
}

void TAcroPDF::SetUp() {
    if (setUp_) return;
    const HRESULT loaded = ControlData.empty() ? control_->InitNew() : control_->LoadPersistedState(ControlData);
    if (!Succeeded(loaded)) throw EOleSysError(ResultText(loaded), loaded);
    setUp_ = true;
}

IAcroAXDocShim& TAcroPDF::ViewerInterface() {
    if (viewerInterface_ == nullptr) {
        SetUp();
        viewerInterface_ = control_->QueryDefaultInterface();
        if (viewerInterface_ == nullptr) throw EIntfCastError("Interface はサポートされていません");
    }
    return *viewerInterface_;
}

void TAcroPDF::Activate() {
    if (active_) return;
    SetUp();
    if (!control_->InPlaceActivate(this, rect())) throw EOleError("OLE コントロールのアクティベートに失敗しました");
    if (control_->InPlaceWindow() == nullptr) throw EOleError("OLE コントロールのウィンドウハンドルの取得に失敗しました");
    active_ = true;
}

void TAcroPDF::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QWidget* window = active_ ? control_->InPlaceWindow() : nullptr;
    if (window == nullptr) return;
    const QSize old = event->oldSize();
    const QSize now = event->size();
    if (old.width() > 0 && old.height() > 0 && old != now) {
        const HimetricSize extent{now.width() * kHimetricPerInch / logicalDpiX(),
                                  now.height() * kHimetricPerInch / logicalDpiY()};
        // A control that refuses its new extent keeps its old size.
        if (!Succeeded(control_->SetExtent(extent))) return;
    }
    window->setGeometry(rect());
}

void TAcroPDF::OnControlEvent(int dispatchId) {
    if (dispatchId == 1 && OnError) OnError(*this);
    if (dispatchId == 2 && OnMessage) OnMessage(*this);
}

bool TAcroPDF::ViewerLoadFileResult(const Bytes& path) {
    IAcroAXDocShim& viewer = ViewerInterface();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    CheckViewerResult(viewer.LoadFile(ToUtf16(path), &loaded));
    return loaded != VARIANT_FALSE;
}

void TAcroPDF::ViewerLoadFile(const Bytes& path) { ViewerLoadFileResult(path); }

void TAcroPDF::ViewerShowToolbar(bool on) {
    CheckViewerResult(ViewerInterface().setShowToolbar(on ? VARIANT_TRUE : VARIANT_FALSE));
}

void TAcroPDF::ViewerSetLayoutMode(const std::u16string& name) { CheckViewerResult(ViewerInterface().setLayoutMode(name)); }

void TAcroPDF::ViewerSetView(const std::u16string& name) { CheckViewerResult(ViewerInterface().setView(name)); }

void TAcroPDF::ViewerShowScrollbars(bool on) {
    CheckViewerResult(ViewerInterface().setShowScroll(on ? VARIANT_TRUE : VARIANT_FALSE));
}
