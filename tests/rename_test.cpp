// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <unistd.h>

#include "core/Errors.h"
#include "qt/QtBytes.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "qt/ByteControls.h"

namespace {

using Names = std::vector<Bytes>;

// A folder of one-page PDFs and the program with the first of them open.
class RenameInPdfMode : public testing::Test {
protected:
    void Prepare(const Names& names) {
        for (const Bytes& name : names) MakePdf(dir / name);
        program.Open(dir / names.front());
    }
    Names OnDisk() const { return ListNames(dir.Path()); }
    Bytes Current() { return GetText(program->E_Filename); }
    TempDir dir;
    Program program;
};

}  // namespace

TEST_F(RenameInPdfMode, UnchangedNameRenamesNothingAndShowsNothing) {
    Prepare({"a.pdf", "b.pdf"});
    program.PressRename();
    program.Pick("b.pdf");
    EXPECT_EQ(OnDisk(), (Names{"a.pdf", "b.pdf"}));
    EXPECT_EQ(Current(), dir / "b.pdf");
    EXPECT_EQ(program.SelectedRow(), "b.pdf");
    EXPECT_TRUE(program.boxes.shown.empty());
    EXPECT_TRUE(program->B_Rename->isEnabled());
}

TEST_F(RenameInPdfMode, TypedNameRenamesThenThePickedFileLoads) {
    Prepare({"scan1.pdf", "scan2.pdf", "scan3.pdf"});
    program.Type("請求書");
    program.Pick("scan2.pdf");
    EXPECT_EQ(OnDisk(), (Names{"scan2.pdf", "scan3.pdf", "請求書.pdf"}));
    EXPECT_EQ(program.Rows(), (Names{"scan2.pdf", "scan3.pdf", "請求書.pdf"}));
    EXPECT_EQ(program.SelectedRow(), "scan2.pdf");
    EXPECT_EQ(Current(), dir / "scan2.pdf");
    EXPECT_EQ(GetText(program->E_Rename), "scan2");
    EXPECT_EQ(ReadFile(dir / "請求書.pdf").substr(0, 5), "%PDF-");
}

TEST_F(RenameInPdfMode, RenameButtonReloadsUnderTheNewName) {
    Prepare({"a.pdf"});
    program.Type("new");
    program.PressRename();
    EXPECT_EQ(OnDisk(), Names{"new.pdf"});
    EXPECT_EQ(Current(), dir / "new.pdf");
    EXPECT_EQ(GetText(program->E_Rename), "new");
    EXPECT_EQ(program.Title(), "Quilvane  [" + (dir / "new.pdf") + "]");
    EXPECT_EQ(program.SelectedRow(), "new.pdf");
    EXPECT_EQ(program->PendingNewPath, dir / "new.pdf");
}

TEST_F(RenameInPdfMode, TakenNamesAreRefusedSilently) {
    Prepare({"a.pdf", "b.pdf"});
    WriteFile(dir / "c.PDF", "other");
    for (const Bytes taken : {"b", "A", "C", "b*", "?"}) {
        program.Type(taken);
        program.PressRename();
        EXPECT_EQ(OnDisk(), (Names{"a.pdf", "b.pdf", "c.PDF"})) << taken;
        EXPECT_EQ(Current(), dir / "a.pdf") << taken;
    }
    EXPECT_EQ(ReadFile(dir / "c.PDF"), "other");
    EXPECT_TRUE(program.boxes.shown.empty());
    EXPECT_EQ(GetText(program->E_Rename), "?");  // the typed name stays
}

TEST_F(RenameInPdfMode, ExtensionIsTheModesInLowerCase) {
    Prepare({"scan.PDF"});
    program.PressRename();  // "scan" composes scan.pdf, which finds scan.PDF
    EXPECT_EQ(OnDisk(), Names{"scan.PDF"});
    program.Type("new");
    program.PressRename();
    EXPECT_EQ(OnDisk(), Names{"new.pdf"});
}

TEST_F(RenameInPdfMode, FourByteRuleRenamesAnOddExtensionEvenUnchanged) {
    MakePdf(dir / "report.pdfx");
    program->LoadDocument(dir / "report.pdfx");
    EXPECT_EQ(GetText(program->E_Rename), "report.");
    program.PressRename();
    EXPECT_EQ(OnDisk(), Names{"report..pdf"});
}

TEST_F(RenameInPdfMode, ForbiddenCharacterShowsTheErrorBoxAndKeepsTheName) {
    Prepare({"a.pdf"});
    bool renameDisabledMeanwhile = false;
    program.boxes.whileShown = [&](const MessageBoxRequest&) { renameDisabledMeanwhile = !program->B_Rename->isEnabled(); };
    program.Type("a;b");
    program.PressRename();
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    const MessageBoxRequest& box = program.boxes.shown[0];
    EXPECT_EQ(box.kind, MessageBoxRequest::Kind::ForbiddenCharBox);
    EXPECT_EQ(box.caption, "エラー");
    EXPECT_EQ(box.text, "ファイル名に使えない文字があります \\ / : ; * ? \" < > |");
    EXPECT_EQ(TForm1::ForbiddenCharMessage().size(), 20u + 3 * 17);  // 54 bytes in Shift-JIS, 71 in UTF-8
    EXPECT_TRUE(renameDisabledMeanwhile);
    EXPECT_TRUE(program->B_Rename->isEnabled());
    EXPECT_EQ(OnDisk(), Names{"a.pdf"});
    EXPECT_EQ(GetText(program->E_Rename), "a;b");
    // A wildcard that finds nothing is a forbidden character too.
    program.Type("zz*");
    program.PressRename();
    EXPECT_EQ(program.boxes.shown.size(), 2u);
    program.Type("sub/x");
    program.PressRename();
    EXPECT_EQ(program.boxes.shown.size(), 3u);
    EXPECT_EQ(OnDisk(), Names{"a.pdf"});
}

TEST_F(RenameInPdfMode, NamesWithDoubleByteCharactersRenameNormally) {
    Prepare({"a.pdf"});
    for (const Bytes name : {"表示", "ソフト", "ポイント"}) {
        program.Type(name);
        program.PressRename();
        EXPECT_EQ(OnDisk(), Names{name + ".pdf"});
    }
    EXPECT_TRUE(program.boxes.shown.empty());
}

TEST_F(RenameInPdfMode, ConfirmationYesRenamesNoAndCloseBoxChangeNothing) {
    Prepare({"a&b.pdf"});
    program->N_R1->trigger();
    program.Type("x&y");
    bool disabledWhileAsked = false;
    ModalAnswer no(program.form2(), ModalAnswer::Action::No, [&] {
        EXPECT_EQ(program.form2().L_Moto->text(), "a&b.pdf");  // "&" shown as it stands
        EXPECT_EQ(program.form2().L_Shin->text(), "x&y.pdf");
        EXPECT_TRUE(program.form2().L_Moto->isVisible());
        disabledWhileAsked = !program->B_Rename->isEnabled();
    });
    program.PressRename();
    EXPECT_TRUE(no.Fired());
    EXPECT_TRUE(disabledWhileAsked);
    EXPECT_EQ(OnDisk(), Names{"a&b.pdf"});
    EXPECT_EQ(GetText(program->E_Rename), "x&y");
    ModalAnswer closed(program.form2(), ModalAnswer::Action::CloseBox);
    program.PressRename();
    EXPECT_TRUE(closed.Fired());
    EXPECT_EQ(OnDisk(), Names{"a&b.pdf"});
    ModalAnswer yes(program.form2(), ModalAnswer::Action::Yes);
    program.PressRename();
    EXPECT_TRUE(yes.Fired());
    EXPECT_EQ(OnDisk(), Names{"x&y.pdf"});
    EXPECT_EQ(Current(), dir / "x&y.pdf");
    EXPECT_TRUE(program->B_Rename->isEnabled());
}

TEST_F(RenameInPdfMode, ConfirmationKeysPressTheFocusedButtonAndEscapeDoesNothing) {
    Prepare({"a.pdf"});
    program->N_R1->trigger();
    program.Type("b");
    TForm2& dialog = program.form2();
    bool stayedOnEscape = false;
    ModalAnswer enterOnNo(dialog, ModalAnswer::Action::ByBeforeAnswer, [&] {
        QTest::keyClick(&dialog, Qt::Key_Escape);
        stayedOnEscape = dialog.isVisible();
        dialog.Button2->setFocus();
        QTest::keyClick(dialog.Button2, Qt::Key_Return);
    });
    program.PressRename();
    EXPECT_TRUE(enterOnNo.Fired());
    EXPECT_TRUE(stayedOnEscape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(OnDisk(), Names{"a.pdf"});
    ModalAnswer spaceOnYes(dialog, ModalAnswer::Action::ByBeforeAnswer, [&] {
        dialog.Button1->setFocus();
        QTest::keyClick(dialog.Button1, Qt::Key_Space);
    });
    program.PressRename();
    EXPECT_TRUE(spaceOnYes.Fired());
    EXPECT_EQ(OnDisk(), Names{"b.pdf"});
}

TEST_F(RenameInPdfMode, ConfirmationDialogRemembersPlaceAndFocus) {
    Prepare({"a.pdf"});
    program->N_R1->trigger();
    program.Type("b");
    TForm2& dialog = program.form2();
    QPoint firstPlace;
    ModalAnswer first(dialog, ModalAnswer::Action::No, [&] {
        EXPECT_EQ(dialog.focusWidget(), dialog.Button1);
        firstPlace = dialog.pos();
        dialog.move(firstPlace + QPoint(40, 30));  // the user drags it
        dialog.Button2->setFocus();
    });
    program.PressRename();
    ASSERT_TRUE(first.Fired());
    ModalAnswer second(dialog, ModalAnswer::Action::No, [&] {
        EXPECT_EQ(dialog.pos(), firstPlace + QPoint(40, 30));
        EXPECT_EQ(dialog.focusWidget(), dialog.Button2);
    });
    program.PressRename();
    EXPECT_TRUE(second.Fired());
}

TEST_F(RenameInPdfMode, FileAppearingAtTheTargetBeforeTheMoveSurvives) {
    Prepare({"a.pdf"});
    program->N_R1->trigger();
    program.Type("b");
    // The target is free when checked; another program creates it while the dialog asks.
    ModalAnswer yes(program.form2(), ModalAnswer::Action::Yes, [&] { WriteFile(dir / "b.pdf", "someone else's"); });
    program.PressRename();
    ASSERT_TRUE(yes.Fired());
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "someone else's");
    EXPECT_EQ(ReadFile(dir / "a.pdf").substr(0, 5), "%PDF-");
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_EQ(program.boxes.shown[0].kind, MessageBoxRequest::Kind::ErrorDisplay);
    EXPECT_EQ(program.boxes.shown[0].text, "「a.pdf」の名前を「b.pdf」に変更できませんでした: 同じ名前のファイルが既にあります.");
    EXPECT_EQ(Current(), dir / "a.pdf");
}

TEST_F(RenameInPdfMode, RefusedMoveIsReportedAndNothingIsLoaded) {
    Prepare({"a.pdf", "b.pdf"});
    const Bytes tooLong(300, 'n');
    program.Type(tooLong);
    program.Pick("b.pdf");
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_TRUE(program.boxes.shown[0].text.endsWith("ファイル名が長すぎます."));
    // The pick ended with the error: the current file is still the first.
    EXPECT_EQ(Current(), dir / "a.pdf");
    EXPECT_EQ(OnDisk(), (Names{"a.pdf", "b.pdf"}));
    EXPECT_EQ(GetText(program->E_Rename), tooLong);
}

TEST_F(RenameInPdfMode, FolderAtTheTargetIsNotReplacedAndTheRefusalIsShown) {
    Prepare({"a.pdf"});
    MakeFolder(dir / "b.pdf");  // the exists test counts only files
    program.Type("b");
    program.PressRename();
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_TRUE(program.boxes.shown[0].text.startsWith("「a.pdf」の名前を「b.pdf」に変更できませんでした"));
    EXPECT_EQ(Current(), dir / "a.pdf");
    EXPECT_EQ(ReadFile(dir / "a.pdf").substr(0, 5), "%PDF-");
}

TEST_F(RenameInPdfMode, ReadOnlyFolderRefusesTheMove) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    Prepare({"a.pdf"});
    chmod(dir.Path().c_str(), 0555);
    program.Type("b");
    program.PressRename();
    chmod(dir.Path().c_str(), 0755);
    ASSERT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_TRUE(program.boxes.shown[0].text.endsWith("アクセスが拒否されました."));
    EXPECT_EQ(OnDisk(), Names{"a.pdf"});
}

TEST_F(RenameInPdfMode, ForbiddenNameOnAPickShowsTheBoxThenLoadsThePickedFile) {
    Prepare({"a.pdf", "b.pdf"});
    program.Type("a|b");
    program.Pick("b.pdf");
    EXPECT_EQ(program.boxes.shown.size(), 1u);
    EXPECT_EQ(Current(), dir / "b.pdf");
    EXPECT_EQ(GetText(program->E_Rename), "b");
    EXPECT_EQ(OnDisk(), (Names{"a.pdf", "b.pdf"}));
}

TEST_F(RenameInPdfMode, AutomaticRenameOffOnlyLoads) {
    Prepare({"a.pdf", "b.pdf"});
    program->N_R2->trigger();
    program.Type("new");
    program.Pick("b.pdf");
    EXPECT_EQ(OnDisk(), (Names{"a.pdf", "b.pdf"}));
    EXPECT_EQ(GetText(program->E_Rename), "b");
}

TEST_F(RenameInPdfMode, ArrowKeysRenameAtTheFirstStepOnly) {
    Prepare({"p1.pdf", "p2.pdf", "p3.pdf", "p4.pdf"});
    program.Type("first");
    program.Key(Qt::Key_Down);
    EXPECT_EQ(OnDisk(), (Names{"first.pdf", "p2.pdf", "p3.pdf", "p4.pdf"}));
    EXPECT_EQ(Current(), dir / "p2.pdf");
    program.Key(Qt::Key_Down);
    program.Key(Qt::Key_Down);
    EXPECT_EQ(OnDisk(), (Names{"first.pdf", "p2.pdf", "p3.pdf", "p4.pdf"}));
    EXPECT_EQ(Current(), dir / "p4.pdf");
    program.Key(Qt::Key_Home);
    EXPECT_EQ(Current(), dir / "first.pdf");
    program.Key(Qt::Key_End);
    EXPECT_EQ(Current(), dir / "p4.pdf");
    program.Key(Qt::Key_Down);  // already at the end: no pick
    EXPECT_EQ(Current(), dir / "p4.pdf");
    program.Key(Qt::Key_PageUp);
    EXPECT_EQ(Current(), dir / "first.pdf");
}

TEST_F(RenameInPdfMode, TypeToSelectRunsThePickAlsoOnTheSelectedRow) {
    Prepare({"alpha.pdf", "beta.pdf", "bravo.pdf"});
    program.Type("renamed");
    program.Key(Qt::Key_A, "a");  // the current file's own row
    EXPECT_EQ(OnDisk(), (Names{"beta.pdf", "bravo.pdf", "renamed.pdf"}));
    EXPECT_EQ(Current(), dir / "renamed.pdf");
    EXPECT_EQ(program.SelectedRow(), "renamed.pdf");
    QTest::qWait(TListBox::kSearchPauseMs + 50);
    program.Key(Qt::Key_B, "b");
    program.Key(Qt::Key_R, "r");
    EXPECT_EQ(Current(), dir / "bravo.pdf");
    program.Key(Qt::Key_Backspace);
    EXPECT_EQ(Current(), dir / "beta.pdf");  // "b" again: the first row that begins with it
    QTest::qWait(TListBox::kSearchPauseMs + 50);
    program.Key(Qt::Key_R, "r");
    EXPECT_EQ(Current(), dir / "renamed.pdf");
}

TEST(RenameBasics, NothingOpenOrEmptyNameDoesNothing) {
    Program program;
    program.PressRename();
    EXPECT_TRUE(program->B_Rename->isEnabled());
    EXPECT_TRUE(program.boxes.shown.empty());
    program.Key(Qt::Key_Down);  // an empty list: nothing happens
    TempDir dir;
    MakePdf(dir / "a.pdf");
    program.Open(dir / "a.pdf");
    program.Type("");
    program.PressRename();
    EXPECT_EQ(ListNames(dir.Path()), Names{"a.pdf"});
}

TEST(RenameInMp3Mode, RenamesThePlayingRecordingAndReloadsIt) {
    TempDir dir;
    MakeMp3(dir / "rec1.mp3", 500);
    MakeMp3(dir / "rec2.mp3", 500);
    Program program;
    program->Mode1->trigger();
    program.Open(dir / "rec1.mp3");
    EXPECT_EQ(program->SB1->text(), "停止");
    program.Type("会議");
    program.Pick("rec2.mp3");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"rec2.mp3", "会議.mp3"}));
    EXPECT_EQ(GetText(program->E_Filename), dir / "rec2.mp3");
    EXPECT_EQ(program->MP1.FileName, dir / "rec2.mp3");
    EXPECT_TRUE(program->MP1.DeviceOpened);
    program.PressRename();  // unchanged: nothing
    EXPECT_EQ(ListNames(dir.Path()), (Names{"rec2.mp3", "会議.mp3"}));
    EXPECT_TRUE(program.boxes.shown.empty());
}

TEST_F(RenameInPdfMode, NameNotValidInTheLocaleEncodingRenamesByteForByte) {
    const Bytes sjis = ShiftJis("請求");  // 90 BF 8B 81: no byte that looks like a forbidden character
    ASSERT_EQ(sjis, "\x90\xBF\x8B\x81");
    Prepare({sjis + ".pdf", "b.pdf"});
    program.PressRename();  // unchanged: the bytes compose the same path
    EXPECT_EQ(OnDisk(), (Names{"b.pdf", sjis + ".pdf"}));
    // The user adds to the proposed name in the box; the undecodable bytes go back as they were.
    program->E_Rename->setText(program->E_Rename->text() + QStringLiteral("_済"));
    program.Pick("b.pdf");
    EXPECT_EQ(OnDisk(), (Names{"b.pdf", sjis + "_済.pdf"}));
    EXPECT_TRUE(program.boxes.shown.empty());
    // 表 is 95 5C in Shift-JIS; in a UTF-8 locale that 5C is a backslash, and refused as one.
    MakePdf(dir / (ShiftJis("表") + ".pdf"));
    program->LoadDocument(dir / (ShiftJis("表") + ".pdf"));
    program->E_Rename->setText(program->E_Rename->text() + QStringLiteral("2"));
    program.PressRename();
    EXPECT_EQ(program.boxes.shown.size(), 1u);
}

TEST_F(RenameInPdfMode, RemovedCurrentFileDoesNotBlockPicks) {
    Prepare({"a.pdf", "b.pdf", "c.pdf"});
    ASSERT_EQ(unlink((dir / "a.pdf").c_str()), 0);
    program.Pick("b.pdf");  // name unchanged: nothing to rename onto itself
    EXPECT_TRUE(program.boxes.shown.empty());
    EXPECT_EQ(Current(), dir / "b.pdf");
    ASSERT_EQ(unlink((dir / "b.pdf").c_str()), 0);
    program.Type("new");
    program.Pick("c.pdf");
    EXPECT_TRUE(program.boxes.shown.empty());
    EXPECT_EQ(Current(), dir / "c.pdf");
    EXPECT_EQ(OnDisk(), Names{"c.pdf"});
}

TEST_F(RenameInPdfMode, OnlyAPickMovesTheHighlight) {
    Prepare({"a.pdf", "b.pdf", "c.pdf"});
    QWidget* rows = program->ListBox1->viewport();
    const auto center = [&](int row) { return program->ListBox1->visualRect(program->ListBox1->model()->index(row, 0)).center(); };
    QTest::mouseClick(rows, Qt::RightButton, {}, center(2));
    QTest::mouseClick(rows, Qt::MiddleButton, {}, center(1));
    QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, center(0));  // the current row: a pick again
    QTest::keyClick(program->ListBox1, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(program.SelectedRow(), "a.pdf");
    // Pressed on b, dragged to c and released there: b was picked, and stays highlighted.
    QTest::mousePress(rows, Qt::LeftButton, {}, center(1));
    QMouseEvent drag(QEvent::MouseMove, center(2), rows->mapToGlobal(center(2)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(rows, &drag);
    QTest::mouseRelease(rows, Qt::LeftButton, {}, center(2));
    EXPECT_EQ(program.SelectedRow(), "b.pdf");
    EXPECT_EQ(Current(), dir / "b.pdf");
    QTest::keyClick(program->ListBox1, Qt::Key_Right);  // as Down in a one-column list
    EXPECT_EQ(Current(), dir / "c.pdf");
    EXPECT_EQ(program.SelectedRow(), "c.pdf");
}
