// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/ComHost.h"
#include "platform/FileIdentity.h"
#include "viewer/FitGeometry.h"

// Class id under which the PDF viewer control is registered.
extern const char* const kPdfViewerClassId;
// Registers the front end's viewer (Qt PDF, or MuPDF on Win32) under that class id.
void RegisterPdfViewerControl();

// The PDF viewer control without its windows: the five operations, the
// extent and persisted state, and the load decisions. The file is read whole
// into memory, so no handle is held on the file shown; a file that was shown,
// or could not be, is known again by its identity and not read again while
// unchanged. Each front end renders and shows what it is told.
class PdfViewerCore : public OleControl, public IAcroAXDocShim {
public:
    // OleControl
    IAcroAXDocShim* QueryDefaultInterface() override { return this; }
    HRESULT GetExtent(HimetricSize* size) override;
    HRESULT SetExtent(const HimetricSize& size) override;
    HRESULT LoadPersistedState(const std::vector<std::uint8_t>& state) override;
    HRESULT InitNew() override;

    // IAcroAXDocShim
    HRESULT LoadFile(const std::u16string& path, VARIANT_BOOL* loaded) override;
    HRESULT setShowToolbar(std::int32_t on) override;
    HRESULT setLayoutMode(const std::u16string& layout) override;
    HRESULT setView(const std::u16string& view) override;
    HRESULT setShowScroll(std::int32_t on) override;

    // The largest file either viewer takes (Qt PDF reads no more in one buffer).
    static constexpr std::uint64_t kLargestFile = std::uint64_t(2) << 30;

protected:
    enum class Opened { Document, NotAPdf, Encrypted };
    // Room for the bytes of a file about to be read; null (or bad_alloc) when there is none.
    virtual char* ReserveContents(std::size_t size) = 0;
    // Parses the bytes read into that room. A document with pages replaces
    // what is shown; otherwise what is shown stays, and the reason is answered.
    virtual Opened OpenContents() = 0;
    // Drops any document (and the bytes read) and shows `notice` instead.
    virtual void ShowNotice(const char16_t* notice) = 0;
    virtual void ApplyFit(viewer::Fit fit) = 0;
    virtual void ShowToolbar(bool on) = 0;
    virtual void ShowScrollBars(bool on) = 0;

private:
    HRESULT Fail(HRESULT code, const char16_t* description, const std::u16string& name);

    std::optional<FileIdentity> shown_;  // the file whose document or notice is shown
    bool hasDocument_ = false;
    HimetricSize extent_{11298, 13017};  // 427 x 492 pixels at 96 dpi
};
