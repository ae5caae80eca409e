// SPDX-License-Identifier: GPL-3.0-or-later
// The Win32 backend under code page 932: real lead bytes, FindFirstFileA,
// MoveFileA and file identity.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "core/CodePage.h"
#include "support/Literals.h"
#include "core/FileNameCheck.h"
#include "core/Paths.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/Trash.h"
#include "platform/win32/Winmm.h"
#include "support/AllocationFaults.h"
#include "support/SearchResults.h"
#include "support/Win32Support.h"

namespace {

Bytes Sjis(const char* text) { return InCodePage(text, CodePage::System()); }


}  // namespace

TEST(Win32CodePage, SystemCodePageIs932WithItsLeadBytes) {
    const CodePage& cp = CodePage::System();
    ASSERT_EQ(cp.Number(), 932u);
    for (int b = 0; b < 256; ++b) {
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(cp.IsLeadByte(static_cast<unsigned char>(b)), lead) << b;
    }
    // The defaults: the system code page and Windows-style paths.
    EXPECT_EQ(Sjis("表"), "\x95\x5C");
    EXPECT_FALSE(HasForbiddenChar(Sjis("表示")));
    EXPECT_FALSE(HasForbiddenChar(Sjis("ソフト")));
    EXPECT_FALSE(HasForbiddenChar(Sjis("ポイント")));
    EXPECT_TRUE(HasForbiddenChar(Sjis("表") + "\\"));
    EXPECT_EQ(FolderPart("C:\\" + Sjis("表") + "\\a.pdf"), "C:\\" + Sjis("表") + "\\");
    EXPECT_EQ(WithTrailingDelimiter("C:\\" + Sjis("表")), "C:\\" + Sjis("表") + "\\");
    // NEC and IBM rows share characters: only the form that comes back decodes.
    EXPECT_EQ(FromUtf16(ToUtf16("\xED\x40")), "\xED\x40");
    EXPECT_EQ(FromUtf16(ToUtf16("\x81")), "\x81");  // a lead byte at the end stays itself
}

TEST(Win32DirectorySearch, MatchesWithoutCaseInNaturalOrderWithFolders) {
    TempDir dir;
    for (const char* name : {"scan10.pdf", "scan2.pdf", "B.PDF", "a.pdf", "notes.txt"}) ASSERT_TRUE(WriteFile(dir / name, "x"));
    const Bytes hyouji = Sjis("表示") + ".pdf";
    ASSERT_EQ(hyouji, "\x95\x5C\x8E\xA6.pdf");
    ASSERT_TRUE(WriteFile(dir / hyouji, "x"));
    ASSERT_TRUE(MakeFolder(dir / "x.pdf"));
    const unsigned long reads = FolderReadCount();
    const auto pdfs = Search(dir.Path() + "*.PDF");
    EXPECT_EQ(FolderReadCount(), reads + 1);
    EXPECT_EQ(Names(pdfs), (std::vector<Bytes>{"a.pdf", "B.PDF", "scan2.pdf", "scan10.pdf", "x.pdf", hyouji}));
    ASSERT_EQ(pdfs.size(), 6u);
    EXPECT_TRUE(pdfs[4].isDirectory);
    EXPECT_FALSE(pdfs[5].isDirectory);
    const auto all = Search(dir.Path() + "*");
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[0].name, ".");
    EXPECT_TRUE(all[0].isDirectory);
    EXPECT_TRUE(Search(dir.Path() + "*.mp3").empty());
    DirectorySearch none(dir / "missing\\*.pdf");
    EXPECT_FALSE(none.Found());
    EXPECT_FALSE(none.Next());

    const auto variant = FindFirstMatch(dir / "SCAN2.pdf");
    ASSERT_TRUE(variant);
    EXPECT_EQ(variant->name, "scan2.pdf");
    EXPECT_FALSE(FindFirstMatch(dir / "q*.pdf"));
    EXPECT_TRUE(FindFirstMatch(dir / "x.pdf")->isDirectory);
    EXPECT_TRUE(PathExists(dir / hyouji));
    EXPECT_FALSE(PathExists(dir / "gone.pdf"));
}

TEST(Win32DirectorySearch, AFolderEndingInTheTrailByte5CIsAFolder) {
    TempDir dir;
    const Bytes folder = dir / Sjis("表");
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(WriteFile(WithTrailingDelimiter(folder) + "a.pdf", "x"));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_TRUE(FolderExists(folder + "\\"));
    EXPECT_FALSE(FolderExists(WithTrailingDelimiter(folder) + "a.pdf"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_EQ(Names(Search(WithTrailingDelimiter(folder) + "*.pdf")), std::vector<Bytes>{"a.pdf"});
}

// The kept listing: what another program does shows at the next search
// without a fresh read; a folder replaced under its path is read afresh.
TEST(Win32DirectorySearch, ChangesByOthersShowWithoutReadingTheFolderAgain) {
    TempDir root;
    const Bytes folder = root / "scans";
    const Bytes dir = folder + "\\";
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(WriteFile(dir + "a.pdf", "x"));
    EXPECT_EQ(Names(Search(dir + "*.pdf")), std::vector<Bytes>{"a.pdf"});
    const unsigned long reads = FolderReadCount();
    ASSERT_TRUE(WriteFile(dir + "b.pdf", "x"));
    EXPECT_EQ(Names(Search(dir + "*.pdf")), (std::vector<Bytes>{"a.pdf", "b.pdf"}));
    const Bytes hyoushi = Sjis("表紙") + ".pdf";  // reported in UTF-16, listed in code page 932
    ASSERT_TRUE(MoveFileA((dir + "a.pdf").c_str(), (dir + hyoushi).c_str()));
    EXPECT_EQ(Names(Search(dir + "*.pdf")), (std::vector<Bytes>{"b.pdf", hyoushi}));
    ASSERT_TRUE(DeleteFileA((dir + "b.pdf").c_str()));
    EXPECT_EQ(Names(Search(dir + "*.pdf")), std::vector<Bytes>{hyoushi});
    ASSERT_TRUE(MakeFolder(dir + "c.pdf"));
    const auto withFolder = Search(dir + "*.pdf");
    ASSERT_EQ(Names(withFolder), (std::vector<Bytes>{"c.pdf", hyoushi}));
    EXPECT_TRUE(withFolder[0].isDirectory);
    EXPECT_FALSE(withFolder[1].isDirectory);
    EXPECT_EQ(FolderReadCount(), reads);

    ASSERT_TRUE(MoveFileA(folder.c_str(), (root / "old").c_str()));
    ASSERT_TRUE(MakeFolder(folder));
    ASSERT_TRUE(WriteFile(dir + "fresh.pdf", "x"));
    EXPECT_EQ(Names(Search(dir + "*.pdf")), std::vector<Bytes>{"fresh.pdf"});
    EXPECT_EQ(FolderReadCount(), reads + 1);
}

TEST(Win32Move, NeverReplacesAndNamesEachRefusal) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir / "a.pdf", "first"));
    ASSERT_TRUE(WriteFile(dir / "b.pdf", "second"));
    ASSERT_TRUE(MakeFolder(dir / "sub"));
    EXPECT_EQ(MoveFileNoReplace(dir / "a.pdf", dir / "b.pdf").reason, "同じ名前のファイルが既にあります");
    EXPECT_EQ(MoveFileNoReplace(dir / "a.pdf", dir / "B.PDF").reason, "同じ名前のファイルが既にあります");
    EXPECT_EQ(MoveFileNoReplace(dir / "a.pdf", dir / "sub").reason, "同じ名前のフォルダがあります");
    EXPECT_EQ(MoveFileNoReplace(dir / "gone.pdf", dir / "c.pdf").reason, "ファイルが見つかりません");
    EXPECT_EQ(MoveFileNoReplace(dir / "a.pdf", dir / "missing\\c.pdf").reason, "ファイルが見つかりません");
    {
        HeldOpen inUse(dir / "a.pdf");
        ASSERT_TRUE(inUse.Held());
        EXPECT_EQ(MoveFileNoReplace(dir / "a.pdf", dir / "c.pdf").reason, "ファイルは使用中です");
    }
    EXPECT_EQ(ReadFile(dir / "a.pdf"), "first");
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "second");

    const auto before = IdentityOfPath(dir / "a.pdf");
    ASSERT_TRUE(before);
    const Bytes hyoushi = dir / (Sjis("表紙") + ".pdf");
    const MoveOutcome moved = MoveFileNoReplace(dir / "a.pdf", hyoushi);
    EXPECT_TRUE(moved.moved) << moved.reason;
    EXPECT_EQ(ReadFile(hyoushi), "first");
    EXPECT_FALSE(PathExists(dir / "a.pdf"));
    // A rename keeps the identity; another file has its own.
    EXPECT_EQ(IdentityOfPath(hyoushi), before);
    EXPECT_NE(IdentityOfPath(dir / "b.pdf"), before);
    EXPECT_FALSE(IdentityOfPath(dir / "a.pdf"));
}

// Under Wine the bin is the freedesktop trash in the build folder's home; the
// test takes back all it puts there.
TEST(Win32Trash, AJapaneseNameGoesToTheBinAndComesBackWhole) {
    TempDir dir;
    const Bytes name = dir / (Sjis("請求書") + " 1.pdf");
    ASSERT_TRUE(WriteFile(name, "first"));
    {
        HeldOpen inUse(name);
        ASSERT_TRUE(inUse.Held());
        EXPECT_EQ(MoveToTrash(name).reason, "ファイルは使用中です");
    }
    const TrashOutcome first = MoveToTrash(name);
    ASSERT_TRUE(first.moved) << first.reason;
    EXPECT_FALSE(PathExists(name));
    EXPECT_EQ(ReadFile(first.trashed.path), "first");
    EXPECT_TRUE(PathExists(first.trashed.info));
    // A second file of the same name is told apart from the first.
    ASSERT_TRUE(WriteFile(name, "second"));
    const TrashOutcome second = MoveToTrash(name);
    ASSERT_TRUE(second.moved) << second.reason;
    EXPECT_EQ(ReadFile(second.trashed.path), "second");

    ASSERT_TRUE(WriteFile(name, "new"));  // the old name taken: restore refuses, the bin keeps its copy
    EXPECT_EQ(RestoreFromTrash(first.trashed, name).reason, "同じ名前のファイルが既にあります");
    EXPECT_EQ(ReadFile(name), "new");
    EXPECT_EQ(ReadFile(first.trashed.path), "first");
    EXPECT_TRUE(PathExists(first.trashed.info));
    ASSERT_TRUE(DeleteFileA(name.c_str()));
    ASSERT_TRUE(RestoreFromTrash(first.trashed, name).moved);
    EXPECT_EQ(ReadFile(name), "first");
    EXPECT_FALSE(PathExists(first.trashed.path));
    EXPECT_FALSE(PathExists(first.trashed.info));  // the bin forgets it
    ASSERT_TRUE(RestoreFromTrash(second.trashed, dir / "back.pdf").moved);
    EXPECT_EQ(ReadFile(dir / "back.pdf"), "second");
    EXPECT_FALSE(PathExists(second.trashed.info));
}

// From another disk the file is copied into the bin, as a new file.
TEST(Win32Trash, AFileFromAnotherDiskIsFoundInTheBin) {
    const Bytes folder = "Z:\\dev\\shm\\quilvane-trash-" + std::to_string(GetCurrentProcessId());
    if (!MakeFolder(folder)) GTEST_SKIP() << "no /dev/shm";
    const Bytes name = folder + "\\" + Sjis("表紙") + ".pdf";
    ASSERT_TRUE(WriteFile(name, "cover"));
    const TrashOutcome trashed = MoveToTrash(name);
    ASSERT_TRUE(trashed.moved) << trashed.reason;
    EXPECT_EQ(ReadFile(trashed.trashed.path), "cover");
    EXPECT_TRUE(RestoreFromTrash(trashed.trashed, name).moved);
    EXPECT_EQ(ReadFile(name), "cover");
    DeleteFileA(name.c_str());
    RemoveDirectoryA(folder.c_str());
}

// A notice window whose creation fails after WM_NCCREATE frees nothing twice,
// and the next one still hands on its notices.
TEST(Win32NoticeWindow, ACreationThatFailsLateFreesNothingTwice) {
    const auto destroyAtCreate = [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && sent->message == WM_CREATE) DestroyWindow(sent->hwnd);
        return CallNextHookEx(nullptr, code, wParam, lParam);
    };
    int notices = 0;
    const winmm::NoticeHandler count = [](void* context, std::uint32_t, std::uint32_t) { ++*static_cast<int*>(context); };
    {
        const DoubleDeleteWatch watch;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, destroyAtCreate, nullptr, GetCurrentThreadId());
        ASSERT_NE(hook, nullptr);
        const std::uintptr_t failed = winmm::CreateNoticeWindow(count, &notices);
        UnhookWindowsHookEx(hook);
        EXPECT_EQ(failed, 0u);
        EXPECT_EQ(watch.Count(), 0);
    }
    const std::uintptr_t window = winmm::CreateNoticeWindow(count, &notices);
    ASSERT_NE(window, 0u);
    SendMessageA(reinterpret_cast<HWND>(window), 0x03B9 /* MM_MCINOTIFY */, 1, 1);
    EXPECT_EQ(notices, 1);
    winmm::DestroyNoticeWindow(window);
}
