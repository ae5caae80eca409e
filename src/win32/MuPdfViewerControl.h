// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "core/Bytes.h"
#include "viewer/PdfViewerCore.h"
#include "win32/Dpi.h"
#include "win32/MuPdfDocument.h"
#include "win32/MuPdfPageView.h"

// The PDF viewer control on MuPDF for Win32: a toolbar (previous and next
// page, "n / N", zoom out and in) above a single-page view, in a child window
// of the host's. Its windows are made on in-place activation; what the five
// operations set before that carries over.
class MuPdfViewerControl final : public PdfViewerCore, public InPlaceActivation<HWND, RECT> {
public:
    MuPdfViewerControl();
    ~MuPdfViewerControl() override;

    // In-place activation in a Win32 window.
    bool InPlaceActivate(HWND parent, const RECT& bounds) override;
    HWND InPlaceWindow() override { return window_; }
    void Close() override;

    // For tests and the viewer's own use.
    MuPdfPageView& PageView() { return view_; }
    HWND ToolBar() const { return toolbar_; }
    bool ToolBarShown() const { return toolbarShown_; }
    const MuPdfDocument* Document() const { return document_.get(); }
    const Bytes& PageLabel() const { return pageLabel_; }
    // The toolbar's height in pixels at 96 dpi and now, and its buttons' command ids.
    static constexpr int kToolBarHeight = 28;
    int ToolBarHeight() const { return Scaled(kToolBarHeight, dpi_); }
    // Scales the toolbar, its font and the page view to `dpi`.
    void SetDpi(int dpi);
    enum Command { kPreviousCommand = 101, kNextCommand, kZoomOutCommand, kZoomInCommand };

protected:
    char* ReserveContents(std::size_t size) override;
    Opened OpenContents() override;
    void ShowNotice(const char16_t* notice) override;
    void ApplyFit(viewer::Fit fit) override;
    void ShowToolbar(bool on) override;
    void ShowScrollBars(bool on) override;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void MakeFont();
    void MakeToolBar();
    void PlaceToolBar();
    void LayOutChildren();
    void UpdatePageLabel(int page, int count);

    MuPdfContext context_;
    std::string contents_;                    // read, not yet parsed
    std::unique_ptr<MuPdfDocument> document_;  // keeps its own bytes
    MuPdfPageView view_;
    bool toolbarShown_ = false;
    Bytes pageLabel_;
    HWND window_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND label_ = nullptr;
    std::array<HWND, 6> toolbarChildren_{};  // as kToolBarPlaces places them
    HWND tips_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = kDesignDpi;
};
