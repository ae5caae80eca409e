// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPdfDocument>
#include <QScrollBar>
#include <QLabel>
#include <QToolBar>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <sys/stat.h>

#include "qt/AcroPDFLib_TLB.h"
#include "core/Errors.h"
#include "support/CraftedFiles.h"
#include "support/Fixtures.h"
#include "support/Raised.h"
#include "support/WindowHarness.h"
#include "qt/PdfPageView.h"
#include "qt/PdfViewerControl.h"
#include "viewer/ViewerTexts.h"

namespace {

// A control that does what each test tells it, registered under the viewer's class id.
class FakeControl : public OleControl, public QtInPlaceActivation, public IAcroAXDocShim {
public:
    static inline int queries = 0;
    static inline HRESULT nextResult = S_OK;
    static inline std::optional<ErrorInfo> nextInfo;
    static inline bool lacksInterface = false;
    static inline bool noInPlaceObject = false;
    static inline bool noWindow = false;
    static inline bool refuseExtent = false;
    static inline HRESULT stateResult = S_OK;
    static inline std::vector<std::uint8_t> stateReceived;
    static inline std::vector<std::u16string> views;
    static void Reset() {
        queries = 0;
        nextResult = S_OK;
        nextInfo.reset();
        lacksInterface = noInPlaceObject = noWindow = refuseExtent = false;
        stateResult = S_OK;
        stateReceived.clear();
        views.clear();
    }

    IAcroAXDocShim* QueryDefaultInterface() override {
        ++queries;
        return lacksInterface ? nullptr : this;
    }
    HRESULT GetExtent(HimetricSize* size) override {
        *size = {2540, 5080};  // 1 x 2 inches
        return S_OK;
    }
    HRESULT SetExtent(const HimetricSize&) override { return refuseExtent ? E_FAIL : S_OK; }
    HRESULT LoadPersistedState(const std::vector<std::uint8_t>& state) override {
        stateReceived = state;
        return stateResult;
    }
    HRESULT InitNew() override { return S_OK; }
    bool InPlaceActivate(QWidget* parent, const QRect& bounds) override {
        if (noInPlaceObject) return false;
        if (!noWindow) {
            window_ = new QWidget(parent);
            window_->setGeometry(bounds);
        }
        return true;
    }
    QWidget* InPlaceWindow() override { return window_; }
    void Close() override {}

    HRESULT Result() {
        if (nextInfo) SetErrorInfo(nextInfo);
        return nextResult;
    }
    HRESULT LoadFile(const std::u16string&, VARIANT_BOOL* loaded) override {
        *loaded = VARIANT_TRUE;
        return Result();
    }
    HRESULT setShowToolbar(std::int32_t) override { return Result(); }
    HRESULT setLayoutMode(const std::u16string&) override { return Result(); }
    HRESULT setView(const std::u16string& view) override {
        views.push_back(view);
        return Result();
    }
    HRESULT setShowScroll(std::int32_t) override { return Result(); }

private:
    QWidget* window_ = nullptr;
};

// Puts the fake under the viewer's class id for one test, the real viewer back after.
class WithFakeViewer : public testing::Test {
protected:
    void SetUp() override {
        FakeControl::Reset();
        RegisterControlClass(kPdfViewerClassId, [] { return std::make_unique<FakeControl>(); });
    }
    void TearDown() override { RegisterPdfViewerControl(); }
};


}  // namespace

TEST_F(WithFakeViewer, ResultCheckPassesSuccessAndReportsFailuresWithTheBestText) {
    TAcroPDF viewer;
    FakeControl::nextResult = S_FALSE;
    EXPECT_NO_THROW(viewer.ViewerSetView(u"Fit"));

    FakeControl::nextResult = static_cast<HRESULT>(0x80041234);
    FakeControl::nextInfo = ErrorInfo{u"描画できません.  ", u"Fake.Viewer", u"help.chm", 42};
    auto withInfo = Raised<EOleException>([&] { viewer.ViewerSetView(u"Fit"); });
    EXPECT_EQ(withInfo.Message(), "描画できません");
    EXPECT_EQ(withInfo.ErrorCode(), static_cast<HRESULT>(0x80041234));
    EXPECT_EQ(withInfo.Source(), "Fake.Viewer");
    EXPECT_EQ(withInfo.HelpFile(), "help.chm");
    EXPECT_EQ(withInfo.HelpContext(), 42);
    EXPECT_EQ(WithFullStop(withInfo.Message()), "描画できません.");

    FakeControl::nextInfo = ErrorInfo{u" . ", {}, {}, 0};  // nothing left: the platform's text
    FakeControl::nextResult = E_INVALIDARG;
    EXPECT_EQ(Raised<EOleException>([&] { viewer.ViewerShowToolbar(true); }).Message(), "パラメーターが間違っています");

    FakeControl::nextInfo.reset();
    FakeControl::nextResult = static_cast<HRESULT>(0x8004DEAD);
    EXPECT_EQ(Raised<EOleException>([&] { viewer.ViewerShowScrollbars(true); }).Message(), "OLE エラー 8004DEAD");
    // The error info is taken once: the next failure does not see it again.
    FakeControl::nextInfo = ErrorInfo{u"first", {}, {}, 0};
    Raised<EOleException>([&] { viewer.ViewerSetLayoutMode(u"SinglePage"); });
    FakeControl::nextInfo.reset();
    EXPECT_EQ(Raised<EOleException>([&] { viewer.ViewerSetLayoutMode(u"SinglePage"); }).Message(), "OLE エラー 8004DEAD");
}

TEST_F(WithFakeViewer, DefaultInterfaceIsAskedForOnceAndStateHandedOver) {
    TAcroPDF viewer;
    EXPECT_TRUE(FakeControl::stateReceived.empty());  // set up on first use, not before
    viewer.ViewerSetView(u"Fit");
    viewer.ViewerShowToolbar(false);
    viewer.ViewerLoadFile("/nowhere.pdf");
    EXPECT_EQ(FakeControl::queries, 1);
    EXPECT_EQ(FakeControl::stateReceived, TAcroPDF::ControlData);
    EXPECT_EQ(TAcroPDF::ControlData.size(), 12u);
}

TEST_F(WithFakeViewer, MissingInterfaceAndFailedActivationRaiseTheirErrors) {
    FakeControl::lacksInterface = true;
    TAcroPDF lacking;
    auto cast = Raised<EIntfCastError>([&] { lacking.ViewerSetView(u"Fit"); });
    EXPECT_EQ(cast.Message(), "Interface はサポートされていません");
    FakeControl::Reset();
    FakeControl::stateResult = static_cast<HRESULT>(0x8004BEEF);  // a code the platform has no text for
    TAcroPDF refusing;
    EXPECT_EQ(Raised<EOleSysError>([&] { refusing.ViewerSetView(u"Fit"); }).Message(), "OLE エラー 8004BEEF");

    FakeControl::Reset();
    FakeControl::noInPlaceObject = true;
    TAcroPDF inactive;
    EXPECT_EQ(Raised<EOleError>([&] { inactive.Activate(); }).Message(), "OLE コントロールのアクティベートに失敗しました");
    FakeControl::Reset();
    FakeControl::noWindow = true;
    TAcroPDF windowless;
    EXPECT_EQ(Raised<EOleError>([&] { windowless.Activate(); }).Message(),
              "OLE コントロールのウィンドウハンドルの取得に失敗しました");
}

TEST_F(WithFakeViewer, NaturalSizeFromHimetricAndARefusedExtentKeepsTheOldSize) {
    QWidget parent;
    TAcroPDF viewer(&parent);
    parent.show();
    EXPECT_EQ(viewer.size(), QSize(viewer.logicalDpiX(), 2 * viewer.logicalDpiY()));
    viewer.resize(200, 100);
    viewer.Activate();
    viewer.resize(300, 150);
    EXPECT_EQ(viewer.ControlWindow()->size(), QSize(300, 150));
    FakeControl::refuseExtent = true;
    viewer.resize(400, 250);
    EXPECT_EQ(viewer.ControlWindow()->size(), QSize(300, 150));
}

TEST(ViewerCreation, UnregisteredClassFailsWhileTheWindowIsBuilt) {
    UnregisterControlClass(kPdfViewerClassId);
    auto error = Raised<EOleSysError>([] { TAcroPDF viewer; });
    RegisterPdfViewerControl();
    EXPECT_EQ(error.ErrorCode(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(error.Message(), "クラスが登録されていません");
}

// ---- The real viewer on generated PDFs ----

namespace {

class RealViewer : public testing::Test {
protected:
    void SetUp() override {
        host_.resize(427, 492);
        viewer_ = new TAcroPDF(&host_);
        viewer_->setGeometry(0, 0, 427, 492);
        viewer_->Activate();
        host_.show();
        control_ = static_cast<PdfViewerControl*>(viewer_->Control());
    }
    PdfPageView& View() { return *control_->PageView(); }
    bool Load(const Bytes& path) {
        const bool loaded = viewer_->ViewerLoadFileResult(path);
        Pump(0);
        return loaded;
    }
    void Resize(int w, int h) {
        viewer_->setGeometry(0, 0, w, h);
        Pump(0);
    }
    // Until the page helper has answered all the view asked for.
    bool Drawn(int ms = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (View().Drawing() && timer.elapsed() < ms) Pump(5);
        return !View().Drawing();
    }
    QWidget host_;
    TAcroPDF* viewer_ = nullptr;
    PdfViewerControl* control_ = nullptr;
    TempDir dir_;
};

}  // namespace

TEST_F(RealViewer, LoadsPdfsAndRefusesEverythingElseWithoutRaising) {
    MakePdf(dir_ / "a.pdf", {3});
    EXPECT_TRUE(Load(dir_ / "a.pdf"));
    EXPECT_EQ(View().PageCount(), 3);
    EXPECT_FALSE(Load(dir_ / "missing.pdf"));
    EXPECT_EQ(View().PageCount(), 0);
    WriteFile(dir_ / "text.pdf", "just words, no PDF here");
    EXPECT_FALSE(Load(dir_ / "text.pdf"));
    Bytes truncated = ReadFile(dir_ / "a.pdf");
    WriteFile(dir_ / "cut.pdf", truncated.substr(0, truncated.size() / 3));
    EXPECT_FALSE(Load(dir_ / "cut.pdf"));
    MakeEncryptedPdf(dir_ / "locked.pdf");
    EXPECT_FALSE(Load(dir_ / "locked.pdf"));
    EXPECT_EQ(control_->Document(), nullptr);
    // A name that is not valid in the locale's encoding still opens.
    MakePdf(dir_ / (ShiftJis("表紙") + ".pdf"));
    EXPECT_TRUE(Load(dir_ / (ShiftJis("表紙") + ".pdf")));
}

TEST_F(RealViewer, HoldsNoHandleAndReusesAnUnchangedDocument) {
    MakePdf(dir_ / "a.pdf");
    ASSERT_TRUE(Load(dir_ / "a.pdf"));
    const QPdfDocument* parsed = control_->Document();
    // No descriptor of the process points at the file shown.
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        EXPECT_NE(std::filesystem::read_symlink(fd.path(), ignored).native(), dir_ / "a.pdf");
    }
    EXPECT_TRUE(Load(dir_ / "a.pdf"));
    EXPECT_EQ(control_->Document(), parsed);  // same file: nothing parsed again
    ASSERT_EQ(std::rename((dir_ / "a.pdf").c_str(), (dir_ / "b.pdf").c_str()), 0);
    EXPECT_TRUE(Load(dir_ / "b.pdf"));
    EXPECT_EQ(control_->Document(), parsed);  // renamed, same contents
    MakePdf(dir_ / "b.pdf", {2});             // replaced: parsed afresh
    EXPECT_TRUE(Load(dir_ / "b.pdf"));
    EXPECT_EQ(View().PageCount(), 2);
}

namespace {

// Bytes this process has read through read() and its kin so far.
long long BytesRead() {
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        long long value = 0;
        io >> value;
        if (key == "rchar:") return value;
    }
    return -1;
}

}  // namespace

TEST_F(RealViewer, AnUnchangedDamagedFileIsNotReadAgain) {
    const Bytes damaged = dir_ / "damaged.pdf";
    WriteFile(damaged, "%PDF-1.4\n" + Bytes(8 << 20, 'x'));
    EXPECT_FALSE(Load(damaged));
    const long long before = BytesRead();
    ASSERT_GE(before, 8 << 20);
    for (int step = 0; step < 3; ++step) {  // a window drag loads at every step
        Resize(400 + step * 10, 480);
        EXPECT_FALSE(Load(damaged));
    }
    EXPECT_LT(BytesRead() - before, 1 << 20);
    EXPECT_EQ(control_->Document(), nullptr);
    MakePdf(damaged);  // mended: read afresh
    EXPECT_TRUE(Load(damaged));
}

TEST_F(RealViewer, TheDocumentGoesBeforeTheBytesItReads) {
    MakePdf(dir_ / "a.pdf");
    ASSERT_TRUE(Load(dir_ / "a.pdf"));
    std::vector<std::string> gone;
    QObject::connect(control_->Document(), &QObject::destroyed, [&] { gone.push_back("document"); });
    QObject::connect(control_->DocumentBytes(), &QObject::destroyed, [&] { gone.push_back("bytes"); });
    delete viewer_;  // and the control with it
    viewer_ = nullptr;
    EXPECT_EQ(gone, (std::vector<std::string>{"document", "bytes"}));
}

TEST_F(RealViewer, EachViewNameGivesItsZoomOnPortraitAndLandscapePages) {
    viewer_->ViewerShowScrollbars(true);
    struct Case {
        const char* name;
        PdfLayout layout;
    };
    const Case cases[] = {
        {"portrait.pdf", {1, {595, 842}, {100, 200, 300, 200}}},
        {"landscape.pdf", {1, {842, 595}, {400, 100, 200, 300}}},
    };
    for (const auto& c : cases) {
        MakePdf(dir_ / c.name, c.layout);
        ASSERT_TRUE(Load(dir_ / c.name));
        const QSize area = View().contentsRect().size();
        const int bar = View().style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        const QSizeF page = c.layout.pagePoints;
        // Found by the page helper once a content fit asks for it.
        viewer_->ViewerSetView(u"FitB");
        ASSERT_TRUE(Drawn()) << c.name;
        const QRectF box = View().ContentBox(0);
        EXPECT_NEAR(box.left(), c.layout.content.left(), 3) << c.name;
        EXPECT_NEAR(box.width(), c.layout.content.width(), 5) << c.name;
        EXPECT_NEAR(box.height(), c.layout.content.height(), 5) << c.name;

        viewer_->ViewerSetView(u"Fit");
        EXPECT_NEAR(View().Zoom(), std::min(area.width() / page.width(), area.height() / page.height()), 1e-6) << c.name;
        EXPECT_FALSE(View().verticalScrollBar()->isVisible());
        EXPECT_FALSE(View().horizontalScrollBar()->isVisible());
        EXPECT_TRUE(View().viewport()->rect().contains(View().PageRectInViewport()));
        // As drawn, once the helper's picture has come: white paper, the black box.
        ASSERT_TRUE(Drawn()) << c.name;
        const QImage drawn = View().viewport()->grab().toImage();
        const auto at = [&](QPointF points) { return (View().PageRectInViewport().topLeft() + points * View().Zoom()).toPoint(); };
        EXPECT_EQ(drawn.pixelColor(at(box.topLeft() + QPointF(box.width(), box.height()) / 5)), QColor(Qt::black)) << c.name;
        EXPECT_EQ(drawn.pixelColor(at(box.topLeft() / 2)), QColor(Qt::white)) << c.name;

        viewer_->ViewerSetView(u"FitH");
        const bool tall = page.height() * area.width() / page.width() > area.height();
        EXPECT_NEAR(View().Zoom(), (area.width() - (tall ? bar : 0)) / page.width(), 1e-6) << c.name;
        EXPECT_EQ(View().PageRectInViewport().width(), View().viewport()->width()) << c.name;

        viewer_->ViewerSetView(u"FitV");
        const bool wide = page.width() * area.height() / page.height() > area.width();
        EXPECT_NEAR(View().Zoom(), (area.height() - (wide ? bar : 0)) / page.height(), 1e-6) << c.name;

        viewer_->ViewerSetView(u"FitB");
        EXPECT_NEAR(View().Zoom(), std::min(area.width() / box.width(), area.height() / box.height()), 0.05) << c.name;
        // The content's top left is in view.
        const QRect shown = View().PageRectInViewport();
        EXPECT_NEAR(shown.left() + box.left() * View().Zoom(), 0, 3) << c.name;

        viewer_->ViewerSetView(u"FitBH");
        EXPECT_NEAR(View().Zoom() * box.width(), View().viewport()->width(), 2) << c.name;
        viewer_->ViewerSetView(u"FitBV");
        EXPECT_NEAR(View().Zoom() * box.height(), View().viewport()->height(), 2) << c.name;
    }
}

TEST_F(RealViewer, FitHoldsWhenTheViewerIsResized) {
    MakePdf(dir_ / "a.pdf");
    ASSERT_TRUE(Load(dir_ / "a.pdf"));
    viewer_->ViewerSetView(u"Fit");
    Resize(300, 700);
    EXPECT_NEAR(View().Zoom(), 300.0 / 595, 1e-6);
    Resize(600, 300);
    EXPECT_NEAR(View().Zoom(), View().contentsRect().height() / 842.0, 1e-6);
    EXPECT_FALSE(View().verticalScrollBar()->isVisible());
}

TEST_F(RealViewer, UnknownNamesAnswerAFailureWithErrorInfo) {
    auto error = Raised<EOleException>([&] { viewer_->ViewerSetView(u"FitX"); });
    EXPECT_EQ(error.ErrorCode(), E_INVALIDARG);
    EXPECT_EQ(error.Message(), "表示方法 \"FitX\" には対応していません。");
    EXPECT_EQ(error.Source(), "Quilvane.PdfViewer");
    EXPECT_THROW(viewer_->ViewerSetLayoutMode(u"TwoColumnLeft"), EOleException);
    EXPECT_NO_THROW(viewer_->ViewerSetLayoutMode(u"SinglePage"));
}

TEST_F(RealViewer, ToolbarAndScrollBarsShowAndHide) {
    MakePdf(dir_ / "a.pdf", {2});
    ASSERT_TRUE(Load(dir_ / "a.pdf"));
    EXPECT_EQ(control_->ToolBar(), nullptr);  // made at its first showing, on the page shown
    control_->PageView()->GoToPage(1);
    viewer_->ViewerShowToolbar(true);
    EXPECT_TRUE(control_->ToolBar()->isVisible());
    EXPECT_EQ(control_->ToolBar()->findChild<QLabel*>()->text(), QString::fromStdString(viewer_text::PageLabel(1, 2)));
    viewer_->ViewerShowToolbar(false);
    EXPECT_FALSE(control_->ToolBar()->isVisible());
    viewer_->ViewerSetView(u"FitH");
    viewer_->ViewerShowScrollbars(true);
    Pump(0);
    EXPECT_TRUE(View().verticalScrollBar()->isVisible());
    viewer_->ViewerShowScrollbars(false);
    Pump(0);
    EXPECT_FALSE(View().verticalScrollBar()->isVisible());
    EXPECT_NEAR(View().Zoom(), View().viewport()->width() / 595.0, 1e-6);  // the room of the bar is the page's
}

TEST_F(RealViewer, SinglePageLayoutMovesBetweenPagesAtTheEdges) {
    MakePdf(dir_ / "a.pdf", {3});
    ASSERT_TRUE(Load(dir_ / "a.pdf"));
    viewer_->ViewerSetLayoutMode(u"SinglePage");
    viewer_->ViewerSetView(u"Fit");
    auto key = [&](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(&View(), &press);
    };
    key(Qt::Key_PageDown);
    EXPECT_EQ(View().CurrentPage(), 1);
    key(Qt::Key_PageDown);
    key(Qt::Key_PageDown);
    EXPECT_EQ(View().CurrentPage(), 2);  // no page after the last
    key(Qt::Key_PageUp);
    EXPECT_EQ(View().CurrentPage(), 1);
    // With the page taller than the view, Page Down first scrolls, then turns.
    viewer_->ViewerSetView(u"FitH");
    key(Qt::Key_PageDown);
    EXPECT_EQ(View().CurrentPage(), 1);
    while (View().verticalScrollBar()->value() < View().verticalScrollBar()->maximum()) key(Qt::Key_PageDown);
    key(Qt::Key_PageDown);
    EXPECT_EQ(View().CurrentPage(), 2);
    QWheelEvent up(QPointF(10, 10), QPointF(10, 10), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(View().viewport(), &up);
    // At the top of a page the wheel turns back, to the bottom of the page before.
    EXPECT_EQ(View().CurrentPage(), 1);
    EXPECT_EQ(View().verticalScrollBar()->value(), View().verticalScrollBar()->maximum());
    QApplication::sendEvent(View().viewport(), &up);
    EXPECT_EQ(View().CurrentPage(), 1);  // inside a page it scrolls
    EXPECT_LT(View().verticalScrollBar()->value(), View().verticalScrollBar()->maximum());
}

TEST_F(RealViewer, PipesAndFoldersNamedPdfNeitherHangNorLoad) {
    ASSERT_EQ(mkfifo((dir_ / "pipe.pdf").c_str(), 0644), 0);
    EXPECT_FALSE(Load(dir_ / "pipe.pdf"));
    MakeFolder(dir_ / "folder.pdf");
    EXPECT_FALSE(Load(dir_ / "folder.pdf"));
    WriteFile(dir_ / "empty.pdf", "");
    EXPECT_FALSE(Load(dir_ / "empty.pdf"));
}

namespace {

// A key posted to a widget, and how long it waited before the widget had it.
class KeyClock : public QObject {
public:
    explicit KeyClock(QWidget* target) : target_(target) { target->installEventFilter(this); }
    // Posts a key and runs the event loop until it is handled, then a little more.
    void Press() {
        answered_ = false;
        posted_.start();
        QCoreApplication::postEvent(target_, new QKeyEvent(QEvent::KeyPress, Qt::Key_F20, Qt::NoModifier));
        while (!answered_ && posted_.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 5);
        slowest_ = std::max(slowest_, posted_.elapsed());
        Pump(10);
    }
    qint64 Slowest() const { return slowest_; }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F20) return false;
        answered_ = true;
        return true;
    }

private:
    QWidget* target_;
    QElapsedTimer posted_;
    bool answered_ = false;
    qint64 slowest_ = 0;
};


}  // namespace

// Pages that take minutes or gigabytes are drawn by the page helper: the
// window keeps answering, the view says why the page is not there, and the
// next document comes at once, whatever the helper was still doing.
TEST_F(RealViewer, CraftedPagesLeaveTheWindowAnsweringAndSayWhyTheyAreNotShown) {
    MakePdf(dir_ / "good.pdf");
    WriteFile(dir_ / "fan-out.pdf", FanOutPdf(8, 10));
    WriteFile(dir_ / "deflate-bomb.pdf", DeflateBombPdf(64, 16));
    KeyClock keys(&View());
    for (const char* name : {"fan-out.pdf", "deflate-bomb.pdf"}) {
        QElapsedTimer took;
        took.start();
        ASSERT_TRUE(Load(dir_ / name));
        EXPECT_LT(took.elapsed(), 500) << name;  // opened, not drawn: on a busy machine too
        while (View().PageNotice().isEmpty() && took.elapsed() < 10000) keys.Press();
        RecordProperty(std::string(name) + " slowest key ms", int(keys.Slowest()));
        EXPECT_LT(keys.Slowest(), 100) << name;
        EXPECT_TRUE(View().PageNotice().startsWith(QString::fromUtf16(viewer_text::kPageNotShown))) << name;
        ASSERT_TRUE(Load(dir_ / "good.pdf"));
        EXPECT_TRUE(Drawn(2000)) << name;
        EXPECT_TRUE(View().PageNotice().isEmpty()) << name;
    }
    // Closed while a page is being drawn: the window goes at once, and the helper with it.
    ASSERT_TRUE(Load(dir_ / "fan-out.pdf"));
    Pump(300);
    const pid_t helper = View().Renderer().HelperProcess();
    ASSERT_GT(helper, 0);
    QElapsedTimer closing;
    closing.start();
    delete viewer_;
    viewer_ = nullptr;
    EXPECT_LT(closing.elapsed(), 500);
    while (kill(helper, 0) == 0 && closing.elapsed() < 1000) Pump(10);
    EXPECT_NE(kill(helper, 0), 0);
}
