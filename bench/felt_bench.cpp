// SPDX-License-Identifier: GPL-3.0-or-later
// What the user feels, on X11 (run under Xvfb with QT_QPA_PLATFORM=xcb): from
// input sent through XTest, or a resize asked of the X server, until the frame
// with the new page and list has been painted, flushed and acknowledged by the
// server. Each figure beside a plain Qt window doing the same work (list,
// rename, load and draw with Qt PDF), timed in turns with ours; once on a quiet
// machine and once with both cores kept busy. Also start-up to the first
// painted frame against a minimal Qt window, and memory over 1,000 steps.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPdfDocument>
#include <QPushButton>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <filesystem>
#include <set>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "qt/AcroPDFLib_TLB.h"
#include "BenchSupport.h"
#include "XSession.h"
#include "core/Paths.h"
#include "names/NameSuggestions.h"
#include "qt/NameList.h"
#include "qt/QtBytes.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "qt/ByteControls.h"
#include "qt/OpenFileDialog.h"
#include "qt/PdfPageView.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

extern char** environ;

namespace {

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "felt bench: %s\n", why.c_str());
    std::exit(1);
}

// Counts a widget as drawn when its paint event comes while `ready` holds
// (the new file is the one shown), after the input was sent.
class PaintWatch : public QObject {
public:
    void Watch(QObject* widget) { widget->installEventFilter(this); }
    void Arm(std::vector<QObject*> need, std::function<bool()> ready) {
        need_ = {need.begin(), need.end()};
        seen_.clear();
        ready_ = std::move(ready);
    }
    bool Done() const { return !need_.empty() && seen_ == need_; }
    void Disarm() {
        need_.clear();
        ready_ = {};
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && need_.count(watched) && ready_ && ready_()) seen_.insert(watched);
        return false;
    }

private:
    std::set<QObject*> need_, seen_;
    std::function<bool()> ready_;
};

// Runs the event loop until `done`, failing after `ms`.
void WaitUntil(const std::function<bool()>& done, const char* what, int ms = 30000) {
    bool late = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { late = true; });
    guard.start(ms);
    while (!done()) {
        if (late) Fail(std::string("timed out waiting for ") + what);
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// The frame is painted and flushed within the event that painted it; a round
// trip to the server then counts it as delivered.
void WaitForFrame(PaintWatch& watch) {
    WaitUntil([&] { return watch.Done(); }, "the frame");
    QGuiApplication::sync();
    watch.Disarm();
}

void Settle(int ms = 30) { Pump(ms); }

void Activate(QWidget* window, QWidget* focus) {
    // On top, so that what the server shows in its area is its own pixels.
    window->raise();
    if (QApplication::activeWindow() != window) {
        window->activateWindow();
        WaitUntil([&] { return QApplication::activeWindow() == window; }, "activation", 5000);
    }
    focus->setFocus(Qt::OtherFocusReason);
    Settle();
}

// What the figures drive: ours, or the plain window.
class Subject {
public:
    virtual ~Subject() = default;
    virtual QWidget* Window() = 0;
    virtual QWidget* List() = 0;
    virtual QLineEdit* RenameEdit() = 0;
    virtual std::vector<QObject*> FrameWidgets() = 0;  // the page and the list
    virtual Bytes Current() = 0;
    virtual Bytes Row(int offset) = 0;  // the name `offset` rows from the current one
    virtual void OpenDialogAt(const Bytes& path) = 0;  // modal; loads the file chosen
};

// The program as it starts: name candidates read from each file shown, unless
// `suggestions` is off.
class Ours : public Subject {
public:
    explicit Ours(const Bytes& first, bool suggestions = true) {
        if (suggestions) {
            names_ = std::make_unique<NameSuggestions>(
                [this](std::function<void()> task) { QMetaObject::invokeMethod(&program_.form1(), std::move(task)); },
                [this](const Bytes& path, const FileNames& found) { program_->Logic.NamesRead(path, found); });
            program_->SetNameSource(names_.get());
        }
        program_.Open(first);
        // The real open dialog again, as the window wires it.
        program_->ExecuteOpenDialog = [this](TOpenDialog& dialog) {
            return ChooseFileToOpen(&program_.form1(), dialog.Filter, dialog.FileName);
        };
    }
    ~Ours() override {
        if (!program_.boxes.shown.empty())
            Fail("a message box came up: " + program_.boxes.Texts().join(u' ').toStdString());
    }
    QWidget* Window() override { return &program_.form1(); }
    QWidget* List() override { return program_->ListBox1; }
    QLineEdit* RenameEdit() override { return program_->E_Rename; }
    std::vector<QObject*> FrameWidgets() override {
        auto* control = static_cast<PdfViewerControl*>(program_->AcroPDF1->Control());
        return {control->PageView()->viewport(), program_->ListBox1->viewport()};
    }
    Bytes Current() override { return GetText(program_->E_Filename); }
    Bytes Row(int offset) override { return program_->ListBox1->Item(program_->ListBox1->ItemIndex() + offset); }
    void OpenDialogAt(const Bytes& path) override {
        program_->OpenDialog1.FileName = path;
        program_->B_Open->click();
    }
    // The current file's names are in the list: its candidates, or 候補なし.
    bool NamesShown() {
        TNameList& list = program_->NameList();
        return list.count() > 0 && list.item(0)->text() != QStringLiteral("読み取り中…");
    }
    // The user's scheme "書類_<the old name's number>" taught by `renames`
    // renames with Enter, each once the file's names were read.
    void TeachScheme(int renames) {
        for (int i = 0; i < renames; ++i) {
            WaitUntil([&] { return NamesShown(); }, "the names of a file to rename");
            const Bytes name = FileNamePart(Current());
            program_.Type("書類_" + name.substr(4, name.size() - 8));
            program_->Logic.E_RenameEnter(1);
        }
        if (!HasScheme()) Fail("no scheme learnt from the renames");
    }
    QString FirstName() { return program_->NameList().item(0)->text(); }
    bool HasScheme() { return program_->Logic.Scheme().has_value(); }
    void FillProposed() { program_->Logic.N_FillProposedClick(); }

private:
    Program program_;
    std::unique_ptr<NameSuggestions> names_;
};

// The page fitted into the widget, rendered by Qt PDF when loaded or resized.
class BarePage : public QWidget {
public:
    QPdfDocument document;
    void Render() {
        const QSizeF points = document.pagePointSize(0);
        if (points.isEmpty()) return;
        const double scale = std::min(width() / points.width(), height() / points.height());
        image_ = document.render(0, (points * scale).toSize());
        update();
    }

protected:
    void resizeEvent(QResizeEvent*) override { Render(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        painter.drawImage((width() - image_.width()) / 2, (height() - image_.height()) / 2, image_);
    }

private:
    QImage image_;
};

// The same work by the plainest means: a list view over a string list that is
// re-read and sorted at every load, a rename box, the page drawn by Qt PDF.
class Bare : public QWidget, public Subject {
public:
    explicit Bare(const Bytes& first) {
        auto* column = new QVBoxLayout;
        column->addWidget(rename_ = new QLineEdit(this));
        column->addWidget(list_ = new QListView(this));
        list_->setFixedWidth(369);
        list_->setUniformItemSizes(true);
        list_->setModel(&model_);
        list_->installEventFilter(this);
        auto* row = new QHBoxLayout(this);
        row->addLayout(column);
        row->addWidget(page_ = new BarePage, 1);
        resize(814, 516);
        move(0, 0);
        show();
        Load(first);
    }
    QWidget* Window() override { return this; }
    QWidget* List() override { return list_; }
    QLineEdit* RenameEdit() override { return rename_; }
    std::vector<QObject*> FrameWidgets() override { return {page_, list_->viewport()}; }
    Bytes Current() override { return current_; }
    Bytes Row(int offset) override { return names_.at(list_->currentIndex().row() + offset); }
    void OpenDialogAt(const Bytes& path) override {
        QDialog dialog(this);
        QStringListModel entries(model_.stringList());
        auto* view = new QListView(&dialog);
        view->setUniformItemSizes(true);
        view->setModel(&entries);
        const int row = static_cast<int>(std::find(names_.begin(), names_.end(), FileNamePart(path)) - names_.begin());
        view->setCurrentIndex(entries.index(row));
        auto* name = new QLineEdit(ToQString(FileNamePart(path)), &dialog);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Open | QDialogButtonBox::Cancel, &dialog);
        buttons->button(QDialogButtonBox::Open)->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        auto* layout = new QVBoxLayout(&dialog);
        layout->addWidget(view);
        layout->addWidget(name);
        layout->addWidget(buttons);
        dialog.resize(640, 420);
        name->setFocus();
        if (dialog.exec() == QDialog::Accepted) Load(FolderPart(path) + FromQString(name->text()));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != list_ || event->type() != QEvent::KeyPress) return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Down && key != Qt::Key_Up) return false;
        const Bytes next = FolderPart(current_) + Row(key == Qt::Key_Down ? 1 : -1);
        const Bytes typed = FromQString(rename_->text());
        if (typed != Stem()) std::rename(current_.c_str(), (FolderPart(current_) + typed + ".pdf").c_str());
        Load(next);
        return true;
    }

private:
    Bytes Stem() const { const Bytes n = FileNamePart(current_); return n.substr(0, n.size() - 4); }
    void Load(const Bytes& path) {
        page_->document.load(QString::fromLocal8Bit(path.c_str()));
        page_->Render();
        current_ = path;
        rename_->setText(ToQString(Stem()));
        names_ = BareSortedScan(FolderPart(path));
        QStringList rows;
        rows.reserve(static_cast<qsizetype>(names_.size()));
        for (const Bytes& n : names_) rows << QString::fromLocal8Bit(n.c_str());
        model_.setStringList(rows);
        const int at = static_cast<int>(std::find(names_.begin(), names_.end(), FileNamePart(path)) - names_.begin());
        list_->setCurrentIndex(model_.index(at));
        list_->scrollTo(model_.index(at));
    }

    QLineEdit* rename_;
    QListView* list_;
    BarePage* page_;
    QStringListModel model_;
    std::vector<Bytes> names_;
    Bytes current_;
};

// How long the frame took to reach the screen: from the input until the first
// read-back of the window's pixels from the X server that equals the frame
// the window settles on (the same for `settleMs` once the new file is shown
// and painted). Each read-back takes the event loop's turn, as a compositor
// would: the figure includes it. The in-process figure, to the paint event's
// flush, is kept beside it as `painted`.
std::vector<double> paintedMs;  // the in-process figures of the current series

double UntilOnScreen(XSession& x, PaintWatch& watch, Subject& s, QElapsedTimer& timer, int settleMs = 60) {
    const unsigned long window = s.Window()->winId();
    std::vector<std::pair<double, std::uint64_t>> seen;
    double painted = -1, changed = 0;
    for (;;) {
        QApplication::processEvents(QEventLoop::AllEvents);
        const double now = timer.nsecsElapsed() / 1e6;
        if (painted < 0 && watch.Done()) {
            QGuiApplication::sync();
            painted = timer.nsecsElapsed() / 1e6;
        }
        const std::uint64_t hash = x.ScreenHash(window);
        if (seen.empty() || seen.back().second != hash) changed = now;
        seen.emplace_back(now, hash);
        if (painted >= 0 && now - changed >= settleMs) break;
        if (now > 30000) Fail("no settled frame");
    }
    watch.Disarm();
    paintedMs.push_back(painted);
    const std::uint64_t final = seen.back().second;
    for (const auto& [at, hash] : seen)
        if (hash == final) return at;
    return changed;
}

double Timed(XSession& x, PaintWatch& watch, Subject& s, const std::function<bool()>& ready,
             const std::function<void()>& send) {
    watch.Arm(s.FrameWidgets(), ready);
    QElapsedTimer timer;
    timer.start();
    send();
    return UntilOnScreen(x, watch, s, timer);
}

double Down(XSession& x, PaintWatch& watch, Subject& s) {
    Activate(s.Window(), s.List());
    const Bytes next = FolderPart(s.Current()) + s.Row(1);
    return Timed(x, watch, s, [&] { return s.Current() == next; }, [&] { x.Tap("Down"); });
}

// Typing the new name is not timed; the Down that renames and loads the next is.
double RenameAndNext(XSession& x, PaintWatch& watch, Subject& s, const std::string& name) {
    Activate(s.Window(), s.RenameEdit());
    x.Tap("a", "Control_L");
    x.Type(name);
    WaitUntil([&] { return s.RenameEdit()->text().toStdString() == name; }, "the typed name", 5000);
    Activate(s.Window(), s.List());
    const Bytes folder = FolderPart(s.Current());
    const Bytes next = folder + s.Row(1);
    const double ms = Timed(x, watch, s, [&] { return s.Current() == next; }, [&] { x.Tap("Down"); });
    if (!Exists(folder + name + ".pdf")) Fail("not renamed: " + name);
    return ms;
}

// Enter in the name box holding the proposed name: it renames and loads the next.
double EnterTakingTheBox(XSession& x, PaintWatch& watch, Subject& s) {
    Activate(s.Window(), s.RenameEdit());
    const Bytes next = FolderPart(s.Current()) + s.Row(1);
    return Timed(x, watch, s, [&] { return s.Current() == next; }, [&] { x.Tap("Return"); });
}

double ResizeStep(XSession& x, PaintWatch& watch, Subject& s) {
    Activate(s.Window(), s.List());
    QWidget* window = s.Window();
    const int width = window->width() == 814 ? 830 : 814;
    const int height = window->height();
    return Timed(x, watch, s, [&] { return window->width() == width; },
                 [&] { x.Resize(window->winId(), width, height); });
}

// The dialog is up, active and settled with the next file selected; Enter is timed.
double EnterInDialog(XSession& x, PaintWatch& watch, Subject& s) {
    Activate(s.Window(), s.List());
    const Bytes next = FolderPart(s.Current()) + s.Row(1);
    bool sent = false;
    int activeTicks = 0;
    QElapsedTimer timer;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible() || !modal->windowHandle()->isExposed()) return;
        if (QApplication::activeWindow() != modal) {
            modal->activateWindow();
            return;
        }
        if (++activeTicks < 6) return;
        poll.stop();
        watch.Arm(s.FrameWidgets(), [&] { return s.Current() == next; });
        timer.start();
        x.Tap("Return");
        sent = true;
    });
    poll.start(5);
    QTimer::singleShot(0, [&] { s.OpenDialogAt(next); });
    WaitUntil([&] { return sent; }, "the open dialog");
    return UntilOnScreen(x, watch, s, timer);
}

// A short run for trying the bench itself out: `bench_felt --quick`.
bool quick = false;

// Each works in a folder of its own: where no change reports are trusted (a
// share, FUSE), a rename by the other would have to be read afresh.
void FeltFigures(XSession& x, const Bytes& folder, const Bytes& bareFolder, int total, const char* phase) {
    PaintWatch watch;
    Ours ours(folder + "scan000000.pdf");
    Bare bare(bareFolder + "scan000000.pdf");
    for (Subject* s : {static_cast<Subject*>(&ours), static_cast<Subject*>(&bare)})
        for (QObject* w : s->FrameWidgets()) watch.Watch(w);
    Settle(200);
    const int runs = quick ? 3 : total >= 100000 ? 15 : 25;
    std::string suffix = "_";
    suffix.append(std::to_string(total)).append("_files_").append(phase).append("_baseline_plain_qt_window");
    static int renamed = 0;
    struct Figure {
        const char* name;
        std::function<double(Subject&, const char* prefix)> run;
    };
    const Figure figures[] = {
        {"felt_down_to_page_and_list", [&](Subject& s, const char*) { return Down(x, watch, s); }},
        {"felt_rename_and_next",
         [&](Subject& s, const char* prefix) {
             return RenameAndNext(x, watch, s, prefix + std::to_string(++renamed));
         }},
        {"felt_resize_step", [&](Subject& s, const char*) { return ResizeStep(x, watch, s); }},
        {"felt_open_dialog_enter_to_page", [&](Subject& s, const char*) { return EnterInDialog(x, watch, s); }},
    };
    for (const Figure& figure : figures) {
        std::vector<double> oursMs, bareMs, oursPainted, barePainted;
        for (int i = 0; i < runs; ++i) {  // in turns, so that both meet the same machine
            paintedMs.clear();
            oursMs.push_back(figure.run(ours, "felt"));
            bareMs.push_back(figure.run(bare, "bare"));
            oursPainted.push_back(paintedMs.at(0));
            barePainted.push_back(paintedMs.at(1));
        }
        Report(std::string(figure.name) + "_to_screen" + suffix, oursMs, bareMs);
        Report(std::string(figure.name) + "_painted_in_process" + suffix, oursPainted, barePainted);
    }
}

// The same program with name candidates read and without, in turns.
// Both in one folder: in one process, they share the kept listing.
void SuggestionFigures(XSession& x, const Bytes& folder, int total) {
    PaintWatch watch;
    char start[2][32];
    std::snprintf(start[0], sizeof start[0], "scan%06d.pdf", total / 8);
    std::snprintf(start[1], sizeof start[1], "scan%06d.pdf", total / 8 * 3);
    Ours on(folder + start[0]), off(folder + start[1], false);
    for (Subject* s : {static_cast<Subject*>(&on), static_cast<Subject*>(&off)})
        for (QObject* w : s->FrameWidgets()) watch.Watch(w);
    Settle(200);
    const int runs = quick ? 3 : 15;
    static int renamed = 0;
    std::string suffix = "_";
    suffix.append(std::to_string(total)).append("_files_quiet_suggestions_on_baseline_off");
    std::vector<double> onMs, offMs;
    for (int i = 0; i < runs; ++i) {
        onMs.push_back(Down(x, watch, on));
        offMs.push_back(Down(x, watch, off));
    }
    Report("felt_down_to_page_and_list_to_screen" + suffix, onMs, offMs);
    onMs.clear(), offMs.clear();
    for (int i = 0; i < runs; ++i) {
        const std::string number = std::to_string(++renamed);
        onMs.push_back(RenameAndNext(x, watch, on, std::string("nameson").append(number)));
        offMs.push_back(RenameAndNext(x, watch, off, std::string("namesoff").append(number)));
    }
    Report("felt_rename_and_next_to_screen" + suffix, onMs, offMs);
}

// The program with the user's scheme on (learnt, its name first in the
// list) beside it off, in turns in one folder, each step once the file's
// names are in. With the composed name put in the box Enter alone renames
// to it, so that Enter stands beside a typed name and Down.
void SchemeFigures(XSession& x, const Bytes& folder, int total) {
    PaintWatch watch;
    char start[2][32];
    std::snprintf(start[0], sizeof start[0], "scan%06d.pdf", total / 4);
    std::snprintf(start[1], sizeof start[1], "scan%06d.pdf", total / 16 * 7);
    Ours on(folder + start[0]), off(folder + start[1]);
    for (Subject* s : {static_cast<Subject*>(&on), static_cast<Subject*>(&off)})
        for (QObject* w : s->FrameWidgets()) watch.Watch(w);
    on.TeachScheme(3);
    Settle(200);
    // Fewer than the others: each step waits for the file's names, read at a low priority.
    const int runs = quick ? 3 : 11;
    const auto named = [](Ours& s) {
        WaitUntil([&] { return s.NamesShown(); }, "the names of the file shown");
        return &s;
    };
    std::string suffix = "_";
    suffix.append(std::to_string(total)).append("_files_quiet_scheme_");
    std::vector<double> onMs, offMs;
    for (int i = 0; i < runs; ++i) {
        if (!named(on)->FirstName().startsWith(QStringLiteral("書類_"))) Fail("no composed name first in the list");
        onMs.push_back(Down(x, watch, on));
        offMs.push_back(Down(x, watch, *named(off)));
    }
    Report("felt_down_to_page_and_list_to_screen" + suffix + "shown_baseline_off", onMs, offMs);
    on.FillProposed();
    static int renamed = 0;
    std::vector<double> takenMs, typedMs;
    onMs.clear(), offMs.clear();
    for (int i = 0; i < runs; ++i) {
        const std::string number = std::to_string(++renamed);
        WaitUntil([&] { return on.NamesShown() && on.RenameEdit()->text().startsWith(QStringLiteral("書類_")); },
                  "the composed name in the box");
        const Bytes composed = FromQString(on.RenameEdit()->text());
        takenMs.push_back(EnterTakingTheBox(x, watch, on));
        if (!Exists(folder + composed + ".pdf")) Fail("not renamed to the composed name " + composed);
        typedMs.push_back(RenameAndNext(x, watch, *named(on), std::string("schemeon").append(number)));
        offMs.push_back(RenameAndNext(x, watch, *named(off), std::string("schemeoff").append(number)));
    }
    if (off.HasScheme()) Fail("the baseline learnt a scheme");
    Report("felt_enter_taking_the_composed_name_to_screen" + suffix + "filled_baseline_rename_and_next_off", takenMs, offMs);
    Report("felt_rename_and_next_to_screen" + suffix + "filled_baseline_off", typedMs, offMs);
}

std::vector<double> StartTimes(XSession& x, const std::string& program, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        x.SnapshotScreen();
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        QElapsedTimer timer;
        timer.start();
        pid_t pid;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) Fail("cannot start " + program);
        const unsigned long window = x.WaitForNewWindow(20000);
        if (window == 0) Fail("no window from " + program);
        while (!x.Painted(window)) {
            if (timer.elapsed() > 20000) Fail("no frame from " + program);
            usleep(200);
        }
        times.push_back(timer.nsecsElapsed() / 1e6);
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        x.WaitGone(window, 5000);
        usleep(100000);
    }
    return times;
}

// 1,000 steps between two copies of a 100-page PDF, each a fresh load drawn.
void MemoryFigure(XSession& x, const Bytes& folder) {
    PdfLayout layout;
    layout.pages = 100;
    MakePdf(folder + "mem-a.pdf", layout);
    std::filesystem::copy_file(folder + "mem-a.pdf", folder + "mem-b.pdf");
    long start[2], end[2];
    auto steps = [&](Subject& s, int slot) {
        PaintWatch watch;
        for (QObject* w : s.FrameWidgets()) watch.Watch(w);
        Activate(s.Window(), s.List());
        start[slot] = RssKib();
        for (int i = 0; i < (quick ? 20 : 1000); ++i) {
            const bool down = s.Row(0) == "mem-a.pdf";
            const Bytes next = folder + s.Row(down ? 1 : -1);
            watch.Arm(s.FrameWidgets(), [&] { return s.Current() == next; });
            x.Tap(down ? "Down" : "Up");
            WaitForFrame(watch);
        }
        end[slot] = RssKib();
    };
    {
        Bare bare(folder + "mem-a.pdf");
        steps(bare, 1);
    }
    {
        Ours ours(folder + "mem-a.pdf");
        steps(ours, 0);
    }
    std::printf("bench felt_rss_100_page_pdf_1000_steps_baseline_plain_qt_window ours_start_kib=%ld ours_end_kib=%ld "
                "ours_growth_kib=%ld baseline_start_kib=%ld baseline_end_kib=%ld baseline_growth_kib=%ld\n",
                start[0], end[0], end[0] - start[0], start[1], end[1], end[1] - start[1]);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) Fail("run on X11: QT_QPA_PLATFORM=xcb under Xvfb");
    RegisterPdfViewerControl();
    quick = argc > 1 && std::string(argv[1]) == "--quick";
    const bool startUpOnly = argc > 1 && std::string(argv[1]) == "--start-up";
    XSession x;
    const std::string here = QCoreApplication::applicationDirPath().toStdString();
    const char* phases[] = {"quiet", "busy"};

    // Start-up first, while none of our windows is on screen.
    for (const char* phase : phases) {
        std::unique_ptr<BusyCores> busy;
        if (std::string(phase) == "busy") busy = std::make_unique<BusyCores>(2);
        NoteLoad(std::string("start-up, ") + phase);
        StartTimes(x, here + "/minimal_window", 1);  // warm the file cache
        StartTimes(x, here + "/minimal_text_window", 1);
        std::vector<double> oursMs, bareMs, textMs;
        for (int i = 0; i < (quick ? 2 : 10); ++i) {
            oursMs.push_back(StartTimes(x, here + "/../src/quilvane", 1)[0]);
            bareMs.push_back(StartTimes(x, here + "/minimal_window", 1)[0]);
            textMs.push_back(StartTimes(x, here + "/minimal_text_window", 1)[0]);
        }
        Report(std::string("felt_start_to_window_painted_") + phase + "_baseline_minimal_qt_window", oursMs, bareMs);
        // The floor for a window that draws our kind of Japanese text.
        Report(std::string("felt_start_to_window_painted_") + phase + "_baseline_minimal_japanese_text_window", oursMs,
               textMs);
    }

    if (startUpOnly) return 0;

    // One folder per size, made once and shared with the pick benchmark: half
    // real copies of one small PDF, half other files.
    struct Folders {
        int total;
        Bytes ours, baseline;
    };
    std::vector<Folders> folders;
    for (const int total : quick ? std::vector<int>{1000} : std::vector<int>{1000, 10000, 100000}) {
        const std::string name = "copies-" + std::to_string(total);
        folders.push_back({total, KeptFolder(name, total, true), KeptFolder(name + "-baseline", total, true)});
    }
    TempDir dir;
    for (const auto& [total, folder, baselineFolder] : folders) {
        for (const char* phase : phases) {
            std::unique_ptr<BusyCores> busy;
            if (std::string(phase) == "busy") busy = std::make_unique<BusyCores>(2);
            NoteLoad(std::to_string(total) + " files, " + phase);
            FeltFigures(x, folder, baselineFolder, total, phase);
        }
        if (total != 10000) {
            SuggestionFigures(x, folder, total);
            SchemeFigures(x, folder, total);
        }
    }
    const Bytes memory = dir / "memory/";
    MakeFolder(memory);
    MemoryFigure(x, memory);
    return 0;
}
