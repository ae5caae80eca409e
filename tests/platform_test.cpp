#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "support/Fixtures.h"

namespace {

std::vector<DirEntry> Search(const Bytes& searchPath) {
    std::vector<DirEntry> found;
    DirectorySearch search(searchPath);
    for (bool more = search.Found(); more; more = search.Next()) found.push_back(search.Current());
    return found;
}

std::vector<Bytes> Names(const std::vector<DirEntry>& entries) {
    std::vector<Bytes> names;
    for (const auto& e : entries) names.push_back(e.name);
    return names;
}

}  // namespace

TEST(Wildcard, StarAndQuestionMarkIgnoringCase) {
    EXPECT_TRUE(WildcardMatch("*.pdf", "a.pdf"));
    EXPECT_TRUE(WildcardMatch("*.pdf", "B.PDF"));
    EXPECT_TRUE(WildcardMatch("*.pdf", ".pdf"));
    EXPECT_FALSE(WildcardMatch("*.pdf", "a.pdfx"));
    EXPECT_FALSE(WildcardMatch("*.pdf", "notes.txt"));
    EXPECT_TRUE(WildcardMatch("s?an*.PDF", "scan10.pdf"));
    EXPECT_FALSE(WildcardMatch("s?an", "sn"));
    EXPECT_TRUE(WildcardMatch("*", "."));
    EXPECT_TRUE(WildcardMatch("a*b*c", "aXbYbZc"));
}

TEST(DirectorySearchTest, YieldsEveryKindOfEntryInNaturalOrder) {
    TempDir dir;
    for (const char* name : {"scan10.pdf", "scan2.pdf", "B.PDF", ".hidden.pdf", "notes.txt", "a.pdf"})
        WriteFile(dir / name, "x");
    MakeFolder(dir / "x.pdf");
    const auto pdfs = Search(dir.Path() + "*.pdf");
    EXPECT_EQ(Names(pdfs), (std::vector<Bytes>{".hidden.pdf", "a.pdf", "B.PDF", "scan2.pdf", "scan10.pdf", "x.pdf"}));
    EXPECT_TRUE(pdfs.back().isDirectory);
    EXPECT_FALSE(pdfs.front().isDirectory);
    const auto all = Search(dir.Path() + "*");
    EXPECT_EQ(all[0].name, ".");
    EXPECT_TRUE(all[0].isDirectory);
    EXPECT_EQ(all[1].name, "..");
    EXPECT_TRUE(Search(dir.Path() + "*.mp3").empty());
    EXPECT_TRUE(Search(dir / "missing/*.pdf").empty());
    DirectorySearch none(dir / "missing/*.pdf");
    EXPECT_FALSE(none.Found());
    EXPECT_FALSE(none.Next());
}

TEST(DirectorySearchTest, NamesComeBackByteForByte) {
    TempDir dir;
    const Bytes sjis = ShiftJis("表紙") + ".pdf";  // not valid UTF-8
    WriteFile(dir / sjis, "x");
    EXPECT_EQ(Names(Search(dir.Path() + "*.pdf")), std::vector<Bytes>{sjis});
}

TEST(FindFirstMatchTest, ExactCaseVariantWildcardAndFolder) {
    TempDir dir;
    WriteFile(dir / "scan.PDF", "x");
    MakeFolder(dir / "sub.pdf");
    auto exact = FindFirstMatch(dir / "scan.PDF");
    ASSERT_TRUE(exact);
    EXPECT_FALSE(exact->isDirectory);
    auto variant = FindFirstMatch(dir / "scan.pdf");  // the platform ignores case
    ASSERT_TRUE(variant);
    EXPECT_EQ(variant->name, "scan.PDF");
    EXPECT_TRUE(FindFirstMatch(dir / "s*.pdf"));
    EXPECT_FALSE(FindFirstMatch(dir / "q*.pdf"));
    ASSERT_TRUE(FindFirstMatch(dir / "sub.pdf"));
    EXPECT_TRUE(FindFirstMatch(dir / "sub.pdf")->isDirectory);
    EXPECT_FALSE(FindFirstMatch(dir / "scan.PDF/inner.pdf"));
    EXPECT_FALSE(FindFirstMatch(dir / "missing/a.pdf"));
}

TEST(FolderExistsTest, FoldersOnly) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "x");
    EXPECT_TRUE(FolderExists(dir.Path()));
    EXPECT_TRUE(FolderExists(dir.Path().substr(0, dir.Path().size() - 1)));
    EXPECT_FALSE(FolderExists(dir / "a.pdf"));
    EXPECT_FALSE(FolderExists(dir / "missing"));
    EXPECT_FALSE(FolderExists(""));
}

TEST(MoveNoReplace, RenamesButNeverOverwrites) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "first");
    WriteFile(dir / "b.pdf", "second");
    const MoveOutcome refused = MoveFileNoReplace(dir / "a.pdf", dir / "b.pdf");
    EXPECT_FALSE(refused.moved);
    EXPECT_FALSE(refused.reason.empty());
    EXPECT_EQ(ReadFile(dir / "a.pdf"), "first");
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "second");
    const MoveOutcome moved = MoveFileNoReplace(dir / "a.pdf", dir / "c.pdf");
    EXPECT_TRUE(moved.moved);
    EXPECT_EQ(ReadFile(dir / "c.pdf"), "first");
    EXPECT_FALSE(Exists(dir / "a.pdf"));
}

TEST(MoveNoReplace, RefusalsCarryThePlatformsReason) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "x");
    const MoveOutcome tooLong = MoveFileNoReplace(dir / "a.pdf", dir / (Bytes(300, 'n') + ".pdf"));
    EXPECT_FALSE(tooLong.moved);
    EXPECT_EQ(tooLong.reason, "ファイル名が長すぎます");
    const MoveOutcome missing = MoveFileNoReplace(dir / "gone.pdf", dir / "b.pdf");
    EXPECT_EQ(missing.reason, "ファイルが見つかりません");
    EXPECT_EQ(ReadFile(dir / "a.pdf"), "x");
}

TEST(DirectorySearchTest, ChangesByOthersShowAtTheNextSearch) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "x");
    EXPECT_EQ(Names(Search(dir.Path() + "*.pdf")), std::vector<Bytes>{"a.pdf"});
    WriteFile(dir / "b.pdf", "x");
    EXPECT_EQ(Names(Search(dir.Path() + "*.pdf")), (std::vector<Bytes>{"a.pdf", "b.pdf"}));
    ASSERT_EQ(std::rename((dir / "a.pdf").c_str(), (dir / "c.pdf").c_str()), 0);
    EXPECT_EQ(Names(Search(dir.Path() + "*.pdf")), (std::vector<Bytes>{"b.pdf", "c.pdf"}));
    EXPECT_TRUE(FindFirstMatch(dir / "C.PDF"));
    ASSERT_EQ(unlink((dir / "c.pdf").c_str()), 0);
    EXPECT_FALSE(FindFirstMatch(dir / "C.PDF"));
    MakeFolder(dir / "c.pdf");
    EXPECT_TRUE(FindFirstMatch(dir / "C.PDF")->isDirectory);
    // The folder itself replaced by another of the same name.
    TempDir other;
    const Bytes moved = other / "old";
    const Bytes folder = dir.Path().substr(0, dir.Path().size() - 1);
    ASSERT_EQ(std::rename(folder.c_str(), moved.c_str()), 0);
    MakeFolder(folder);
    WriteFile(dir / "fresh.pdf", "x");
    EXPECT_EQ(Names(Search(dir.Path() + "*.pdf")), std::vector<Bytes>{"fresh.pdf"});
}
