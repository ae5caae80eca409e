// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MuPdfViewerControl.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "core/CodePage.h"
#include "viewer/ViewerTexts.h"
#include "win32/Dpi.h"

void RegisterPdfViewerControl() {
    RegisterControlClass(kPdfViewerClassId, [] { return std::make_unique<MuPdfViewerControl>(); });
}

namespace {

// The control's window and its toolbar share one window class: both pass
// their buttons' commands and drawing to the control.
constexpr char kClassName[] = "QuilvanePdfViewer";

// Where the toolbar's children go at 96 dpi, in the order they are made:
// previous, next, "n / N", a separator, zoom out, zoom in.
constexpr RECT kToolBarPlaces[] = {{4, 3, 28, 25},   {30, 3, 54, 25},   {56, 3, 120, 25},
                                   {124, 4, 126, 24}, {130, 3, 154, 25}, {156, 3, 180, 25}};

void RegisterClassOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExA(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

MuPdfViewerControl::MuPdfViewerControl() {
    view_.onPageChanged = [this](int page, int count) { UpdatePageLabel(page, count); };
    UpdatePageLabel(0, 0);
}

MuPdfViewerControl::~MuPdfViewerControl() {
    view_.SetDocument(nullptr);
    if (window_ != nullptr) DestroyWindow(window_);
    if (font_ != nullptr) DeleteObject(font_);
}

// The Japanese UI font at the size the Qt viewer's 9 points take at 96 dpi, scaled.
void MuPdfViewerControl::MakeFont() {
    HFONT old = font_;
    font_ = CreateFontA(-Scaled(12, dpi_), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS UI Gothic");
    for (HWND child : toolbarChildren_)
        if (child != nullptr) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    view_.SetFont(font_);
    if (old != nullptr) DeleteObject(old);
}

bool MuPdfViewerControl::InPlaceActivate(HWND parent, const RECT& bounds) {
    if (window_ != nullptr) return true;
    RegisterClassOnce(&MuPdfViewerControl::Proc);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    dpi_ = WindowDpi(parent);
    MakeFont();
    CreateWindowExA(0, kClassName, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr, GetModuleHandleA(nullptr),
                    this);
    if (window_ == nullptr) return false;
    MakeToolBar();
    view_.Create(window_, RECT{0, 0, 0, 0}, font_, dpi_);
    LayOutChildren();
    return true;
}

void MuPdfViewerControl::PlaceToolBar() {
    for (std::size_t i = 0; i < toolbarChildren_.size(); ++i) {
        const RECT& at = kToolBarPlaces[i];
        const int left = Scaled(at.left, dpi_), top = Scaled(at.top, dpi_);
        MoveWindow(toolbarChildren_[i], left, top, Scaled(at.right, dpi_) - left, Scaled(at.bottom, dpi_) - top, TRUE);
    }
}

void MuPdfViewerControl::SetDpi(int dpi) {
    if (dpi == dpi_) return;
    dpi_ = dpi;
    MakeFont();
    PlaceToolBar();
    view_.SetDpi(dpi);
    LayOutChildren();
}

void MuPdfViewerControl::MakeToolBar() {
    toolbar_ = CreateWindowExA(0, kClassName, "", WS_CHILD | WS_CLIPCHILDREN | (toolbarShown_ ? WS_VISIBLE : 0), 0, 0, 0,
                               ToolBarHeight(), window_, nullptr, GetModuleHandleA(nullptr), this);
    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, window_,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    std::size_t count = 0;
    auto button = [&](int id, DWORD style, const char16_t* text, const char16_t* tipText) {
        const Bytes caption = FromUtf16(text), tip = FromUtf16(tipText);
        HWND made = CreateWindowExA(0, "BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, toolbar_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        toolbarChildren_[count++] = made;
        SendMessageA(made, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        TTTOOLINFOA info{};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = toolbar_;
        info.uId = reinterpret_cast<UINT_PTR>(made);
        info.lpszText = const_cast<char*>(tip.c_str());
        SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    };
    using namespace viewer_text;
    // The page buttons show arrows, as the Qt toolbar's icons do; their names are their tips.
    button(kPreviousCommand, BS_OWNERDRAW, kPreviousPage, kPreviousPage);
    button(kNextCommand, BS_OWNERDRAW, kNextPage, kNextPage);
    label_ = CreateWindowExA(0, "STATIC", pageLabel_.c_str(), WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0, 0, 0,
                             0, toolbar_, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(label_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    toolbarChildren_[count++] = label_;
    toolbarChildren_[count++] = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ETCHEDVERT, 0, 0, 0, 0, toolbar_,
                                                nullptr, GetModuleHandleA(nullptr), nullptr);
    button(kZoomOutCommand, BS_PUSHBUTTON, kZoomOut, kZoomOutTip);
    button(kZoomInCommand, BS_PUSHBUTTON, kZoomIn, kZoomInTip);
    PlaceToolBar();
}

LRESULT CALLBACK MuPdfViewerControl::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MuPdfViewerControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (self->window_ == nullptr) self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MuPdfViewerControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    // No C++ exception may unwind through the system's frames.
    try {
        return self->Handle(window, message, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT MuPdfViewerControl::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (window == window_) LayOutChildren();
        return 0;
    // The window's monitor has another dpi now; the host has already given it its new size.
    case WM_DPICHANGED_AFTERPARENT:
        if (window == window_) SetDpi(WindowDpi(window_));
        return 0;
    case WM_COMMAND: {
        const bool focused = GetFocus() == reinterpret_cast<HWND>(lParam);
        switch (LOWORD(wParam)) {
        case kPreviousCommand: view_.GoToPage(view_.CurrentPage() - 1); break;
        case kNextCommand: view_.GoToPage(view_.CurrentPage() + 1); break;
        case kZoomOutCommand: view_.ZoomBy(1 / viewer::kZoomStep); break;
        case kZoomInCommand: view_.ZoomBy(viewer::kZoomStep); break;
        default: return DefWindowProcA(window, message, wParam, lParam);
        }
        // Toolbar buttons leave the keys to the page, as Qt's do.
        if (focused && view_.Window()) SetFocus(view_.Window());
        return 0;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        RECT box = item->rcItem;
        const UINT arrow = item->CtlID == kPreviousCommand ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
        DrawFrameControl(item->hDC, &box, DFC_SCROLL,
                         arrow | ((item->itemState & ODS_SELECTED) ? DFCS_PUSHED : 0) |
                             ((item->itemState & ODS_DISABLED) ? DFCS_INACTIVE : 0));
        return TRUE;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (window == window_) window_ = tips_ = nullptr;
        if (window == toolbar_) {
            toolbar_ = label_ = nullptr;
            toolbarChildren_ = {};
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void MuPdfViewerControl::LayOutChildren() {
    if (window_ == nullptr) return;
    RECT client;
    GetClientRect(window_, &client);
    const int bar = toolbarShown_ ? ToolBarHeight() : 0;
    if (toolbar_) {
        MoveWindow(toolbar_, 0, 0, client.right, ToolBarHeight(), TRUE);
        ShowWindow(toolbar_, toolbarShown_ ? SW_SHOWNA : SW_HIDE);
    }
    if (view_.Window()) MoveWindow(view_.Window(), 0, bar, client.right, std::max(0L, client.bottom - bar), TRUE);
}

void MuPdfViewerControl::UpdatePageLabel(int page, int count) {
    pageLabel_ = viewer_text::PageLabel(page, count);
    if (label_) SetWindowTextA(label_, pageLabel_.c_str());
}

void MuPdfViewerControl::Close() { view_.SetDocument(nullptr); }

char* MuPdfViewerControl::ReserveContents(std::size_t size) {
    contents_.resize(size);
    return contents_.data();
}

MuPdfViewerControl::Opened MuPdfViewerControl::OpenContents() {
    auto document = std::make_unique<MuPdfDocument>(context_, std::exchange(contents_, {}));
    switch (document->State()) {
    case MuPdfDocument::Status::Encrypted: return Opened::Encrypted;
    case MuPdfDocument::Status::NotAPdf: return Opened::NotAPdf;
    case MuPdfDocument::Status::Ready: break;
    }
    view_.SetDocument(nullptr);
    document_ = std::move(document);
    view_.SetNotice({});
    view_.SetDocument(document_.get());
    return Opened::Document;
}

void MuPdfViewerControl::ShowNotice(const char16_t* notice) {
    view_.SetDocument(nullptr);
    view_.SetNotice(FromUtf16(notice));
    document_.reset();
    contents_ = {};
}

void MuPdfViewerControl::ApplyFit(viewer::Fit fit) { view_.SetFit(fit); }

void MuPdfViewerControl::ShowToolbar(bool on) {
    toolbarShown_ = on;
    LayOutChildren();
}

void MuPdfViewerControl::ShowScrollBars(bool on) { view_.SetScrollBarsShown(on); }
