// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/PdfViewerCore.h"

#include <new>

#include "core/CodePage.h"
#include "platform/WholeFile.h"
#include "viewer/ViewerTexts.h"

const char* const kPdfViewerClassId = "{CA8A9780-280D-11CF-A24D-444553540000}";

namespace {

const char16_t* NoticeFor(ReadProblem problem) {
    switch (problem) {
    case ReadProblem::Missing: return viewer_text::kMissing;
    case ReadProblem::Unreadable: return viewer_text::kUnreadable;
    case ReadProblem::TooLarge: return viewer_text::kTooLarge;
    default: return viewer_text::kNotAPdf;
    }
}

}  // namespace

HRESULT PdfViewerCore::GetExtent(HimetricSize* size) {
    if (size == nullptr) return E_POINTER;
    *size = extent_;
    return S_OK;
}

HRESULT PdfViewerCore::SetExtent(const HimetricSize& size) {
    if (size.cx <= 0 || size.cy <= 0) return E_INVALIDARG;
    extent_ = size;
    return S_OK;
}

HRESULT PdfViewerCore::LoadPersistedState(const std::vector<std::uint8_t>& state) {
    // Three little-endian words; the second and third are the extent in HIMETRIC.
    if (state.size() < 12) return E_FAIL;
    auto word = [&](int i) {
        return std::int32_t(state[i * 4] | state[i * 4 + 1] << 8 | state[i * 4 + 2] << 16 | state[i * 4 + 3] << 24);
    };
    if (word(1) > 0 && word(2) > 0) extent_ = {word(1), word(2)};
    return S_OK;
}

HRESULT PdfViewerCore::InitNew() { return S_OK; }

HRESULT PdfViewerCore::Fail(HRESULT code, const char16_t* description, const std::u16string& name) {
    std::u16string text = description;
    text.replace(text.find(u"%1"), 2, name);
    SetErrorInfo(ErrorInfo{text, viewer_text::kSource, {}, 0});
    return code;
}

HRESULT PdfViewerCore::LoadFile(const std::u16string& path, VARIANT_BOOL* loaded) {
    if (loaded == nullptr) return E_POINTER;
    *loaded = VARIANT_FALSE;
    // Same file, unchanged (a window drag reloads on every step, and a rename keeps the identity):
    // keep what is parsed, or why it could not be, without reading it again.
    if (shown_ && IdentityOfPath(FromUtf16(path)) == shown_) {
        *loaded = hasDocument_ ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    std::optional<FileIdentity> identity;
    const ReadProblem problem = ReadWholeFile(
        path, kLargestFile,
        [this](std::size_t size) -> char* {
            try {
                return ReserveContents(size);
            } catch (const std::bad_alloc&) {
                return nullptr;
            }
        },
        &identity);
    const Opened opened = problem == ReadProblem::None ? OpenContents() : Opened::NotAPdf;
    shown_ = identity;
    hasDocument_ = problem == ReadProblem::None && opened == Opened::Document;
    if (!hasDocument_) {
        ShowNotice(problem != ReadProblem::None ? NoticeFor(problem)
                   : opened == Opened::Encrypted ? viewer_text::kEncrypted
                                                 : viewer_text::kNotAPdf);
        return S_OK;
    }
    *loaded = VARIANT_TRUE;
    return S_OK;
}

HRESULT PdfViewerCore::setShowToolbar(std::int32_t on) {
    ShowToolbar(on != 0);
    return S_OK;
}

HRESULT PdfViewerCore::setLayoutMode(const std::u16string& layout) {
    // One page at a time is the only layout this viewer has.
    if (layout == u"SinglePage" || layout == u"DontCare") return S_OK;
    return Fail(E_INVALIDARG, viewer_text::kUnknownLayout, layout);
}

HRESULT PdfViewerCore::setView(const std::u16string& view) {
    const auto fit = viewer::FitForView(view);
    if (!fit) return Fail(E_INVALIDARG, viewer_text::kUnknownView, view);
    ApplyFit(*fit);
    return S_OK;
}

HRESULT PdfViewerCore::setShowScroll(std::int32_t on) {
    ShowScrollBars(on != 0);
    return S_OK;
}
