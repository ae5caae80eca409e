// The windows' logic on fake controls and a real folder: what both front ends share.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/ControlDoubles.h"
#include "support/Fixtures.h"

namespace {

using Names = std::vector<Bytes>;

// Stands in for the platform's MCI: PDF mode never reaches it.
struct NoMci : MciApi {
    MCIERROR SendCommand(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR) override { return MCIERR_HARDWARE; }
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
    NoMci mci;
    FakeForms forms{mci};
};

}  // namespace

TEST_F(FormLogic, NamingAFolderOneFileAfterAnother) {
    for (const char* name : {"scan1.pdf", "scan2.pdf", "scan10.pdf", "notes.txt"}) WriteFile(dir / name, "x");
    Open("scan1.pdf");
    EXPECT_EQ(forms.list.rows, (Names{"scan1.pdf", "scan2.pdf", "scan10.pdf"}));
    EXPECT_EQ(Selected(), "scan1.pdf");
    EXPECT_EQ(forms.e_Rename.text, "scan1");
    EXPECT_EQ(forms.window.caption, "Quilvane  [" + dir / "scan1.pdf" + "]");
    EXPECT_EQ(forms.viewer.loads.back(), dir / "scan1.pdf");

    forms.e_Rename.text = "請求書";
    forms.Pick("scan2.pdf");  // renames the current file, then loads the picked one
    EXPECT_EQ(ListNames(dir.Path()), (Names{"notes.txt", "scan10.pdf", "scan2.pdf", "請求書.pdf"}));
    EXPECT_EQ(forms.list.rows, (Names{"scan2.pdf", "scan10.pdf", "請求書.pdf"}));
    EXPECT_EQ(Selected(), "scan2.pdf");
    EXPECT_EQ(Current(), dir / "scan2.pdf");

    forms.e_Rename.text = "a?b";
    forms.Pick("scan10.pdf");  // the error box, then the picked file
    EXPECT_EQ(forms.boxes.texts, Names{Form1Logic::ForbiddenCharMessage()});
    EXPECT_EQ(Current(), dir / "scan10.pdf");
    EXPECT_EQ(forms.e_Rename.text, "scan10");

    forms.e_Rename.text = "請求書";  // taken: refused in silence
    forms.logic.B_RenameClick();
    EXPECT_EQ(Current(), dir / "scan10.pdf");
    EXPECT_TRUE(forms.b_Rename.enabled);
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
