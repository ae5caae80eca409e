// SPDX-License-Identifier: GPL-3.0-or-later
// The MuPDF viewer control in real Win32 windows, through its host, as the
// Windows front end uses it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "core/CodePage.h"
#include "core/Errors.h"
#include "support/AllocationFaults.h"
#include "support/CraftedFiles.h"
#include "support/Raised.h"
#include "support/Win32Support.h"
#include "viewer/PageRendering.h"
#include "viewer/ViewerHost.h"
#include "viewer/ViewerTexts.h"
#include "win32/AcroPDFLib_TLB.h"
#include "win32/MuPdfDocument.h"
#include "win32/MuPdfViewerControl.h"

extern "C" {
#include <mupdf/fitz.h>
}

namespace {

const Bytes kData = QUILVANE_TEST_DATA "\\";


SIZE ClientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right, r.bottom};
}

bool HasStyle(HWND window, DWORD style) { return (GetWindowLongA(window, GWL_STYLE) & style) != 0; }

class Win32Viewer : public testing::Test {
protected:
    void SetUp() override {
        RegisterPdfViewerControl();
        parent_ = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 700, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        viewer_ = std::make_unique<TAcroPDF>(parent_, RECT{0, 0, 427, 492});
        viewer_->Activate();
        control_ = static_cast<MuPdfViewerControl*>(viewer_->Control());
    }
    void TearDown() override {
        viewer_.reset();
        DestroyWindow(parent_);
    }
    MuPdfPageView& View() { return control_->PageView(); }
    SIZE Area() { return ClientSize(View().Window()); }
    bool Load(const Bytes& path) {
        const bool loaded = viewer_->ViewerLoadFileResult(path);
        PumpUntil([] { return false; }, 0);
        return loaded;
    }
    Bytes Copy(const char* name, const Bytes& as) {
        EXPECT_TRUE(CopyNewFile(kData + name, dir_ / as));
        return dir_ / as;
    }
    void Key(WPARAM key) { SendMessageA(View().Window(), WM_KEYDOWN, key, 0); }
    // Until the worker has answered all the view asked for.
    bool Drawn(unsigned ms = 10000) { return PumpUntil([&] { return !View().Drawing(); }, ms); }

    TempDir dir_;
    HWND parent_ = nullptr;
    std::unique_ptr<TAcroPDF> viewer_;
    MuPdfViewerControl* control_ = nullptr;
};

}  // namespace

TEST_F(Win32Viewer, LoadsFromMemorySoTheShownFileCanBeRenamedAndIsNotParsedAgain) {
    const Bytes shown = Copy("pages.pdf", FromUtf16(u"表紙.pdf"));
    ASSERT_TRUE(Load(shown));
    EXPECT_EQ(View().PageCount(), 3);
    EXPECT_EQ(control_->PageLabel(), "1 / 3");
    const MuPdfDocument* parsed = control_->Document();
    const Bytes renamed = dir_ / FromUtf16(u"表紙2.pdf");
    {
        HeldOpen alone(shown);  // no sharing: fails while any handle is open on the file
        EXPECT_TRUE(alone.Held());
    }
    ASSERT_TRUE(MoveFileA(shown.c_str(), renamed.c_str()));
    EXPECT_TRUE(Load(renamed));
    EXPECT_EQ(control_->Document(), parsed);  // same file: the identity says so
    EXPECT_EQ(View().PageCount(), 3);
}

TEST_F(Win32Viewer, FilesThatAreNoPdfShowTheSameNoticesAsOnLinux) {
    const Bytes notAPdf = FromUtf16(u"PDF として読み込めないファイルです");
    struct Case {
        Bytes path;
        Bytes notice;
    };
    ASSERT_TRUE(WriteFile(dir_ / "damaged.pdf", "%PDF-1.4\n" + Bytes(1 << 20, 'x')));
    ASSERT_TRUE(WriteFile(dir_ / "text.pdf", "just words, no PDF here"));
    ASSERT_TRUE(WriteFile(dir_ / "empty.pdf", ""));
    ASSERT_TRUE(MakeFolder(dir_ / "folder.pdf"));
    const Case cases[] = {
        {dir_ / "damaged.pdf", notAPdf},
        {dir_ / "text.pdf", notAPdf},
        {dir_ / "empty.pdf", notAPdf},
        {dir_ / "folder.pdf", notAPdf},
        {Copy("locked.pdf", "locked.pdf"), FromUtf16(u"パスワードで保護された PDF は表示できません")},
        {dir_ / "missing.pdf", FromUtf16(u"ファイルが見つかりません")},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Load(Copy("pages.pdf", "good.pdf")));
        EXPECT_FALSE(Load(c.path)) << c.path;  // a notice, not an error
        EXPECT_EQ(View().Notice(), c.notice) << c.path;
        EXPECT_EQ(control_->Document(), nullptr) << c.path;
        EXPECT_EQ(control_->PageLabel(), "- / -") << c.path;
        ASSERT_TRUE(DeleteFileA((dir_ / "good.pdf").c_str()));
    }
}

TEST_F(Win32Viewer, EachViewGivesTheZoomForTheWindowSize) {
    ASSERT_TRUE(Load(Copy("pages.pdf", "a.pdf")));
    viewer_->ViewerShowScrollbars(true);
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    for (int page : {0, 1}) {  // portrait, then landscape
        View().GoToPage(page);
        const double w = page == 0 ? 595 : 842, h = page == 0 ? 842 : 595;
        // Found by the worker once a content fit asks for it.
        viewer_->ViewerSetView(u"FitB");
        ASSERT_TRUE(Drawn());
        const viewer::RectF box = View().ContentBox(page);
        EXPECT_NEAR(box.x, page == 0 ? 100 : 400, 2);
        EXPECT_NEAR(box.width, page == 0 ? 300 : 200, 3);
        EXPECT_NEAR(box.height, page == 0 ? 400 : 300, 3);

        viewer_->ViewerSetView(u"Fit");
        SIZE area = Area();
        EXPECT_NEAR(View().Zoom(), std::min(area.cx / w, area.cy / h), 1e-9) << page;
        EXPECT_FALSE(HasStyle(View().Window(), WS_VSCROLL | WS_HSCROLL));
        if (page == 0) {  // as drawn, once the picture has come: grey round the page, white paper, the black box
            ASSERT_TRUE(Drawn());
            UpdateWindow(View().Window());
            HDC dc = GetDC(View().Window());
            const viewer::Rect shown = View().PageRectInViewport();
            const double zoom = View().Zoom();
            EXPECT_EQ(GetPixel(dc, shown.x / 2, area.cy / 2), RGB(0x80, 0x80, 0x80));
            EXPECT_EQ(GetPixel(dc, shown.x + 5, shown.y + 5), RGB(255, 255, 255));
            EXPECT_EQ(GetPixel(dc, shown.x + int(250 * zoom), shown.y + int(350 * zoom)), RGB(0, 0, 0));
            EXPECT_EQ(GetPixel(dc, shown.x + int(250 * zoom), shown.y + int(560 * zoom)), RGB(255, 255, 255));
            ReleaseDC(View().Window(), dc);
        }

        viewer_->ViewerSetView(u"FitH");
        const bool tall = h * area.cx / w > area.cy;
        EXPECT_NEAR(View().Zoom(), (area.cx - (tall ? bar : 0)) / w, 1e-9) << page;
        EXPECT_EQ(HasStyle(View().Window(), WS_VSCROLL), tall) << page;
        EXPECT_EQ(View().PageRectInViewport().width, ClientSize(View().Window()).cx) << page;

        viewer_->ViewerSetView(u"FitBH");
        EXPECT_NEAR(View().Zoom() * box.width, ClientSize(View().Window()).cx, 2) << page;
        // The content's left edge is at the view's.
        EXPECT_NEAR(View().PageRectInViewport().x + box.x * View().Zoom(), 0, 3) << page;
        viewer_->ViewerSetView(u"FitBV");
        EXPECT_NEAR(View().Zoom() * box.height, ClientSize(View().Window()).cy, 2) << page;
    }
    // The fit holds as the host is resized, with the bars off too.
    viewer_->ViewerShowScrollbars(false);
    viewer_->ViewerSetView(u"FitV");
    viewer_->SetBounds({10, 10, 310, 510});
    EXPECT_NEAR(View().Zoom(), 500.0 / 595, 1e-9);
    EXPECT_FALSE(HasStyle(View().Window(), WS_HSCROLL));
}

TEST_F(Win32Viewer, TheToolbarTakesItsHeightFromThePageAndCountsPages) {
    ASSERT_TRUE(Load(Copy("pages.pdf", "a.pdf")));
    viewer_->ViewerSetView(u"FitH");
    viewer_->ViewerShowScrollbars(false);
    const SIZE without = Area();
    EXPECT_EQ(without.cy, 492);
    viewer_->ViewerShowToolbar(true);
    EXPECT_TRUE(IsWindowVisible(control_->ToolBar()));
    EXPECT_EQ(Area().cy, 492 - MuPdfViewerControl::kToolBarHeight);
    EXPECT_NEAR(View().Zoom(), 427.0 / 595, 1e-9);
    viewer_->ViewerSetView(u"Fit");
    EXPECT_NEAR(View().Zoom(), (492.0 - MuPdfViewerControl::kToolBarHeight) / 842, 1e-9);
    // The toolbar's buttons turn pages; the label follows.
    SendMessageA(control_->ToolBar(), WM_COMMAND, MuPdfViewerControl::kNextCommand, 0);
    EXPECT_EQ(View().CurrentPage(), 1);
    EXPECT_EQ(control_->PageLabel(), "2 / 3");
    const double fitted = View().Zoom();
    SendMessageA(control_->ToolBar(), WM_COMMAND, MuPdfViewerControl::kZoomInCommand, 0);
    EXPECT_NEAR(View().Zoom(), fitted * viewer::kZoomStep, 1e-9);
    viewer_->ViewerShowToolbar(false);
    EXPECT_FALSE(IsWindowVisible(control_->ToolBar()));
    EXPECT_EQ(Area().cy, without.cy);
}

// On a monitor of 144 dpi the toolbar, its buttons and its font are half as
// large again and the fit takes what is left; a zoom of one's own keeps the
// page's size on the screen when the dpi changes back.
TEST_F(Win32Viewer, AtAnotherDpiTheToolbarScalesAndTheZoomKeepsThePagesSize) {
    ASSERT_TRUE(Load(Copy("pages.pdf", "a.pdf")));
    viewer_->ViewerShowScrollbars(false);
    viewer_->ViewerShowToolbar(true);
    viewer_->ViewerSetView(u"Fit");
    const auto place = [&](int id) {
        RECT at{};
        GetWindowRect(GetDlgItem(control_->ToolBar(), id), &at);
        MapWindowPoints(nullptr, control_->ToolBar(), reinterpret_cast<POINT*>(&at), 2);
        return at;
    };
    const RECT zoomIn = place(MuPdfViewerControl::kZoomInCommand);
    control_->SetDpi(144);
    const int bar = MuPdfViewerControl::kToolBarHeight * 3 / 2;
    EXPECT_EQ(ClientSize(control_->ToolBar()).cy, bar);
    EXPECT_EQ(Area().cy, 492 - bar);
    EXPECT_NEAR(View().Zoom(), (492.0 - bar) / 842, 1e-9);
    const RECT scaled = place(MuPdfViewerControl::kZoomInCommand);
    EXPECT_NEAR(scaled.left, zoomIn.left * 1.5, 1);
    EXPECT_NEAR(scaled.top, zoomIn.top * 1.5, 1);
    EXPECT_NEAR(scaled.right - scaled.left, (zoomIn.right - zoomIn.left) * 1.5, 1);
    EXPECT_NEAR(scaled.bottom - scaled.top, (zoomIn.bottom - zoomIn.top) * 1.5, 1);
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(GetDlgItem(control_->ToolBar(), MuPdfViewerControl::kZoomInCommand),
                                                    WM_GETFONT, 0, 0)),
               sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -18);
    SendMessageA(control_->ToolBar(), WM_COMMAND, MuPdfViewerControl::kZoomInCommand, 0);
    const double zoomed = View().Zoom();
    control_->SetDpi(96);
    EXPECT_NEAR(View().Zoom(), zoomed * 96 / 144, 1e-9);
    EXPECT_EQ(Area().cy, 492 - MuPdfViewerControl::kToolBarHeight);
}

TEST_F(Win32Viewer, PageKeysAndTheWheelTurnPagesAtTheEdges) {
    ASSERT_TRUE(Load(Copy("pages.pdf", "a.pdf")));
    viewer_->ViewerSetLayoutMode(u"SinglePage");
    viewer_->ViewerSetView(u"Fit");
    Key(VK_NEXT);
    EXPECT_EQ(View().CurrentPage(), 1);
    Key(VK_NEXT);
    Key(VK_NEXT);
    EXPECT_EQ(View().CurrentPage(), 2);  // no page after the last
    Key(VK_PRIOR);
    EXPECT_EQ(View().CurrentPage(), 1);
    // With the page taller than the view, Page Down first scrolls, then turns.
    View().GoToPage(0);
    viewer_->ViewerSetView(u"FitH");
    Key(VK_NEXT);
    EXPECT_EQ(View().CurrentPage(), 0);
    EXPECT_GT(View().ScrollY(), 0);
    while (View().ScrollY() < View().Layout().vMax) Key(VK_NEXT);
    Key(VK_NEXT);
    EXPECT_EQ(View().CurrentPage(), 1);
    // At the top of a page the wheel turns back, to the bottom of the page before.
    SendMessageA(View().Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(View().CurrentPage(), 0);
    EXPECT_EQ(View().ScrollY(), View().Layout().vMax);
    SendMessageA(View().Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(View().CurrentPage(), 0);  // inside a page it scrolls
    EXPECT_LT(View().ScrollY(), View().Layout().vMax);
}

TEST(Win32ViewerHost, CreationResultsAndTheExtentRuleAsOnLinux) {
    UnregisterControlClass(kPdfViewerClassId);
    const auto missing = Raised<EOleSysError>([] { TAcroPDF viewer(nullptr); });
    EXPECT_EQ(missing.ErrorCode(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(missing.Message(), ResultText(REGDB_E_CLASSNOTREG));
    // The system's own text where it has one, trimmed; our fallback where it has none.
    EXPECT_NE(ResultText(E_INVALIDARG).substr(0, 4), "OLE ");
    EXPECT_NE(ResultText(E_INVALIDARG).back(), '\n');
    EXPECT_EQ(ResultText(static_cast<HRESULT>(0x8004DEAD)), FromUtf16(u"OLE エラー 8004DEAD"));

    RegisterPdfViewerControl();
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 600, 700, nullptr, nullptr, nullptr, nullptr);
    TAcroPDF viewer(parent);
    HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX), dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(viewer.Bounds().right, 11298 * dpiX / 2540);
    EXPECT_EQ(viewer.Bounds().bottom, 13017 * dpiY / 2540);
    viewer.SetVisible(false);
    viewer.Activate();
    EXPECT_FALSE(IsWindowVisible(viewer.ControlWindow()));
    viewer.SetBounds({5, 6, 205, 306});
    RECT placed{};
    GetWindowRect(viewer.ControlWindow(), &placed);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 5);
    EXPECT_EQ(placed.right - placed.left, 200);
    // The extent the control was told, in HIMETRIC.
    HimetricSize extent;
    ASSERT_EQ(viewer.Control()->GetExtent(&extent), S_OK);
    EXPECT_EQ(extent.cx, 200 * 2540 / dpiX);
    EXPECT_EQ(extent.cy, 300 * 2540 / dpiY);

    const auto unknown = Raised<EOleException>([&] { viewer.ViewerSetView(u"FitX"); });
    EXPECT_EQ(unknown.ErrorCode(), E_INVALIDARG);
    EXPECT_EQ(unknown.Message(), FromUtf16(u"表示方法 \"FitX\" には対応していません。"));
    EXPECT_EQ(unknown.Source(), "Quilvane.PdfViewer");
    DestroyWindow(parent);
}

// A page too large for memory says so in place of the page, with no
// exception through the window procedure, and comes whole at the next step
// once memory is there.
TEST_F(Win32Viewer, APageThatCannotBeRenderedSaysSoAndComesAtTheNextStep) {
    ASSERT_TRUE(Load(Copy("pages.pdf", "a.pdf")));
    ASSERT_TRUE(Drawn());
    const HWND page = View().Window();
    const auto inkAfterPaint = [&] {  // printed samples of the page, as shown
        InvalidateRect(page, nullptr, FALSE);
        UpdateWindow(page);
        const viewer::Rect paper = View().PageRectInViewport();
        HDC dc = GetDC(page);
        int ink = 0;
        for (int y = std::max(0, paper.y); y < paper.y + paper.height && y < Area().cy; y += 4)
            for (int x = std::max(0, paper.x); x < paper.x + paper.width && x < Area().cx; x += 4)
                ink += GetPixel(dc, x, y) != RGB(255, 255, 255);
        ReleaseDC(page, dc);
        return ink;
    };
    {
        const AllocationLimit limit(64 << 10);
        View().ZoomBy(1.25);  // the page wants rendering anew
        EXPECT_TRUE(Drawn());
        EXPECT_EQ(View().PageNotice(), FromUtf16(viewer::PageFailureNotice(viewer::PageFailure::TooLarge)));
        EXPECT_NO_THROW(inkAfterPaint());
    }
    View().ZoomBy(1 / 1.25);
    ASSERT_TRUE(Drawn());
    EXPECT_TRUE(View().PageNotice().empty());
    EXPECT_GT(inkAfterPaint(), 0);
}

// Pages that take minutes or gigabytes are drawn on the worker: the window
// keeps answering keys, the view says why a page is not there, and the next
// document comes at once, whatever the last worker was still doing.
TEST_F(Win32Viewer, CraftedPagesLeaveTheWindowAnsweringAndSayWhyTheyAreNotShown) {
    ASSERT_TRUE(WriteFile(dir_ / "fan-out.pdf", FanOutPdf(8, 10)));
    ASSERT_TRUE(WriteFile(dir_ / "deflate-bomb.pdf", DeflateBombPdf(64, 16)));
    const Bytes good = Copy("pages.pdf", "good.pdf");
    const HWND view = View().Window();
    for (const char* name : {"fan-out.pdf", "deflate-bomb.pdf"}) {
        const DWORD start = GetTickCount();
        ASSERT_TRUE(Load(dir_ / name));
        EXPECT_LT(GetTickCount() - start, 500u) << name;  // opened, not drawn: on a busy machine too
        // Keys sent from another thread, answered only when this one takes its messages.
        std::atomic<DWORD> slowest{0};
        std::atomic<bool> done{false};
        std::thread keys([&] {
            while (!done) {
                const DWORD sent = GetTickCount();
                SendMessageA(view, WM_KEYDOWN, VK_F20, 0);
                slowest = std::max<DWORD>(slowest, GetTickCount() - sent);
                Sleep(20);
            }
        });
        PumpUntil([&] { return !View().PageNotice().empty(); }, 10000);
        done = true;
        PumpUntil([] { return false; }, 50);  // the last key's answer
        keys.join();
        RecordProperty(std::string(name) + " slowest key ms", int(slowest));
        EXPECT_LT(slowest, 100u) << name;
        EXPECT_EQ(View().PageNotice().rfind(FromUtf16(viewer_text::kPageNotShown), 0), 0u) << name;
        const DWORD next = GetTickCount();
        ASSERT_TRUE(Load(good));
        EXPECT_TRUE(Drawn(2000)) << name;
        EXPECT_LT(GetTickCount() - next, 2000u) << name;
        EXPECT_TRUE(View().PageNotice().empty()) << name;
    }
    // Closed while a page is being drawn: the window goes at once.
    ASSERT_TRUE(Load(dir_ / "fan-out.pdf"));
    PumpUntil([] { return false; }, 300);
    ASSERT_TRUE(View().Drawing());
    const DWORD closing = GetTickCount();
    viewer_.reset();
    EXPECT_LT(GetTickCount() - closing, 500u);
}

// A font too large for memory is a font not found: no C++ exception unwinds
// through MuPDF's C frames, and the failure is not kept as the answer.
TEST(Win32SystemFonts, AFontThatCannotBeReadIsNoneAndNoExceptionCrossesMuPdf) {
    const MuPdfContext context;
    fz_font* font = nullptr;
    {
        const AllocationLimit limit(1 << 20);  // the font file is some MB
        EXPECT_NO_THROW(font = fz_load_system_font(context.Get(), "IPAMincho", 1, 1, 0));
        EXPECT_EQ(font, nullptr);
    }
    font = fz_load_system_font(context.Get(), "IPAMincho", 1, 1, 0);
    EXPECT_NE(font, nullptr);
    fz_drop_font(context.Get(), font);
}
