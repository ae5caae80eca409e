// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <sys/types.h>

#include "platform/ComHost.h"
#include "platform/FileIdentity.h"

class QBuffer;
class QLabel;
class QPdfDocument;
class QToolBar;
class PdfPageView;

// Class id under which the PDF viewer control is registered.
extern const char* const kPdfViewerClassId;
// Registers our Qt PDF viewer under that class id.
void RegisterPdfViewerControl();

// The PDF viewer control: a toolbar and a single-page view. It reads a file
// into memory, so it holds no handle on the file it shows.
class PdfViewerControl final : public OleControl, public IAcroAXDocShim {
public:
    PdfViewerControl();
    ~PdfViewerControl() override;

    // OleControl
    IAcroAXDocShim* QueryDefaultInterface() override { return this; }
    HRESULT GetExtent(HimetricSize* size) override;
    HRESULT SetExtent(const HimetricSize& size) override;
    HRESULT LoadPersistedState(const std::vector<std::uint8_t>& state) override;
    HRESULT InitNew() override;
    bool InPlaceActivate(QWidget* parent, const QRect& bounds) override;
    QWidget* InPlaceWindow() override;
    void Close() override;

    // IAcroAXDocShim
    HRESULT LoadFile(const std::u16string& path, VARIANT_BOOL* loaded) override;
    HRESULT setShowToolbar(std::int32_t on) override;
    HRESULT setLayoutMode(const std::u16string& layout) override;
    HRESULT setView(const std::u16string& view) override;
    HRESULT setShowScroll(std::int32_t on) override;

    // For tests and the viewer's own use.
    PdfPageView* PageView() const { return view_; }
    QToolBar* ToolBar() const { return toolbar_; }
    QPdfDocument* Document() const { return document_.get(); }
    QBuffer* DocumentBytes() const { return buffer_.get(); }

private:
    HRESULT Fail(HRESULT code, const QString& description);
    void ShowNotice(const QString& notice);
    void UpdatePageLabel(int page, int count);

    std::unique_ptr<QWidget> window_;  // owned until activation gives it a parent
    QPointer<QWidget> activeWindow_;
    QToolBar* toolbar_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    PdfPageView* view_ = nullptr;
    std::unique_ptr<QBuffer> buffer_;  // declared first, so it outlives the document that reads it
    std::unique_ptr<QPdfDocument> document_;
    std::optional<FileIdentity> shown_;  // the file whose document or notice is shown
    bool hasDocument_ = false;
    HimetricSize extent_{11298, 13017};  // 427 x 492 pixels at 96 dpi
};
