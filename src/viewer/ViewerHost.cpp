// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/ViewerHost.h"

#include "core/CodePage.h"
#include "viewer/PdfViewerCore.h"
#include "viewer/ViewerTexts.h"

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

}  // namespace

Bytes ResultText(HRESULT code) {
    const Bytes text = TrimTrailing(FormatMessageText(code));
    return text.empty() ? FromUtf16(viewer_text::kOleError) + Format("%.8X", static_cast<unsigned>(code)) : text;
}

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

const std::vector<std::uint8_t> ViewerHost::ControlData = {0x00, 0x0A, 0x00, 0x00, 0x54, 0x10,
                                                           0x00, 0x00, 0x28, 0x11, 0x00, 0x00};

ViewerHost::ViewerHost(std::function<void()> onError, std::function<void()> onMessage) {
    const HRESULT created = CreateControlInstance(kPdfViewerClassId, &control_);
    if (!Succeeded(created)) throw EOleSysError(ResultText(created), created);
    control_->eventSink = [onError = std::move(onError), onMessage = std::move(onMessage)](int dispatchId) {
        if (dispatchId == 1 && onError) onError();
        if (dispatchId == 2 && onMessage) onMessage();
    };
}

ViewerHost::~ViewerHost() {
    if (control_) control_->Close();
}

std::optional<std::pair<int, int>> ViewerHost::NaturalSize(int dpiX, int dpiY) const {
    HimetricSize natural;
    if (!Succeeded(control_->GetExtent(&natural))) return std::nullopt;
    return std::pair(natural.cx * dpiX / kHimetricPerInch, natural.cy * dpiY / kHimetricPerInch);
}

void ViewerHost::ActivationFailed() { throw EOleError(FromUtf16(viewer_text::kActivationFailed)); }

void ViewerHost::NoWindow() { throw EOleError(FromUtf16(viewer_text::kNoWindow)); }

void ViewerHost::SetUp() {
    if (setUp_) return;
    const HRESULT loaded = ControlData.empty() ? control_->InitNew() : control_->LoadPersistedState(ControlData);
    if (!Succeeded(loaded)) throw EOleSysError(ResultText(loaded), loaded);
    setUp_ = true;
}

IAcroAXDocShim& ViewerHost::Interface() {
    if (interface_ == nullptr) {
        SetUp();
        interface_ = control_->QueryDefaultInterface();
        if (interface_ == nullptr) throw EIntfCastError(FromUtf16(viewer_text::kNoInterface));
    }
    return *interface_;
}

bool ViewerHost::AcceptsResize(int oldW, int oldH, int newW, int newH, int dpiX, int dpiY) {
    if (oldW <= 0 || oldH <= 0 || (oldW == newW && oldH == newH)) return true;
    return Succeeded(control_->SetExtent({newW * kHimetricPerInch / dpiX, newH * kHimetricPerInch / dpiY}));
}

bool ViewerHost::LoadFile(const Bytes& path) {
    IAcroAXDocShim& viewer = Interface();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    CheckViewerResult(viewer.LoadFile(ToUtf16(path), &loaded));
    return loaded != VARIANT_FALSE;
}

void ViewerHost::ShowToolbar(bool on) { CheckViewerResult(Interface().setShowToolbar(on ? VARIANT_TRUE : VARIANT_FALSE)); }

void ViewerHost::SetLayoutMode(const std::u16string& name) { CheckViewerResult(Interface().setLayoutMode(name)); }

void ViewerHost::SetView(const std::u16string& name) { CheckViewerResult(Interface().setView(name)); }

void ViewerHost::ShowScrollbars(bool on) { CheckViewerResult(Interface().setShowScroll(on ? VARIANT_TRUE : VARIANT_FALSE)); }
