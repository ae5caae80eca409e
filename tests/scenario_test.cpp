// SPDX-License-Identifier: GPL-3.0-or-later
// The program as a user uses it: real files in a temporary folder, the real
// viewer, the real MCI stand-in on a silent sink.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QTest>
#include <QElapsedTimer>
#include <QPdfDocument>
#include <QThread>
#include <map>

#include "qt/QtBytes.h"
#include "support/Fixtures.h"
#include "TestFiles.h"
#include "qt/HistoryWindow.h"
#include "support/WindowHarness.h"
#include "qt/ByteControls.h"
#include "qt/PdfViewerControl.h"

namespace {

using Names = std::vector<Bytes>;

// Every file's contents by name: nothing lost means the same contents come back.
std::multiset<Bytes> Contents(const Bytes& folder) {
    std::multiset<Bytes> contents;
    for (const Bytes& name : ListNames(folder)) contents.insert(ReadFile(folder + name));
    return contents;
}

DWORD Status(TForm1& form, DWORD item) {
    MCI_STATUS_PARMS p;
    p.dwItem = item;
    PlatformMci().SendCommand(form.MP1.MciDevice, MCI_STATUS, MCI_STATUS_ITEM | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&p));
    return static_cast<DWORD>(p.dwReturn);
}

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) Pump(10);
    return done();
}

// True when the position moves on over a short while.
bool Playing(TForm1& form) {
    const DWORD before = Status(form, MCI_STATUS_POSITION);
    return WaitFor([&] { return Status(form, MCI_STATUS_POSITION) > before + 30; }, 1500);
}

bool Still(TForm1& form) {
    const DWORD before = Status(form, MCI_STATUS_POSITION);
    Pump(150);
    return Status(form, MCI_STATUS_POSITION) == before;
}

}  // namespace

TEST(Scenario, TypicalRenameOfTheOverview) {
    TempDir dir;
    MakePdf(dir / "scan001.pdf", {1});
    MakePdf(dir / "scan002.pdf", {2});
    Program program;
    program.Open(dir / "scan001.pdf");
    const auto* viewer = static_cast<PdfViewerControl*>(program->AcroPDF1->Control());
    EXPECT_EQ(viewer->Document()->pageCount(), 1);
    EXPECT_EQ(program.Title(), "Quilvane  [" + (dir / "scan001.pdf") + "]");
    program.Type("見積書");
    program.Pick("scan002.pdf");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"scan002.pdf", "見積書.pdf"}));
    EXPECT_EQ(viewer->Document()->pageCount(), 2);  // the picked file is shown
    EXPECT_EQ(program.SelectedRow(), "scan002.pdf");
    EXPECT_EQ(GetText(program->E_Rename), "scan002");
    EXPECT_EQ(program.Title(), "Quilvane  [" + (dir / "scan002.pdf") + "]");
}

TEST(Scenario, NamingTenScansOneAfterTheOtherLeavingTwo) {
    TempDir dir;
    Names original;
    for (int i = 1; i <= 10; ++i) {
        original.push_back("scan" + std::to_string(i) + ".pdf");
        MakePdf(dir / original.back(), {i});  // i pages: every file tells itself apart
    }
    const auto before = Contents(dir.Path());
    Program program;
    program.Open(dir / "scan1.pdf");
    const Names typed = {"請求書_A", "", "納品書_B", "見積書_C", "領収書_D", "", "契約書_E", "注文書_F", "報告書_G", "議事録_H"};
    for (int i = 0; i < 10; ++i) {
        if (!typed[i].empty()) program.Type(typed[i]);
        if (i < 9) program.Key(Qt::Key_Down);
        else program.PressRename();
    }
    Names expected = {"scan2.pdf", "scan6.pdf"};
    for (const Bytes& name : typed) {
        if (!name.empty()) expected.push_back(name + ".pdf");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListNames(dir.Path()), expected);
    EXPECT_EQ(Contents(dir.Path()), before);  // nothing lost, nothing overwritten
    EXPECT_TRUE(program.boxes.shown.empty());
    // Each new name holds the file that was shown when it was typed: 見積書_C was scan4, four pages.
    program->LoadDocument(dir / "見積書_C.pdf");
    EXPECT_EQ(static_cast<PdfViewerControl*>(program->AcroPDF1->Control())->Document()->pageCount(), 4);
}

TEST(Scenario, NamingRecordingsWithAutoplayOnAndOff) {
    for (const bool autoplay : {true, false}) {
        TempDir dir;
        for (int i = 1; i <= 4; ++i) MakeMp3(dir / ("rec" + std::to_string(i) + ".mp3"), 400 + 100 * i);
        const auto before = Contents(dir.Path());
        Program program;
        TForm1& f = program.form1();
        f.Mode1->trigger();
        f.CB2->setChecked(autoplay);
        program.Open(dir / "rec1.mp3");
        EXPECT_EQ(f.SB1->text(), autoplay ? "停止" : "再生");
        EXPECT_TRUE(f.SB1->isEnabled());
        EXPECT_EQ(autoplay, Playing(f)) << autoplay;
        program.Type("朝礼");
        program.Key(Qt::Key_Down);
        program.Key(Qt::Key_Down);  // rec3 unchanged
        program.Type("夕礼");
        program.Key(Qt::Key_Down);
        EXPECT_EQ(ListNames(dir.Path()), (Names{"rec2.mp3", "rec4.mp3", "夕礼.mp3", "朝礼.mp3"}));
        EXPECT_EQ(Contents(dir.Path()), before);
        EXPECT_EQ(f.MP1.FileName, dir / "rec4.mp3");
        EXPECT_EQ(autoplay, Playing(f)) << autoplay;
        EXPECT_EQ(f.SB1->text(), autoplay ? "停止" : "再生");
        EXPECT_TRUE(program.boxes.shown.empty());
    }
}

// One damaged file between good ones, in each mode: Enter renames, meets
// the damaged file's error box, then goes on past it; Delete in the list,
// on its row, puts it in the trash.
TEST(Scenario, EnterGoesPastADamagedFileAndDeleteTrashesIt) {
    for (const int mode : {0, 1}) {
        TempDir dir, data;
        TestTrash trash(data.Path());
        const Bytes ext = mode == 0 ? ".pdf" : ".mp3";
        for (const char* stem : {"a", "c"}) {
            if (mode == 0) MakePdf(dir / (stem + ext));
            else MakeMp3(dir / (stem + ext), 300);
        }
        WriteFile(dir / ("b" + ext), "damaged, not a real file");
        Program program;
        TForm1& f = program.form1();
        if (mode == 1) f.Mode1->trigger();
        program.Open(dir / ("a" + ext));
        program.Type("朝礼");
        // The viewer shows a damaged PDF's reason in its place; the player cannot open a damaged MP3.
        const std::size_t boxes = mode == 0 ? 0 : 1;
        QTest::keyClick(f.E_Rename, Qt::Key_Return);
        EXPECT_EQ(program.boxes.shown.size(), boxes) << mode;
        EXPECT_EQ(f.E_Filename->text(), ToQString(dir / ((mode == 0 ? "b" : "朝礼") + ext)));
        QTest::keyClick(f.E_Rename, Qt::Key_Return);  // past it
        EXPECT_EQ(f.E_Filename->text(), ToQString(dir / ("c" + ext))) << mode;
        program.Key(Qt::Key_Up);  // onto b again: its box, and its row keeps the highlight
        EXPECT_EQ(program.SelectedRow(), "b" + ext);
        program.Key(Qt::Key_Delete);
        EXPECT_EQ(ListNames(dir.Path()), (Names{"c" + ext, "朝礼" + ext})) << mode;
        EXPECT_EQ(program.boxes.shown.size(), 2 * boxes) << mode;
    }
}

TEST(Scenario, ConfirmationForbiddenCharacterAndTakenName) {
    TempDir dir;
    MakePdf(dir / "a.pdf", {1});
    MakePdf(dir / "b.pdf", {2});
    const auto before = Contents(dir.Path());
    Program program;
    program.Open(dir / "a.pdf");
    program->N_R1->trigger();
    program.Type("x");
    ModalAnswer no(program.form2(), ModalAnswer::Action::No);
    program.Pick("b.pdf");  // asked, answered no: the pick goes on
    EXPECT_TRUE(no.Fired());
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a.pdf", "b.pdf"}));
    EXPECT_EQ(GetText(program->E_Filename), dir / "b.pdf");
    program.Type("y");
    ModalAnswer yes(program.form2(), ModalAnswer::Action::Yes);
    program.Pick("a.pdf");
    EXPECT_TRUE(yes.Fired());
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a.pdf", "y.pdf"}));
    program.Type("a");  // taken: neither box nor dialog
    program.PressRename();
    program.Type("a*b");
    program.PressRename();
    EXPECT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_EQ(program.boxes.shown[0].caption, "エラー");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a.pdf", "y.pdf"}));
    EXPECT_EQ(Contents(dir.Path()), before);
}

TEST(Scenario, ModeSwitchResizeThenRenameOfThePreviousModesFile) {
    TempDir dir;
    MakePdf(dir / "doc.pdf");
    MakeMp3(dir / "talk.mp3", 500);
    Program program;
    TForm1& f = program.form1();
    f.Mode1->trigger();
    f.CB2->setChecked(true);
    program.Open(dir / "talk.mp3");
    ASSERT_TRUE(Playing(f));
    f.Mode0->trigger();  // stops the recording, keeps its path
    EXPECT_TRUE(Still(f));
    EXPECT_FALSE(f.SB1->isVisible());
    EXPECT_TRUE(GetText(f.E_Rename).empty());
    f.resize(f.width() + 40, f.height() + 30);  // reloads the MP3 path in PDF mode
    Pump();
    EXPECT_EQ(GetText(f.E_Rename), "talk");
    EXPECT_EQ(program.Rows(), Names{"doc.pdf"});
    EXPECT_EQ(f.ListBox1->ItemIndex(), -1);
    program.Type("講演");
    program.PressRename();  // the MP3 takes the PDF mode's extension
    EXPECT_EQ(ListNames(dir.Path()), (Names{"doc.pdf", "講演.pdf"}));
    EXPECT_EQ(program.SelectedRow(), "講演.pdf");
    EXPECT_TRUE(program.boxes.shown.empty());
}

// ---- The play/stop button and autoplay box through every event ----

TEST(PlaybackControls, StartSwitchLoadAndPresses) {
    TempDir dir;
    MakeMp3(dir / "a.mp3", 2000);
    Program program;
    TForm1& f = program.form1();
    EXPECT_FALSE(f.SB1->isVisible());
    EXPECT_FALSE(f.SB1->isEnabled());
    EXPECT_EQ(f.SB1->text(), "再生");
    f.Mode1->trigger();
    EXPECT_TRUE(f.SB1->isVisible());
    EXPECT_FALSE(f.SB1->isEnabled());
    f.CB2->setChecked(false);
    program.Open(dir / "a.mp3");
    EXPECT_EQ(f.SB1->text(), "再生");
    EXPECT_TRUE(f.SB1->isEnabled());
    EXPECT_TRUE(Still(f));
    EXPECT_EQ(Status(f, MCI_STATUS_POSITION), 0u);
    f.CB2->setChecked(true);  // takes effect at the next load only
    EXPECT_TRUE(Still(f));
    f.SB1->click();
    EXPECT_EQ(f.SB1->text(), "停止");
    ASSERT_TRUE(Playing(f));
    f.SB1->click();
    EXPECT_EQ(f.SB1->text(), "再生");
    ASSERT_TRUE(Still(f));
    const DWORD stoppedAt = Status(f, MCI_STATUS_POSITION);
    f.SB1->click();
    ASSERT_TRUE(Playing(f));
    EXPECT_GT(Status(f, MCI_STATUS_POSITION), stoppedAt);  // on from the stop
    // The same mode again: the caption turns back, the track plays on.
    f.Mode1->trigger();
    EXPECT_EQ(f.SB1->text(), "再生");
    EXPECT_FALSE(f.SB1->isEnabled());
    EXPECT_TRUE(Playing(f));
    f.Mode0->trigger();
    EXPECT_TRUE(Still(f));
    f.Mode1->trigger();
    EXPECT_FALSE(f.SB1->isEnabled());  // until a file is loaded
    EXPECT_TRUE(Still(f));
    EXPECT_TRUE(program.boxes.shown.empty());
}

TEST(PlaybackControls, TrackEndingByItselfNeedsTwoPresses) {
    TempDir dir;
    MakeMp3(dir / "short.mp3", 300);
    Program program;
    TForm1& f = program.form1();
    f.Mode1->trigger();
    program.Open(dir / "short.mp3");
    ASSERT_TRUE(WaitFor([&] { return Status(f, MCI_STATUS_POSITION) == Status(f, MCI_STATUS_LENGTH); }));
    Pump(50);
    EXPECT_EQ(f.SB1->text(), "停止");  // nothing changes on screen at the end
    f.SB1->click();
    EXPECT_EQ(f.SB1->text(), "再生");
    EXPECT_EQ(Status(f, MCI_STATUS_POSITION), Status(f, MCI_STATUS_LENGTH));
    f.SB1->click();
    EXPECT_EQ(f.SB1->text(), "停止");
    EXPECT_TRUE(WaitFor([&] { return Status(f, MCI_STATUS_POSITION) < Status(f, MCI_STATUS_LENGTH); }));
}

TEST(PlaybackControls, FailedOpenLeavesTheButtonAndPressesRaise) {
    TempDir dir;
    MakeMp3(dir / "good.mp3", 500);
    WriteFile(dir / "bad.mp3", "words, not sound");
    Program program;
    TForm1& f = program.form1();
    f.Mode1->trigger();
    f.CB2->setChecked(false);
    program.Open(dir / "good.mp3");
    program.Pick("bad.mp3");
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_EQ(program.boxes.shown[0].text, "このファイルは再生できません。壊れているか、形式が正しくありません.");
    EXPECT_EQ(GetText(f.E_Filename), dir / "good.mp3");  // the load ended at the open
    EXPECT_TRUE(f.SB1->isEnabled());
    f.SB1->click();  // the caption turns first, then the player raises
    EXPECT_EQ(f.SB1->text(), "停止");
    ASSERT_EQ(program.boxes.shown.size(), 2u);
    EXPECT_EQ(program.boxes.shown[1].text, "MCI デバイスがありません.");
}

TEST(PlaybackControls, RenameOfTheCurrentRecordingPlaysItAgainFromTheStart) {
    TempDir dir;
    MakeMp3(dir / "a.mp3", 3000);
    Program program;
    TForm1& f = program.form1();
    f.Mode1->trigger();
    program.Open(dir / "a.mp3");
    ASSERT_TRUE(WaitFor([&] { return Status(f, MCI_STATUS_POSITION) > 400; }));
    program.Type("b");
    program.PressRename();
    EXPECT_EQ(ListNames(dir.Path()), Names{"b.mp3"});
    EXPECT_EQ(f.MP1.FileName, dir / "b.mp3");
    EXPECT_LT(Status(f, MCI_STATUS_POSITION), 400u);
    EXPECT_TRUE(Playing(f));
    EXPECT_EQ(f.SB1->text(), "停止");
}

TEST(Scenario, RenameThreeUndoTwoFromTheMenuAndTheHistory) {
    TempDir dir;
    for (const char* name : {"scan1.pdf", "scan2.pdf", "scan3.pdf", "scan4.pdf"}) MakePdf(dir / name);
    Program program;
    program.Open(dir / "scan1.pdf");
    for (const char* name : {"議事録_第１回", "議事録_第２回", "議事録_第３回"}) {
        program.Type(name);
        program.Key(Qt::Key_Down);
    }
    EXPECT_EQ(ListNames(dir.Path()), (Names{"scan4.pdf", "議事録_第１回.pdf", "議事録_第２回.pdf", "議事録_第３回.pdf"}));
    // The series key offers the next name; nothing is renamed by it.
    QTest::keyClick(program->E_Rename, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(GetText(program->E_Rename), "議事録_第４回");
    EXPECT_EQ(ListNames(dir.Path()).size(), 4u);
    program->N_History->trigger();
    THistoryWindow& history = program->HistoryWindow();
    ASSERT_TRUE(history.isVisible());
    ASSERT_EQ(history.Entries()->count(), 3);
    EXPECT_EQ(history.Entries()->item(0)->text(), "名前の変更: scan3.pdf → 議事録_第３回.pdf");
    // Ctrl+Shift+Z where the user is, in the name box, though the box takes it as its own redo.
    QTest::keyClick(program->E_Rename, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(history.Entries()->count(), 2);
    history.Entries()->setCurrentRow(1);  // the oldest: scan1
    history.UndoSelected();
    EXPECT_TRUE(program.boxes.shown.empty());
    EXPECT_EQ(ListNames(dir.Path()), (Names{"scan1.pdf", "scan3.pdf", "scan4.pdf", "議事録_第２回.pdf"}));
    EXPECT_EQ(program.Rows(), (Names{"scan1.pdf", "scan3.pdf", "scan4.pdf", "議事録_第２回.pdf"}));
    EXPECT_EQ(GetText(program->E_Filename), dir / "scan4.pdf");
    history.CopyAll();
    EXPECT_EQ(QApplication::clipboard()->text(), ToQString("名前の変更: " + dir / "scan2.pdf → 議事録_第２回.pdf\n"));
}
