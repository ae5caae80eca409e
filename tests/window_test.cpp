// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QSignalSpy>
#include <random>
#include <unistd.h>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPdfWriter>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "qt/Application.h"
#include "core/Errors.h"
#include "core/NaturalOrder.h"
#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "names/NameSuggestions.h"
#include "qt/ListBox.h"
#include "qt/NameList.h"
#include "qt/QtBytes.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "qt/ByteControls.h"
#include "qt/OpenFileDialog.h"
#include "qt/PdfPageView.h"
#include "qt/PdfViewerControl.h"

namespace {

struct ControlStart {
    const char* name;
    QRect geometry;
    const char* caption;  // null when it has none to check
    bool visible;
    bool enabled;
};

QString CaptionOf(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return {};
}

QList<QAction*> ItemsOf(QMenu* menu) { return menu->actions(); }

}  // namespace

TEST(MainWindow, EveryControlStartsWhereAndAsTheLayoutSays) {
    Program program;
    TForm1& f = program.form1();
    const ControlStart controls[] = {
        {"B_Open", {8, 8, 113, 25}, "PDFファイルを開く", true, true},
        {"SB1", {240, 8, 57, 22}, "再生", false, false},
        {"CB2", {304, 12, 73, 17}, "自動再生", false, true},
        {"Label2", {8, 48, 53, 12}, "ファイル名", true, true},
        {"E_Rename", {8, 61, 337, 20}, "", true, true},
        {"B_Rename", {8, 88, 65, 25}, "リネーム", true, true},
        {"E_Filename", {264, 117, 41, 20}, "", false, true},
        {"Label3", {8, 128, 137, 12}, "同じフォルダにあるファイル", true, true},
        {"ListBox1", {8, 144, 369, 337}, nullptr, true, true},
    };
    for (const auto& c : controls) {
        auto* w = f.findChild<QWidget*>(c.name);
        ASSERT_NE(w, nullptr) << c.name;
        EXPECT_EQ(w->pos(), c.geometry.topLeft()) << c.name;
        if (!qobject_cast<QLabel*>(w)) {
            EXPECT_EQ(w->size(), c.geometry.size()) << c.name;
        }
        if (c.caption) {
            EXPECT_EQ(CaptionOf(w), QString::fromUtf8(c.caption)) << c.name;
        }
        EXPECT_EQ(w->isVisible(), c.visible) << c.name;
        EXPECT_EQ(w->isEnabled(), c.enabled) << c.name;
    }
    EXPECT_EQ(f.L_format->text(), ".pdf");
    EXPECT_EQ(f.L_format->pos(), QPoint(351, 65));
    EXPECT_TRUE(f.CB2->isChecked());
    EXPECT_TRUE(f.E_Filename->isReadOnly());
    EXPECT_EQ(f.windowTitle(), "Quilvane");
    Pump(50);  // the icon follows the first frame
    EXPECT_FALSE(f.windowIcon().pixmap(32, 32).isNull());
    EXPECT_NE(f.windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    // Panel1 docked left at 385, Panel2 fills the rest; the viewer fills Panel2 less a pixel.
    EXPECT_EQ(f.Panel1->geometry(), QRect(0, 0, 385, 494));
    EXPECT_EQ(f.Panel2->geometry(), QRect(385, 0, 429, 494));
    EXPECT_EQ(f.AcroPDF1->geometry(), QRect(1, 1, 427, 492));
    EXPECT_TRUE(f.AcroPDF1->isVisible());
    // Fonts: the fixed-pitch stand-in for the name box and the list, 12 px.
    EXPECT_EQ(QFontInfo(f.E_Rename->font()).family(), "IPAGothic");
    EXPECT_EQ(QFontInfo(f.ListBox1->font()).family(), "IPAGothic");
    EXPECT_EQ(QFontInfo(f.B_Open->font()).family(), "IPAPGothic");
    EXPECT_EQ(QFontInfo(f.E_Rename->font()).pixelSize(), 12);
    // Tab order: B_Open, E_Filename, B_Rename, E_Rename, ListBox1, CB2.
    EXPECT_EQ(f.B_Open->nextInFocusChain(), f.E_Filename);
    EXPECT_EQ(f.E_Filename->nextInFocusChain(), f.B_Rename);
    EXPECT_EQ(f.B_Rename->nextInFocusChain(), f.E_Rename);
    EXPECT_EQ(f.E_Rename->nextInFocusChain(), f.ListBox1);
    // Start values.
    EXPECT_EQ(f.CurrentMode, 0);
    EXPECT_EQ(f.FitMode, 0);
    EXPECT_EQ(f.ToolbarMode, 0);
    EXPECT_TRUE(f.PendingNewPath.empty());
}

TEST(MainWindow, MenuHasEveryItemWithCaptionAccessKeyAndStartMark) {
    Program program;
    TForm1& f = program.form1();
    const QList<QAction*> top = f.MainMenu1->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->text(), "ファイル(&F)");
    EXPECT_EQ(top[1]->text(), "設定(&S)");
    EXPECT_EQ(top[2]->text(), "モード(&M)");
    EXPECT_EQ(top[3]->text(), "ヘルプ(&H)");
    const QList<QAction*> file = ItemsOf(f.File1);
    ASSERT_EQ(file.size(), 9);
    EXPECT_EQ(file[0], f.O1);
    EXPECT_EQ(file[1], f.N_Undo);
    EXPECT_EQ(f.N_Undo->text(), "リネームを元に戻す(&U)");
    EXPECT_EQ(f.N_Undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));  // the name box keeps its own Ctrl+Z
    EXPECT_FALSE(f.N_Undo->isEnabled());
    EXPECT_EQ(file[2], f.N_History);
    EXPECT_EQ(f.N_History->text(), "リネーム履歴");
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_TRUE(file[3]->text().isEmpty());  // drawn as a line only
    EXPECT_EQ(file[4], f.N_Trash);
    EXPECT_EQ(f.N_Trash->text(), "ごみ箱へ移動(&D)");
    // Not Ctrl+Del: the name box deletes a word with it.
    EXPECT_EQ(f.N_Trash->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Del")));
    EXPECT_EQ(file[5], f.N_Move);
    EXPECT_EQ(f.N_Move->text(), "フォルダへ移動(&M)…");
    EXPECT_EQ(file[6], f.N_MoveTarget);
    EXPECT_EQ(f.N_MoveTarget->text(), "移動先を変更…");
    EXPECT_TRUE(file[7]->isSeparator());
    EXPECT_EQ(f.Q1->text(), "ソフトの終了(&Q)");
    EXPECT_EQ(ItemsOf(f.N2), (QList<QAction*>{f.NH0, f.NH1, f.N5->menuAction()}));
    EXPECT_EQ(ItemsOf(f.N5), (QList<QAction*>{f.NH2, f.NH3, f.NH4, f.NH5}));
    EXPECT_EQ(ItemsOf(f.N3), (QList<QAction*>{f.NT0, f.NT1}));
    EXPECT_EQ(ItemsOf(f.N7), (QList<QAction*>{f.N_R1, f.N_R2}));
    EXPECT_EQ(ItemsOf(f.N6), (QList<QAction*>{f.Mode0, f.Mode1}));
    EXPECT_EQ(ItemsOf(f.S1), (QList<QAction*>{f.PDF1->menuAction(), f.N7->menuAction(), f.N_Names, f.N_FillProposed}));
    EXPECT_EQ(f.N_Names->text(), "名前の候補を表示する");
    EXPECT_EQ(f.N_FillProposed->text(), "提案した名前を名前欄に入れる");
    EXPECT_EQ(f.NH0->text(), "0： 全体表示");
    EXPECT_EQ(f.NH5->text(), "5： Fit BV");
    EXPECT_EQ(f.Ver004ONOFF1->text(), QString::fromUtf8("Ver0.04\u30002015/10/29\u3000リネーム設定"));
    const QList<QAction*> about = ItemsOf(f.About1);
    ASSERT_EQ(about.size(), 6);
    EXPECT_TRUE(about[4]->isSeparator());
    for (QAction* checked : {f.NH0, f.NT0, f.N_R2, f.Mode0, f.N_Names}) EXPECT_TRUE(checked->isChecked()) << checked->objectName().toStdString();
    for (QAction* unchecked : {f.NH1, f.NH2, f.NH3, f.NH4, f.NH5, f.NT1, f.N_R1, f.Mode1, f.N_FillProposed})
        EXPECT_FALSE(unchecked->isChecked()) << unchecked->objectName().toStdString();
}

TEST(MainWindow, ToggleItemsChangeTheirMarkExactlyOnceAndVersionItemsNothing) {
    Program program;
    TForm1& f = program.form1();
    f.N_R1->trigger();
    EXPECT_TRUE(f.N_R1->isChecked());
    f.N_R1->trigger();
    EXPECT_FALSE(f.N_R1->isChecked());
    f.N_R2->trigger();
    EXPECT_FALSE(f.N_R2->isChecked());
    // Picking the fit item that is checked leaves it checked (no flip by Qt).
    f.NH0->trigger();
    EXPECT_TRUE(f.NH0->isChecked());
    f.Ver004ONOFF1->trigger();
    f.Ver0021->trigger();
    EXPECT_TRUE(program.boxes.shown.empty());
    EXPECT_EQ(f.windowTitle(), "Quilvane");
}

TEST(MainWindow, QuitClosesTheWindow) {
    Program program;
    program->Q1->trigger();
    EXPECT_FALSE(program->isVisible());
}

TEST(ErrorDisplay, ShowsTheMessageWithItsFullStopUnderTheApplicationTitle) {
    Program program;
    program->SetMode(1);
    program->SB1->setEnabled(true);
    program->SB1->click();  // no device: the player raises
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    const MessageBoxRequest& box = program.boxes.shown[0];
    EXPECT_EQ(box.kind, MessageBoxRequest::Kind::ErrorDisplay);
    EXPECT_EQ(box.caption, "Quilvane");
    EXPECT_EQ(box.text, "MCI デバイスがありません.");
    EXPECT_EQ(box.owner, &program.form1());
    // The program goes on: the next event is handled.
    program->Mode0->trigger();
    EXPECT_EQ(program->CurrentMode, 0);
}

TEST(ErrorDisplay, RealBoxWrapsBetweenWordsAndCopiesWithCtrlC) {
    const QString text = QStringLiteral("「請求書_2026年12月分_株式会社サンプル.pdf」の名前を「見積書.pdf」に変更できませんでした: "
                                        "同じ名前のフォルダがあります。");
    QString shown, copied;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        shown = box->text();
        // The copy key is the box's window shortcut: it acts once the box is the active window.
        box->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }, 2000));
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        copied = QApplication::clipboard()->text();
        box->accept();
    });
    ShowStopBox({MessageBoxRequest::Kind::ErrorDisplay, nullptr, QStringLiteral("Quilvane"), text});
    ASSERT_TRUE(shown.contains('\n'));
    EXPECT_EQ(QString(shown).remove('\n').remove(' '), QString(text).remove(' '));
    for (const QString& line : shown.split('\n')) {
        EXPECT_FALSE(line.startsWith(QStringLiteral("ります")) || line.startsWith(QStringLiteral("ません"))) << line.toStdString();
    }
    EXPECT_TRUE(copied.contains(QStringLiteral("Quilvane\n")));
    EXPECT_TRUE(copied.contains(shown));
    // Every line fits, and no line ends where a word goes on.
    const auto width = [](const QString& s) { return int(s.size()) * 10; };
    const QString narrow = WrapAtNaturalBreaks(QStringLiteral("ファイルが見つかりません。ファイル名が長すぎます"), width, 100);
    EXPECT_EQ(narrow, QStringLiteral("ファイルが\n見つかりません。\nファイル名が\n長すぎます"));
}

TEST(StartupReport, MissingViewerGivesTheReportAndExitCodeOne) {
    MessageBoxRecorder boxes;
    UnregisterControlClass(kPdfViewerClassId);
    const int exitCode = RunApplication([] {});
    RegisterPdfViewerControl();
    EXPECT_EQ(exitCode, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].caption, "アプリケーション エラー");
    EXPECT_TRUE(QRegularExpression("^EOleSysErrorがモジュール test_window の [0-9A-F]{8} で発生しました。\n"
                                   "クラスが登録されていません\\.$")
                    .match(boxes.shown[0].text)
                    .hasMatch())
        << boxes.shown[0].text.toStdString();
}

// ---- Working modes ----

TEST(Modes, SwitchesFollowTheTableAndKeepTheCurrentPath) {
    TempDir dir;
    MakePdf(dir / "a.pdf");
    Program program;
    TForm1& f = program.form1();
    program.Open(dir / "a.pdf");
    ASSERT_EQ(program.Rows(), std::vector<Bytes>{"a.pdf"});
    f.Mode1->trigger();
    EXPECT_EQ(f.CurrentMode, 1);
    EXPECT_TRUE(f.E_Rename->text().isEmpty());
    EXPECT_EQ(f.ListBox1->Count(), 0);
    EXPECT_FALSE(f.Mode0->isChecked());
    EXPECT_TRUE(f.Mode1->isChecked());
    EXPECT_TRUE(f.SB1->isVisible());
    EXPECT_FALSE(f.SB1->isEnabled());
    EXPECT_EQ(f.SB1->text(), "再生");
    EXPECT_TRUE(f.CB2->isVisible());
    EXPECT_FALSE(f.AcroPDF1->isVisible());
    EXPECT_EQ(f.L_format->text(), ".mp3");
    EXPECT_EQ(f.B_Open->text(), "MP3ファイルを開く");
    EXPECT_EQ(GetText(f.E_Filename), dir / "a.pdf");
    EXPECT_EQ(program.Title(), "Quilvane  [" + (dir / "a.pdf") + "]");
    // The same mode again empties all the same.
    program.Type("typed");
    f.Mode1->trigger();
    EXPECT_TRUE(f.E_Rename->text().isEmpty());
    f.Mode0->trigger();
    EXPECT_TRUE(f.Mode0->isChecked());
    EXPECT_FALSE(f.SB1->isVisible());
    EXPECT_TRUE(f.AcroPDF1->isVisible());
    EXPECT_EQ(f.L_format->text(), ".pdf");
    EXPECT_EQ(f.B_Open->text(), "PDFファイルを開く");
    EXPECT_TRUE(program.boxes.shown.empty());  // the player holds no file: nothing to stop
}

TEST(Modes, LeavingMp3ModeAfterAFailedOpenShowsThePlayersError) {
    TempDir dir;
    WriteFile(dir / "bad.mp3", "not audio");
    Program program;
    program->SetMode(1);
    program.Open(dir / "bad.mp3");
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_TRUE(program->B_Open->isEnabled());  // enabled again although the load failed
    program->Mode0->trigger();
    EXPECT_EQ(program->CurrentMode, 0);  // the switch took effect before the error
    ASSERT_EQ(program.boxes.shown.size(), 2u);
    EXPECT_EQ(program.boxes.shown[1].text, "MCI デバイスがありません.");
}

// ---- Opening, loading and the folder list ----

TEST(Loading, OpenMakesTheFileCurrentWithNameTitleAndList) {
    TempDir dir;
    MakePdf(dir / "scan2.pdf");
    MakePdf(dir / "scan10.pdf");
    MakePdf(dir / "a.pdf");
    Program program;
    program.Open(dir / "scan10.pdf");
    EXPECT_EQ(GetText(program->E_Filename), dir / "scan10.pdf");
    EXPECT_EQ(program->CurrentFileName, "scan10.pdf");
    EXPECT_EQ(GetText(program->E_Rename), "scan10");
    EXPECT_EQ(program.Title(), "Quilvane  [" + (dir / "scan10.pdf") + "]");
    EXPECT_EQ(program.Rows(), (std::vector<Bytes>{"a.pdf", "scan2.pdf", "scan10.pdf"}));
    EXPECT_EQ(program.SelectedRow(), "scan10.pdf");
    EXPECT_TRUE(program->B_Open->isEnabled());
}

TEST(Loading, StemDropsTheLastFourBytesWhateverTheyAre) {
    TempDir dir;
    Program program;
    for (const auto& [name, stem] : std::vector<std::pair<Bytes, Bytes>>{
             {"report.pdfx", "report."}, {".pdf", ""}, {"請求書.pdf", "請求書"}, {"a.pdf", "a"}}) {
        WriteFile(dir / name, "x");
        program->LoadDocument(dir / name);
        EXPECT_EQ(GetText(program->E_Rename), stem) << name;
    }
    EXPECT_EQ(program.boxes.shown.size(), 0u);  // files the viewer cannot show still become current
}

TEST(Loading, EmptyPathAndCancelledOpenChangeNothing) {
    TempDir dir;
    MakePdf(dir / "a.pdf");
    Program program;
    program.Open(dir / "a.pdf");
    program.Type("typed");
    program->LoadDocument("");
    EXPECT_EQ(GetText(program->E_Rename), "typed");
    EXPECT_EQ(program.Rows(), std::vector<Bytes>{"a.pdf"});
    bool enabledWhileAsking = true;
    program->ExecuteOpenDialog = [&](TOpenDialog&) {
        enabledWhileAsking = program->B_Open->isEnabled();
        return false;  // cancelled
    };
    program->B_Open->click();
    EXPECT_FALSE(enabledWhileAsking);
    EXPECT_EQ(GetText(program->E_Rename), "typed");
    EXPECT_TRUE(program->B_Open->isEnabled());
    // The dialog offers the last file again.
    EXPECT_EQ(program->OpenDialog1.FileName, dir / "a.pdf");
    EXPECT_TRUE(program->OpenDialog2.FileName.empty());
}

TEST(Loading, ResizeReloadsInPdfModeOnly) {
    TempDir dir;
    MakePdf(dir / "a.pdf");
    MakeMp3(dir / "b.mp3", 300);
    Program program;
    program->resize(900, 600);  // nothing current: nothing happens
    EXPECT_TRUE(program.boxes.shown.empty());
    program.Open(dir / "a.pdf");
    program.Type("typed");
    program->resize(1000, 650);
    Pump();
    EXPECT_EQ(GetText(program->E_Rename), "a");
    program->CB2->setChecked(false);
    program->SetMode(1);
    program.Open(dir / "b.mp3");
    program.Type("typed");
    program->resize(820, 560);
    Pump();
    EXPECT_EQ(GetText(program->E_Rename), "typed");
    // Back in PDF mode, a resize reloads the MP3 path still held, and lists that folder's PDFs.
    program->SetMode(0);
    program->resize(900, 600);
    Pump();
    EXPECT_EQ(GetText(program->E_Rename), "b");
    EXPECT_EQ(program.Rows(), std::vector<Bytes>{"a.pdf"});
    EXPECT_EQ(program->ListBox1->ItemIndex(), -1);
}

TEST(FolderList, ListsTheModesFilesOnly) {
    TempDir dir;
    for (const char* name : {"a.pdf", "B.PDF", "notes.txt", ".hidden.pdf", ".pdf", "song.mp3", "LOUD.MP3"})
        WriteFile(dir / name, "x");
    MakeFolder(dir / "x.pdf");
    Program program;
    program->LoadDocument(dir / "a.pdf");
    EXPECT_EQ(program.Rows(), (std::vector<Bytes>{".hidden.pdf", ".pdf", "a.pdf", "B.PDF"}));
    EXPECT_EQ(program.SelectedRow(), "a.pdf");
    program->CB2->setChecked(false);
    program->SetMode(1);
    program->RefreshFileList();
    EXPECT_EQ(program.Rows(), (std::vector<Bytes>{"LOUD.MP3", "song.mp3"}));
    EXPECT_EQ(program->ListBox1->ItemIndex(), -1);
}

TEST(FolderList, CaseOnlyDifferenceMissingFileAndMissingFolderSelectNothing) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "x");
    Program program;
    program->LoadDocument(dir / "A.pdf");
    EXPECT_EQ(program.Rows(), std::vector<Bytes>{"a.pdf"});
    EXPECT_EQ(program->ListBox1->ItemIndex(), -1);
    program->LoadDocument(dir / "gone.pdf");
    EXPECT_EQ(program.Rows(), std::vector<Bytes>{"a.pdf"});
    EXPECT_EQ(program->ListBox1->ItemIndex(), -1);
    program->LoadDocument(dir / "nowhere/a.pdf");
    EXPECT_TRUE(program.Rows().empty());
    try {
        program->ListBox1->Item(-1);
        FAIL();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "リストのインデックスが範囲を超えています (-1)");
    }
}

TEST(FolderList, NameNotValidInTheLocaleEncodingEndToEnd) {
    TempDir dir;
    const Bytes sjis = ShiftJis("表紙") + ".pdf";
    MakePdf(dir / sjis);
    MakePdf(dir / "b.pdf");
    Program program;
    program.Open(dir / sjis);
    EXPECT_EQ(program.SelectedRow(), sjis);
    EXPECT_EQ(GetText(program->E_Rename), ShiftJis("表紙"));
    EXPECT_TRUE(program->windowTitle().contains(ToEscapedString(sjis)));  // shown as the list shows it
    const auto* control = static_cast<PdfViewerControl*>(program->AcroPDF1->Control());
    EXPECT_NE(control->Document(), nullptr);
    program.Pick("b.pdf");
    program.Pick(sjis);  // picked back by its bytes
    EXPECT_EQ(GetText(program->E_Filename), dir / sjis);
    EXPECT_TRUE(program.boxes.shown.empty());
    // Two names that one lossy decoding would make the same look different in the list.
    MakePdf(dir / "\x88\x9F.pdf");
    MakePdf(dir / "\x88\xA0.pdf");
    program->RefreshFileList();
    QStringList shown;
    for (int row = 0; row < program->ListBox1->Count(); ++row) shown << program->ListBox1->model()->index(row, 0).data().toString();
    EXPECT_EQ(shown.removeDuplicates(), 0) << shown.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("\\x88\\x9F.pdf")));
}

TEST(FolderList, HundredThousandRowsAreAModelNotWidgets) {
    Program program;
    program->ListBox1->BeginUpdate();
    for (int i = 0; i < 100000; ++i) program->ListBox1->Add("file" + std::to_string(i) + ".pdf");
    program->ListBox1->EndUpdate();
    program->ListBox1->SetItemIndex(99999);
    EXPECT_EQ(program->ListBox1->Count(), 100000);
    EXPECT_EQ(program->ListBox1->ItemIndex(), 99999);
    EXPECT_TRUE(program->ListBox1->uniformItemSizes());
    EXPECT_TRUE(program->ListBox1->findChildren<QWidget*>().size() < 10);
}

TEST(FolderList, RowDifferencesReachTheViewAsRemovalsAndInsertions) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        ByteListModel model(nullptr);
        std::vector<Bytes> start;
        for (int i = 0; i < 40; ++i) if (random() % 2) start.push_back("s" + std::to_string(i) + ".pdf");
        model.Reset(start);
        // What a view knows: only the signals.
        std::vector<Bytes> seen = start;
        int resets = 0;
        QObject::connect(&model, &QAbstractItemModel::rowsAboutToBeRemoved, [&](const QModelIndex&, int first, int last) {
            seen.erase(seen.begin() + first, seen.begin() + last + 1);
        });
        QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
            seen.insert(seen.begin() + first, model.rows.begin() + first, model.rows.begin() + last + 1);
        });
        QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { seen = model.rows, ++resets; });
        std::vector<Bytes> next;
        for (int i = 0; i < 40; ++i) if (random() % 8 ? std::count(start.begin(), start.end(), "s" + std::to_string(i) + ".pdf") : random() % 2)
            next.push_back("s" + std::to_string(i) + ".pdf");
        if (round % 10 == 0) std::shuffle(next.begin(), next.end(), random);  // not in natural order: still right
        model.Apply(next);
        ASSERT_EQ(model.rows, next);
        ASSERT_EQ(seen, next);
        if (round % 10 != 0) {
            EXPECT_EQ(resets, 0);
        }
    }
}

TEST(FolderList, StepsAndChangesByOthersMatchAFreshListWithoutResets) {
    TempDir dir;
    for (int i = 1; i <= 30; ++i) MakePdf(dir / ("scan" + std::to_string(i) + ".pdf"));
    Program program;
    program.Open(dir / "scan1.pdf");
    QSignalSpy resets(program->ListBox1->model(), &QAbstractItemModel::modelReset);
    const unsigned long reads = FolderReadCount();
    const auto expectFresh = [&](const char* step) {
        std::vector<Bytes> fresh;
        for (const Bytes& name : ListNames(dir.Path())) if (name.ends_with(".pdf")) fresh.push_back(name);
        std::sort(fresh.begin(), fresh.end(), [](const Bytes& a, const Bytes& b) { return NaturalLess(a, b); });
        EXPECT_EQ(program.Rows(), fresh) << step;
        const Bytes current = FileNamePart(GetText(program->E_Filename));
        const bool listed = std::count(fresh.begin(), fresh.end(), current) > 0;
        EXPECT_EQ(program.SelectedRow(), listed ? current : Bytes("(none)")) << step;
        EXPECT_EQ(program->ListBox1->model()->rowCount(), int(fresh.size())) << step;
    };
    program->resize(program->width() + 10, program->height());
    Pump();
    expectFresh("resize");
    EXPECT_EQ(FolderReadCount(), reads);
    program.Type("請求書");
    program.Key(Qt::Key_Down);
    expectFresh("rename and next");
    ASSERT_EQ(std::rename((dir / "scan20.pdf").c_str(), (dir / "a.pdf").c_str()), 0);
    ASSERT_EQ(unlink((dir / "scan10.pdf").c_str()), 0);
    MakePdf(dir / "scan25b.pdf");
    program.Key(Qt::Key_Down);
    expectFresh("changes by another program");
    ASSERT_EQ(unlink((dir / GetText(program->E_Rename) + ".pdf").c_str()), 0);  // the current one
    program->resize(program->width() - 10, program->height());
    Pump();
    expectFresh("current file removed");
    EXPECT_EQ(resets.count(), 0);
}

// ---- The open dialog ----

namespace {

// The real dialog; `steps` act in it once it is up, and it is cancelled if they leave it open.
void ChooseWith(Program& program, std::function<void(TByteFileDialog&, QListView*, QLineEdit*)> steps) {
    program->ExecuteOpenDialog = [&program](TOpenDialog& dialog) {
        return ChooseFileToOpen(&program.form1(), dialog.Filter, dialog.FileName);
    };
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, steps] {
        auto* box = qobject_cast<TByteFileDialog*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        steps(*box, box->findChild<QListView*>("listView"), box->findChild<QLineEdit*>("fileNameEdit"));
        if (box->isVisible()) box->reject();
    });
    poll->start(5);
    program->B_Open->click();
    Pump();
}

QStringList Shown(TByteFileDialog& box) {
    QStringList rows;
    for (int row = 0; row < box.Entries().rowCount(); ++row) rows << box.Entries().index(row).data().toString();
    return rows;
}

}  // namespace

TEST(NameBox, EnterRenamesAndStepsOnWithTheNextNameSelected) {
    TempDir dir;
    for (const char* name : {"s1.pdf", "s2.pdf", "s3.pdf"}) MakePdf(dir / name);
    Program program;
    program.Open(dir / "s1.pdf");
    program->E_Rename->setFocus();
    program->E_Rename->selectAll();
    QTest::keyClicks(program->E_Rename, QStringLiteral("z1"));
    QTest::keyClick(program->E_Rename, Qt::Key_Return);
    EXPECT_EQ(GetText(program->E_Filename), dir / "s2.pdf");
    EXPECT_EQ(program->E_Rename->selectedText(), QStringLiteral("s2"));  // typing replaces it
    QTest::keyClicks(program->E_Rename, QStringLiteral("a0"));
    QTest::keyClick(program->E_Rename, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);  // first row: stays
    EXPECT_EQ(GetText(program->E_Filename), dir / "a0.pdf");
    EXPECT_TRUE(program->E_Rename->hasFocus());
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"a0.pdf", "s3.pdf", "z1.pdf"}));
    EXPECT_TRUE(program.boxes.shown.empty());
}

// An invoice with a text layer: its kind in large type, its date below.
void MakeInvoice(const Bytes& path, const QString& dateLine) {
    QPdfWriter writer(ToQString(path));
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("IPAGothic"), 20));
    painter.drawText(600, 800, QStringLiteral("請求書"));
    painter.setFont(QFont(QStringLiteral("IPAGothic"), 10));
    painter.drawText(600, 1400, dateLine);
}

// The window with the real readers behind its name list.
struct ProgramWithNames {
    Program program;
    NameSuggestions names{[this](std::function<void()> task) { QMetaObject::invokeMethod(&program.form1(), std::move(task)); },
                          [this](const Bytes& path, const FileNames& found) { program->Logic.NamesRead(path, found); }};
    ProgramWithNames() { program->SetNameSource(&names); }
};

TEST(NameCandidates, AltDownOpensTheListAndTheChosenNameIsRenamedTo) {
    TempDir dir;
    MakeInvoice(dir / "scan1.pdf", QStringLiteral("発行日 2026年3月31日"));
    MakePdf(dir / "scan2.pdf");
    ProgramWithNames window;
    Program& program = window.program;
    program.Open(dir / "scan1.pdf");
    TNameList& list = program->NameList();
    QTRY_VERIFY_WITH_TIMEOUT(list.count() > 1, 20000);
    QTest::keyClick(program->E_Rename, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(program->E_Rename, Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(list.isVisible());
    const QString chosen = list.item(0)->text();
    EXPECT_EQ(chosen, QStringLiteral("2026-03-31"));
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_FALSE(list.isVisible());
    EXPECT_EQ(program->E_Rename->text(), chosen);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"scan1.pdf", "scan2.pdf"}));  // choosing never renames
    program.PressRename();
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"2026-03-31.pdf", "scan2.pdf"}));
}

// Two invoices named by hand teach the third one's name: first in the list,
// and in the box itself once the setting is on, so that Enter alone renames.
TEST(NameCandidates, TwoNamesGivenWithEnterTeachTheNextName) {
    TempDir dir;
    for (int month = 1; month <= 4; ++month)
        MakeInvoice(dir / ("scan" + std::to_string(month) + ".pdf"), QStringLiteral("発行日 2026年%1月15日").arg(month));
    ProgramWithNames window;
    Program& program = window.program;
    program.Open(dir / "scan1.pdf");
    TNameList& list = program->NameList();
    for (int month = 1; month <= 2; ++month) {
        QTRY_VERIFY_WITH_TIMEOUT(list.count() > 1, 20000);  // the user looks, then types
        QTest::keyClick(program->E_Rename, Qt::Key_A, Qt::ControlModifier);
        program->E_Rename->insert(QStringLiteral("請求書 2026-%1-15").arg(month, 2, 10, QLatin1Char('0')));  // as an input method does
        QTest::keyClick(program->E_Rename, Qt::Key_Return);
    }
    EXPECT_EQ(GetText(program->E_Filename), dir / "scan3.pdf");
    QTRY_COMPARE_WITH_TIMEOUT(list.item(0)->text(), QStringLiteral("請求書 2026-03-15"), 20000);
    EXPECT_EQ(program->E_Rename->text(), QStringLiteral("scan3"));  // off: the box keeps the file's name

    program.form1().N_FillProposed->trigger();
    EXPECT_EQ(program->E_Rename->selectedText(), QStringLiteral("請求書 2026-03-15"));
    QTest::keyClick(program->E_Rename, Qt::Key_Return);
    EXPECT_EQ(GetText(program->E_Filename), dir / "scan4.pdf");
    QTRY_COMPARE_WITH_TIMEOUT(program->E_Rename->text(), QStringLiteral("請求書 2026-04-15"), 20000);
    EXPECT_EQ(program->E_Rename->selectedText(), program->E_Rename->text());  // typing replaces it
    QTest::keyClick(program->E_Rename, Qt::Key_Return);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"請求書 2026-01-15.pdf", "請求書 2026-02-15.pdf",
                                                         "請求書 2026-03-15.pdf", "請求書 2026-04-15.pdf"}));
}

TEST(OpenDialog, LookAlikeShiftJisNamesShowApartAndTheOnePickedOpens) {
    TempDir dir;
    const Bytes first = "\x88\x9F.pdf", second = "\x88\xA0.pdf";  // one text when decoded lossily
    MakePdf(dir / first);
    MakePdf(dir / second);
    Program program;
    program->OpenDialog1.FileName = dir / first;  // offered again, selected
    QStringList shown;
    QString title;
    ChooseWith(program, [&](TByteFileDialog& box, QListView* list, QLineEdit*) {
        shown = Shown(box);
        title = box.windowTitle();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    EXPECT_EQ(shown, QStringList({"\\x88\\x9F.pdf", "\\x88\\xA0.pdf"}));
    EXPECT_EQ(title, "開く");  // the platform's own title for an open dialog
    EXPECT_EQ(GetText(program->E_Filename), dir / second);
    EXPECT_EQ(program->OpenDialog1.FileName, dir / second);
}

TEST(OpenDialog, FolderWithAnUndecodableNameIsEnteredLeftAndTypedInto) {
    TempDir dir;
    const Bytes folder = ShiftJis("資料");
    MakeFolder(dir / folder);
    for (const char* name : {"B.PDF", "notes.txt", ".hidden.pdf"}) WriteFile(dir / (folder + "/" + name), "x");
    WriteFile(dir / "top.pdf", "x");
    Program program;
    program->OpenDialog1.FileName = dir / "top.pdf";
    std::vector<QStringList> seen;
    ChooseWith(program, [&](TByteFileDialog& box, QListView* list, QLineEdit* edit) {
        seen.push_back(Shown(box));
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClick(list, Qt::Key_Return);  // into the folder
        seen.push_back(Shown(box));
        QTest::keyClick(list, Qt::Key_Backspace);  // and out again, onto the folder left
        seen.push_back(Shown(box));
        seen.push_back({list->currentIndex().data().toString()});
        edit->clear();
        QTest::keyClicks(edit, ToEscapedString(folder) + "/./B.PDF");
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const QString shownFolder = ToEscapedString(folder);
    EXPECT_EQ(seen, (std::vector<QStringList>{{shownFolder, "top.pdf"}, {"B.PDF"}, {shownFolder, "top.pdf"}, {shownFolder}}));
    EXPECT_EQ(GetText(program->E_Filename), dir / (folder + "/B.PDF"));
}

// ---- PDF display settings ----

TEST(DisplaySettings, FitAndToolbarItemsActAsRadioGroupsAndAreReapplied) {
    TempDir dir;
    MakePdf(dir / "a.pdf");
    Program program;
    TForm1& f = program.form1();
    f.NH1->trigger();
    EXPECT_EQ(f.FitMode, 1);
    for (QAction* item : {f.NH0, f.NH2, f.NH3, f.NH4, f.NH5}) EXPECT_FALSE(item->isChecked());
    EXPECT_TRUE(f.NH1->isChecked());
    f.NT1->trigger();  // before any document: sent to the empty viewer
    EXPECT_TRUE(f.NT1->isChecked());
    EXPECT_FALSE(f.NT0->isChecked());
    program.Open(dir / "a.pdf");
    const auto* control = static_cast<PdfViewerControl*>(f.AcroPDF1->Control());
    EXPECT_EQ(control->PageView()->CurrentFit(), PdfPageView::Fit::Width);
    EXPECT_TRUE(control->ToolBar()->isVisible());
    // In MP3 mode the choice is stored and reaches the next PDF load.
    f.SetMode(1);
    f.NH2->trigger();
    f.NT0->trigger();
    f.SetMode(0);
    f.LoadDocument(dir / "a.pdf");
    EXPECT_EQ(control->PageView()->CurrentFit(), PdfPageView::Fit::Height);
    EXPECT_FALSE(control->ToolBar() != nullptr && control->ToolBar()->isVisible());
    EXPECT_TRUE(f.NH2->isChecked());
    EXPECT_TRUE(f.NT0->isChecked());
}

namespace {

// A viewer whose view and toolbar calls fail on demand.
class FailingViewer : public OleControl, public QtInPlaceActivation, public IAcroAXDocShim {
public:
    static inline bool fail = false;
    IAcroAXDocShim* QueryDefaultInterface() override { return this; }
    HRESULT GetExtent(HimetricSize* size) override {
        *size = {2540, 2540};
        return S_OK;
    }
    HRESULT SetExtent(const HimetricSize&) override { return S_OK; }
    HRESULT LoadPersistedState(const std::vector<std::uint8_t>&) override { return S_OK; }
    HRESULT InitNew() override { return S_OK; }
    bool InPlaceActivate(QWidget* parent, const QRect&) override {
        window_ = new QWidget(parent);
        return true;
    }
    QWidget* InPlaceWindow() override { return window_; }
    void Close() override {}
    HRESULT LoadFile(const std::u16string&, VARIANT_BOOL* loaded) override {
        *loaded = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT setShowToolbar(std::int32_t) override { return fail ? E_FAIL : S_OK; }
    HRESULT setLayoutMode(const std::u16string&) override { return S_OK; }
    HRESULT setView(const std::u16string&) override { return fail ? E_FAIL : S_OK; }
    HRESULT setShowScroll(std::int32_t) override { return S_OK; }

private:
    QWidget* window_ = nullptr;
};

}  // namespace

TEST(DisplaySettings, AFailingViewerCallLeavesTheGroupUncheckedAndTheValueUnchanged) {
    RegisterControlClass(kPdfViewerClassId, [] { return std::make_unique<FailingViewer>(); });
    {
        TempDir dir;
        WriteFile(dir / "a.pdf", "x");
        Program program;
        TForm1& f = program.form1();
        f.NH3->trigger();
        FailingViewer::fail = true;
        f.NH1->trigger();
        f.NT1->trigger();
        FailingViewer::fail = false;
        for (QAction* item : {f.NH0, f.NH1, f.NH2, f.NH3, f.NH4, f.NH5, f.NT0, f.NT1}) EXPECT_FALSE(item->isChecked());
        EXPECT_EQ(f.FitMode, 3);
        EXPECT_EQ(f.ToolbarMode, 0);
        ASSERT_EQ(program.boxes.shown.size(), 2u);
        EXPECT_EQ(program.boxes.shown[0].text, "エラーを特定できません.");
        // A failure inside a load ends the load: the path does not become current.
        FailingViewer::fail = true;
        EXPECT_THROW(f.LoadDocument(dir / "a.pdf"), EOleException);
        FailingViewer::fail = false;
        EXPECT_TRUE(f.E_Filename->text().isEmpty());
        f.LoadDocument(dir / "a.pdf");
        EXPECT_TRUE(f.NH3->isChecked());
        EXPECT_TRUE(f.NT0->isChecked());
    }
    RegisterPdfViewerControl();
}
