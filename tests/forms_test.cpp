// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' logic on fake controls and a real folder: what both front ends share.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/CodePage.h"
#include "support/Literals.h"
#include "forms/SeriesName.h"
#include "names/Dates.h"
#include "support/ControlDoubles.h"
#include "TestFiles.h"  // the platform's file helpers, picked in CMake

namespace {

using Names = std::vector<Bytes>;

// A Japanese name in the system code page.
Bytes Jp(const std::u16string& text) { return FromUtf16(text); }

// An MCI whose every command succeeds at once, silently.
struct SilentMci : MciApi {
    MCIERROR SendCommand(MCIDEVICEID, UINT message, DWORD_PTR, DWORD_PTR params) override {
        if (message == MCI_OPEN) reinterpret_cast<MCI_OPEN_PARMSA*>(params)->wDeviceID = 1;
        return 0;
    }
    bool GetErrorString(MCIERROR, char*, UINT) override { return false; }
};

class FormLogic : public testing::Test {
protected:
    void Open(const Bytes& name) {
        forms.logic.ExecuteOpenDialog = [&](TOpenDialog& dialog) {
            dialog.FileName = dir / name;
            return true;
        };
        forms.logic.B_OpenClick();
    }
    Bytes Current() const { return forms.e_Filename.text; }
    Bytes Selected() const { return forms.list.selected < 0 ? Bytes("(none)") : forms.list.rows[forms.list.selected]; }
    TempDir dir;
    SilentMci mci;
    FakeForms forms{mci};
};

}  // namespace

TEST_F(FormLogic, NamingAFolderOneFileAfterAnother) {
    // Windows' *.pdf also matches d.pdfx, through its short name.
    for (const char* name : {"scan1.pdf", "scan2.pdf", "scan10.pdf", "notes.txt", "d.pdfx"}) WriteFile(dir / name, "x");
    Open("scan1.pdf");
    EXPECT_EQ(forms.list.rows, (Names{"scan1.pdf", "scan2.pdf", "scan10.pdf"}));
    EXPECT_EQ(Selected(), "scan1.pdf");
    EXPECT_EQ(forms.e_Rename.text, "scan1");
    EXPECT_EQ(forms.window.caption, "Quilvane  [" + dir / "scan1.pdf" + "]");
    EXPECT_EQ(forms.viewer.loads.back(), dir / "scan1.pdf");

    forms.e_Rename.text = Jp(u"請求書");
    forms.Pick("scan2.pdf");  // renames the current file, then loads the picked one
    EXPECT_EQ(ListNames(dir.Path()), (Names{"d.pdfx", "notes.txt", "scan10.pdf", "scan2.pdf", Jp(u"請求書.pdf")}));
    EXPECT_EQ(forms.list.rows, (Names{"scan2.pdf", "scan10.pdf", Jp(u"請求書.pdf")}));
    EXPECT_EQ(Selected(), "scan2.pdf");
    EXPECT_EQ(Current(), dir / "scan2.pdf");

    forms.e_Rename.text = "a?b";
    forms.Pick("scan10.pdf");  // the error box, then the picked file
    EXPECT_EQ(forms.boxes.texts, Names{Form1Logic::ForbiddenCharMessage()});
    EXPECT_EQ(Current(), dir / "scan10.pdf");
    EXPECT_EQ(forms.e_Rename.text, "scan10");

    forms.e_Rename.text = Jp(u"請求書");  // taken: refused in silence
    forms.logic.B_RenameClick();
    EXPECT_EQ(Current(), dir / "scan10.pdf");
    EXPECT_TRUE(forms.b_Rename.enabled);
}

TEST_F(FormLogic, AStepListsOnlyWhatChangedInTheFolder) {
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) WriteFile(dir / name, "x");
    Open("a.pdf");
    const int listed = forms.list.added;
    forms.Pick("b.pdf");
    EXPECT_EQ(forms.list.added, listed);
    EXPECT_EQ(Selected(), "b.pdf");
    forms.e_Rename.text = "b10";  // our own rename: one row goes, one comes, in natural order
    forms.Pick("c.pdf");
    EXPECT_EQ(forms.list.rows, (Names{"a.pdf", "b10.pdf", "c.pdf"}));
    EXPECT_EQ(forms.list.added, listed);  // moved in place, nothing listed again
    EXPECT_EQ(Selected(), "c.pdf");
    forms.e_Rename.text = "0";  // to the top, past the rows before it
    forms.Pick("a.pdf");
    EXPECT_EQ(forms.list.rows, (Names{"0.pdf", "a.pdf", "b10.pdf"}));
    EXPECT_EQ(Selected(), "a.pdf");
    forms.logic.SetMode(1);  // another kind of file, the same folder
    WriteFile(dir / "r.mp3", "x");
    Open("r.mp3");
    EXPECT_EQ(forms.list.rows, (Names{"r.mp3"}));
}

TEST_F(FormLogic, ConfirmationAndARemovedCurrentFile) {
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) WriteFile(dir / name, "x");
    Open("a.pdf");
    forms.N_R1.checked = true;
    forms.e_Rename.text = "x";
    forms.dialog.answer = [&] { forms.form2.Button2Click(); };  // いいえ
    forms.logic.B_RenameClick();
    EXPECT_EQ(forms.l_Moto.caption, "a.pdf");
    EXPECT_EQ(forms.l_Shin.caption, "x.pdf");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a.pdf", "b.pdf", "c.pdf"}));
    forms.dialog.answer = [&] { forms.form2.Button1Click(); };  // はい
    forms.logic.B_RenameClick();
    EXPECT_EQ(ListNames(dir.Path()), (Names{"b.pdf", "c.pdf", "x.pdf"}));
    EXPECT_EQ(Current(), dir / "x.pdf");
    // Another program removes the current file: a pick renames nothing and loads.
    ASSERT_EQ(std::remove((dir / "x.pdf").c_str()), 0);
    forms.e_Rename.text = "y";
    forms.Pick("b.pdf");
    EXPECT_EQ(forms.dialog.shown, 2);
    EXPECT_EQ(Current(), dir / "b.pdf");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"b.pdf", "c.pdf"}));
}

TEST_F(FormLogic, UndoWalksBackAndRefusesWhatChangedMeanwhile) {
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) WriteFile(dir / name, name);
    Open("a.pdf");
    EXPECT_FALSE(forms.N_Undo.enabled);
    for (const char* name : {"one", "two", "three"}) {  // a → one, b → two, c → three, each by a pick
        forms.e_Rename.text = name;
        forms.Pick(forms.list.rows[forms.list.selected + 1]);
    }
    EXPECT_EQ(ListNames(dir.Path()), (Names{"d.pdf", "one.pdf", "three.pdf", "two.pdf"}));
    EXPECT_TRUE(forms.N_Undo.enabled);
    EXPECT_EQ(forms.logic.Journal.AsText(), "名前の変更: " + dir / "c.pdf → three.pdf\n" + "名前の変更: " + dir / "b.pdf → two.pdf\n" +
                                                "名前の変更: " + dir / "a.pdf → one.pdf\n");
    forms.logic.N_UndoClick();  // three → c: not current, the list follows
    EXPECT_EQ(ListNames(dir.Path()), (Names{"c.pdf", "d.pdf", "one.pdf", "two.pdf"}));
    EXPECT_EQ(forms.list.rows, (Names{"c.pdf", "d.pdf", "one.pdf", "two.pdf"}));
    // two's old name taken meanwhile: refused with the reason, nothing moves.
    WriteFile(dir / "b.pdf", "another");
    EXPECT_THROW(forms.logic.N_UndoClick(), Exception);
    try {
        forms.logic.N_UndoClick();
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "「two.pdf」を「b.pdf」に戻せませんでした: 同じ名前のファイルが既にあります");
    }
    EXPECT_EQ(ReadFile(dir / "two.pdf"), "b.pdf");
    // one replaced by another file of the same name: refused.
    ASSERT_EQ(std::remove((dir / "one.pdf").c_str()), 0);
    WriteFile(dir / "one.pdf", "replaced");
    try {
        forms.logic.UndoRename(0);
        ADD_FAILURE() << "undo of a replaced file went through";
    } catch (const Exception& error) {
        EXPECT_EQ(error.Message(), "「one.pdf」を「a.pdf」に戻せませんでした: 別のファイルに置き換えられています");
    }
    ASSERT_EQ(std::remove((dir / "b.pdf").c_str()), 0);
    forms.logic.N_UndoClick();  // now two → b goes through
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "b.pdf");
    EXPECT_EQ(forms.logic.Journal.Size(), 1u);
}

TEST_F(FormLogic, UndoWithoutBirthTimesRefusesANewFileUnderAReusedNumber) {
    // As on NFSv3 or FUSE: no birth time, and the freed file number goes straight to the next file.
    forms.logic.IdentityOf = [](const Bytes& path) {
        auto identity = IdentityOfPath(path);
        if (identity) identity->born = 0, identity->file = 7;
        return identity;
    };
    for (const char* name : {"a.pdf", "b.pdf"}) WriteFile(dir / name, "scanned");
    Open("a.pdf");
    forms.e_Rename.text = "one";
    forms.logic.B_RenameClick();
    ASSERT_EQ(std::remove((dir / "one.pdf").c_str()), 0);
    WriteFile(dir / "one.pdf", "another program's file");
    EXPECT_THROW(forms.logic.N_UndoClick(), Exception);
    EXPECT_EQ(ListNames(dir.Path()), (Names{"b.pdf", "one.pdf"}));
    EXPECT_EQ(ReadFile(dir / "one.pdf"), "another program's file");
}

TEST_F(FormLogic, AFailedPickLeavesTheCurrentFileHighlighted) {
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf"}) WriteFile(dir / name, "x");
    MakeFolder(dir / "taken.pdf");
    Open("a.pdf");
    forms.e_Rename.text = "taken";  // the move is refused: a folder holds the name
    EXPECT_THROW(forms.Pick("c.pdf"), Exception);
    EXPECT_EQ(Current(), dir / "a.pdf");
    EXPECT_EQ(Selected(), "a.pdf");
}

// A file that cannot be shown gets its error box, and the loop goes on past
// it: Enter and Down step to the file after it, Delete trashes it.
TEST_F(FormLogic, AFileThatCannotBeShownNeverStopsTheLoop) {
    TempDir data;
    TestTrash trash(data.Path());
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) WriteFile(dir / name, "x");
    forms.viewer.damaged = "b.pdf";
    Open("a.pdf");
    forms.e_Rename.text = "a1";
    EXPECT_THROW(forms.logic.E_RenameEnter(1), Exception);  // renamed, then b fails to show
    EXPECT_EQ(Current(), dir / "a1.pdf");
    EXPECT_EQ(Selected(), "b.pdf");
    forms.logic.E_RenameEnter(1);  // past it
    EXPECT_EQ(Current(), dir / "c.pdf");
    EXPECT_THROW(forms.Pick("b.pdf"), Exception);  // the arrow key back onto it
    forms.logic.N_TrashClick();                      // Delete in the list: the highlighted file goes
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a1.pdf", "c.pdf", "d.pdf"}));
    EXPECT_EQ(Current(), dir / "c.pdf");
    EXPECT_EQ(Selected(), "c.pdf");
    EXPECT_THROW(forms.logic.N_UndoClick(), Exception);  // back like any trashing, and still not shown
    EXPECT_TRUE(PathExists(dir / "b.pdf"));
    EXPECT_EQ(Current(), dir / "c.pdf");
}

TEST_F(FormLogic, UndoOfTheCurrentRecordingReloadsItUnderItsOldName) {
    for (const char* name : {"rec1.mp3", "rec2.mp3"}) WriteFile(dir / name, "x");
    forms.logic.SetMode(1);
    Open("rec1.mp3");
    forms.e_Rename.text = Jp(u"会議");
    forms.logic.B_RenameClick();
    EXPECT_EQ(Current(), dir / Jp(u"会議.mp3"));
    forms.logic.N_UndoClick();
    EXPECT_EQ(Current(), dir / "rec1.mp3");
    EXPECT_EQ(forms.e_Rename.text, "rec1");
    EXPECT_EQ(forms.window.caption, "Quilvane  [" + dir / "rec1.mp3" + "]");
    EXPECT_EQ(Selected(), "rec1.mp3");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"rec1.mp3", "rec2.mp3"}));
    EXPECT_FALSE(forms.N_Undo.enabled);
}

TEST(SeriesName, StepsTheLastNumberKeepingItsForm) {
    const CodePage cp932 = CodePage::FromNumber(932);
    const auto step = [&](const Bytes& name, int delta) { return StepLastNumber(name, delta, LiteralCodePage()).value_or("(none)"); };
    EXPECT_EQ(step("scan_009", 1), "scan_010");
    EXPECT_EQ(step("scan_010", -1), "scan_009");
    EXPECT_EQ(step("議事録_第１２回", 1), "議事録_第１３回");
    EXPECT_EQ(step("第１９回", 1), "第２０回");
    EXPECT_EQ(step("99", 1), "100");
    EXPECT_EQ(step("v2_part99", 1), "v2_part100");
    EXPECT_EQ(step("10", -1), "9");
    EXPECT_EQ(step("a0", -1), "(none)");
    EXPECT_EQ(step("議事録", 1), "(none)");
    EXPECT_EQ(step("12345678901234567890", 1), "12345678901234567891");
    // In Shift-JIS the full-width digits are double-byte characters.
    EXPECT_EQ(StepLastNumber(FromUtf16(u"第１２回", cp932), 1, cp932), FromUtf16(u"第１３回", cp932));
}

TEST_F(FormLogic, SeriesKeysFillTheBoxFromTheLastRename) {
    for (const char* name : {"s1.pdf", "s2.pdf"}) WriteFile(dir / name, "x");
    Open("s1.pdf");
    forms.logic.StepSeries(1);  // no rename yet: nothing
    EXPECT_EQ(forms.e_Rename.text, "s1");
    forms.e_Rename.text = "scan_009";
    forms.Pick("s2.pdf");
    forms.logic.StepSeries(1);
    EXPECT_EQ(forms.e_Rename.text, "scan_010");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"s2.pdf", "scan_009.pdf"}));  // only the box changed
}

namespace {

// Candidates kept for some paths; records what the logic asks for.
struct FakeNameSource : NameSource {
    std::map<Bytes, Names> kept;
    std::map<Bytes, FileFields> fields;
    std::vector<std::pair<Bytes, Names>> requests;  // the path and what is read ahead
    int cancels = 0;
    bool enabled = true;
    std::vector<Bytes> examples;
    std::optional<FileNames> Request(const Bytes& path, const Names& readAhead) override {
        requests.emplace_back(path, readAhead);
        return Kept(path);
    }
    std::optional<FileNames> Kept(const Bytes& path) const override {
        const auto found = kept.find(path);
        return found == kept.end() ? std::nullopt : std::optional<FileNames>({found->second, fields.count(path) ? fields.at(path) : FileFields{}});
    }
    void RequestExamples(const Bytes& folder, const std::vector<Bytes>& names) override {
        examples.clear();
        for (const Bytes& name : names) examples.push_back(folder + name);
    }
    void Cancel() override { ++cancels; }
    void SetEnabled(bool on) override { enabled = on; }
};

}  // namespace

TEST_F(FormLogic, NameCandidatesFollowTheFileShownAndGoInAtTheCursor) {
    for (const char* name : {"s1.pdf", "s2.pdf", "s3.pdf", "s4.pdf"}) WriteFile(dir / name, "x");
    FakeNameSource source;
    forms.logic.Names = &source;
    Open("s1.pdf");
    EXPECT_EQ(source.requests.back(), (std::pair<Bytes, Names>{dir / "s1.pdf", {dir / "s2.pdf", dir / "s3.pdf"}}));
    EXPECT_EQ(forms.nameList.rows, Names{Jp(u"読み取り中…")});
    EXPECT_FALSE(forms.nameList.choosable);

    forms.logic.NamesRead(dir / "s2.pdf", {{"late"}, {}});  // not the file shown: kept by the reader, not shown
    EXPECT_EQ(forms.nameList.rows, Names{Jp(u"読み取り中…")});
    forms.logic.NamesRead(dir / "s1.pdf", {{"2026-03-31", Jp(u"請求書")}, {}});
    EXPECT_TRUE(forms.nameList.choosable);
    forms.e_Rename.cursor = 0, forms.e_Rename.selected = 2;  // "s1" selected: replaced
    forms.logic.NameListChoose(0);
    forms.e_Rename.ReplaceSelection("_");
    forms.logic.NameListChoose(1);
    forms.logic.NameListChoose(2);  // no such row
    EXPECT_EQ(forms.e_Rename.text, "2026-03-31_" + Jp(u"請求書"));
    EXPECT_EQ(ListNames(dir.Path()), (Names{"s1.pdf", "s2.pdf", "s3.pdf", "s4.pdf"}));  // choosing never renames

    // A pick renames first; the last row reads nothing ahead.
    source.kept[dir / "s4.pdf"] = {};
    forms.Pick("s4.pdf");
    EXPECT_EQ(source.requests.back(), (std::pair<Bytes, Names>{dir / "s4.pdf", {}}));
    EXPECT_EQ(forms.nameList.rows, Names{Jp(u"候補なし")});
    EXPECT_FALSE(forms.nameList.choosable);
    forms.logic.NameListChoose(0);
    EXPECT_EQ(forms.e_Rename.text, "s4");

    // Off: nothing is asked for and the list cannot be opened; on again, the file shown is read.
    forms.logic.N_NamesClick();
    EXPECT_FALSE(forms.N_Names.checked);
    EXPECT_FALSE(source.enabled);
    EXPECT_FALSE(forms.nameList.enabled);
    const std::size_t asked = source.requests.size();
    forms.Pick("s2.pdf");
    EXPECT_EQ(source.requests.size(), asked);
    forms.logic.NamesRead(dir / "s2.pdf", {{"late"}, {}});
    EXPECT_NE(forms.nameList.rows, Names{"late"});
    forms.logic.N_NamesClick();
    EXPECT_TRUE(forms.nameList.enabled);
    EXPECT_EQ(source.requests.back().first, dir / "s2.pdf");

    const int cancels = source.cancels;
    forms.logic.SetMode(1);  // what was being read is no longer needed
    EXPECT_GT(source.cancels, cancels);
}

// An invoice's fields: its date and its kind.
FileFields Invoice(int month) {
    const FoundDate date{2026, month, 1};
    return {{FieldKind::Date, 0, DateForms(date, u"")}, {FieldKind::Kind, 0, {u"請求書"}}};
}

TEST_F(FormLogic, TwoNamesGivenByHandTeachTheThirdFilesName) {
    FakeNameSource source;
    for (int i = 1; i <= 4; ++i) {
        const Bytes path = dir / ("scan0" + std::to_string(i) + ".pdf");
        WriteFile(path, "x");
        source.kept[path] = {"2026-0" + std::to_string(i) + "-01", Jp(u"請求書")};
        source.fields[path] = Invoice(i);
    }
    forms.logic.Names = &source;
    Open("scan01.pdf");
    for (const char16_t* typed : {u"2026-01-01_請求書", u"請求書_2026-02-01"}) {
        forms.e_Rename.text = Jp(typed);
        forms.logic.E_RenameEnter(1);
    }
    // The newest name's scheme, first in the list; the box keeps the file's own name.
    EXPECT_EQ(Current(), dir / "scan03.pdf");
    EXPECT_EQ(forms.nameList.rows, (Names{Jp(u"請求書_2026-03-01"), "2026-03-01", Jp(u"請求書")}));
    EXPECT_EQ(forms.e_Rename.text, "scan03");

    // On: the box holds it, selected, and Enter alone renames to it.
    forms.logic.N_FillProposedClick();
    EXPECT_EQ(forms.e_Rename.text, Jp(u"請求書_2026-03-01"));
    EXPECT_EQ(forms.e_Rename.selected, forms.e_Rename.text.size());
    forms.logic.E_RenameEnter(1);
    EXPECT_TRUE(Exists(dir / Jp(u"請求書_2026-03-01.pdf")));
    EXPECT_EQ(forms.e_Rename.text, Jp(u"請求書_2026-04-01"));
    // What the user typed stays when the names come again.
    forms.e_Rename.text = "typed";
    forms.logic.NamesRead(dir / "scan04.pdf", *source.Kept(dir / "scan04.pdf"));
    EXPECT_EQ(forms.e_Rename.text, "typed");
    forms.e_Rename.text = "x";
    forms.logic.E_RenameEnter(1);
    EXPECT_TRUE(Exists(dir / "x.pdf"));  // unrelated: nothing learnt, nothing forgotten
    EXPECT_EQ(ComposeName(*forms.logic.Scheme(), Invoice(9)), u"請求書_2026-09-01");
    // Renames undone were mistakes: the first name's scheme is left.
    for (int undo = 0; undo < 3; ++undo) forms.logic.N_UndoClick();
    EXPECT_EQ(ComposeName(*forms.logic.Scheme(), Invoice(9)), u"2026-09-01_請求書");
}

// Browsing with the setting on renames nothing: a proposed name becomes the
// user's by Enter or the button, or once edited.
TEST_F(FormLogic, APickLeavesAFileWithItsNameOnlyProposed) {
    FakeNameSource source;
    for (int i = 1; i <= 3; ++i) {
        const Bytes path = dir / ("scan0" + std::to_string(i) + ".pdf");
        WriteFile(path, "x");
        source.kept[path] = {};
        source.fields[path] = Invoice(i);
    }
    forms.logic.Names = &source;
    forms.logic.N_FillProposedClick();
    Open("scan01.pdf");
    forms.logic.NamesRead(dir / Jp(u"2026-12-01_請求書.pdf"), {{}, Invoice(12)});
    EXPECT_EQ(forms.e_Rename.text, Jp(u"2026-01-01_請求書"));
    forms.Pick("scan02.pdf");
    EXPECT_TRUE(Exists(dir / "scan01.pdf"));
    EXPECT_EQ(forms.e_Rename.text, Jp(u"2026-02-01_請求書"));
    forms.e_Rename.text = "mine";  // typed over: the pick renames
    forms.Pick("scan03.pdf");
    EXPECT_TRUE(Exists(dir / "mine.pdf"));
    forms.logic.E_RenameEnter(1);
    EXPECT_TRUE(Exists(dir / Jp(u"2026-03-01_請求書.pdf")));
}

TEST_F(FormLogic, TheFoldersOwnNamesTeachBeforeTheFirstRename) {
    FakeNameSource source;
    for (const char* name : {"IMG_0001.pdf", "scan0002.pdf"}) WriteFile(dir / name, "x");
    const Bytes named = dir / Jp(u"2026-12-01 請求書.pdf");
    WriteFile(named, "x");
    source.kept[dir / "scan0002.pdf"] = {"2026-02-01"};
    source.fields[dir / "scan0002.pdf"] = Invoice(2);
    forms.logic.Names = &source;
    Open("scan0002.pdf");
    EXPECT_EQ(source.examples, (Names{named, dir / "IMG_0001.pdf", dir / "scan0002.pdf"}));
    EXPECT_EQ(forms.nameList.rows, Names{"2026-02-01"});
    forms.logic.NamesRead(named, {{}, Invoice(12)});
    EXPECT_EQ(forms.nameList.rows, (Names{Jp(u"2026-02-01 請求書"), "2026-02-01"}));
}

TEST_F(FormLogic, EnterRenamesAndStepsOnBackAtShiftAndStaysAtTheEnd) {
    for (const char* name : {"s1.pdf", "s2.pdf", "s3.pdf"}) WriteFile(dir / name, "x");
    MakeFolder(dir / "taken.pdf");
    forms.N_R2.checked = false;  // Enter renames by itself, not through the pick's automatic rename
    Open("s1.pdf");
    forms.e_Rename.text = "z1";  // its row moves to the end: the step goes to the file after its old row
    forms.logic.E_RenameEnter(1);
    EXPECT_EQ(Current(), dir / "s2.pdf");
    EXPECT_EQ(Selected(), "s2.pdf");
    forms.e_Rename.text = "a0";  // first row: Shift+Enter renames and stays
    forms.logic.E_RenameEnter(-1);
    EXPECT_EQ(Current(), dir / "a0.pdf");
    forms.logic.E_RenameEnter(1);  // the name unchanged: only the step
    EXPECT_EQ(Current(), dir / "s3.pdf");
    forms.e_Rename.text = "taken";  // refused: no step
    EXPECT_THROW(forms.logic.E_RenameEnter(1), Exception);
    EXPECT_EQ(Current(), dir / "s3.pdf");
    EXPECT_EQ(Selected(), "s3.pdf");

    forms.N_R1.checked = forms.N_R2.checked = true;
    forms.e_Rename.text = "q";
    forms.dialog.answer = [&] { forms.form2.Button2Click(); };  // いいえ: no step either
    forms.logic.E_RenameEnter(1);
    EXPECT_EQ(Current(), dir / "s3.pdf");
    forms.dialog.answer = [&] { forms.form2.Button1Click(); };  // はい: the pick finds nothing left to rename
    forms.logic.E_RenameEnter(1);
    EXPECT_EQ(Current(), dir / "z1.pdf");
    EXPECT_EQ(forms.dialog.shown, 2);
    forms.e_Rename.text = "zz";  // the last row: renames and stays
    forms.logic.E_RenameEnter(1);
    EXPECT_EQ(Current(), dir / "zz.pdf");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a0.pdf", "q.pdf", "taken.pdf", "zz.pdf"}));
    WriteFile(dir / "SCAN.PDF", "x");  // a scanner's name left as it is: Enter steps on
    Open("SCAN.PDF");
    forms.logic.E_RenameEnter(1);
    EXPECT_EQ(Current(), dir / "zz.pdf");
}

TEST_F(FormLogic, TrashAndMoveStepOnAndUndoWalksBackThroughEverything) {
    TempDir done, one, data;
    TestTrash trash(data.Path());
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) WriteFile(dir / name, name);
    Open("a.pdf");
    forms.logic.N_TrashClick();  // the next file is current
    EXPECT_EQ(Current(), dir / "b.pdf");
    EXPECT_EQ(forms.list.rows, (Names{"b.pdf", "c.pdf", "d.pdf"}));

    forms.logic.ExecuteFolderDialog = [&](Bytes& folder) {
        EXPECT_EQ(folder, dir.Path());  // the chooser starts where the file is
        folder = done.Path();
        return true;
    };
    forms.logic.N_MoveClick();  // asks once for the folder, then moves
    forms.logic.ExecuteFolderDialog = nullptr;
    EXPECT_EQ(Current(), dir / "c.pdf");
    forms.e_Rename.text = "c2";
    forms.logic.B_RenameClick();
    WriteFile(done / "d.pdf", "theirs");
    forms.Pick("d.pdf");
    EXPECT_THROW(forms.logic.N_MoveClick(), Exception);  // the name is taken there: refused, nothing moves
    EXPECT_EQ(ReadFile(done / "d.pdf"), "theirs");
    forms.logic.N_TrashClick();  // the last row: the previous file is current
    EXPECT_EQ(Current(), dir / "c2.pdf");
    EXPECT_EQ(ListNames(dir.Path()), (Names{"c2.pdf"}));
    const Bytes history = forms.logic.Journal.AsText();
    EXPECT_EQ(history.substr(0, history.find('\n')), Jp(u"ごみ箱: ") + dir / "d.pdf");
    EXPECT_NE(history.find(Jp(u"移動: ") + dir / "b.pdf → " + done.Path()), Bytes::npos) << history;

    WriteFile(dir / "d.pdf", "new");  // its old name taken meanwhile: undo refuses, the trash keeps it
    EXPECT_THROW(forms.logic.N_UndoClick(), Exception);
    ASSERT_EQ(std::remove((dir / "d.pdf").c_str()), 0);
    for (int i = 0; i < 4; ++i) forms.logic.N_UndoClick();  // trash, rename, move, trash: newest first
    EXPECT_TRUE(forms.logic.Journal.Empty());
    EXPECT_EQ(ListNames(dir.Path()), (Names{"a.pdf", "b.pdf", "c.pdf", "d.pdf"}));
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) EXPECT_EQ(ReadFile(dir / name), name);
    EXPECT_EQ(ListNames(done.Path()), (Names{"d.pdf"}));

    // The only file gone: nothing is current, and no page of it stays.
    WriteFile(one / "only.pdf", "x");
    forms.logic.LoadDocument(one / "only.pdf");
    forms.logic.N_TrashClick();
    EXPECT_EQ(Current(), "");
    EXPECT_EQ(forms.window.caption, "Quilvane");
    EXPECT_FALSE(forms.viewer.visible);
    EXPECT_TRUE(forms.boxes.questions.empty());  // no confirmation asked with the setting off
}
