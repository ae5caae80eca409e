// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>

#include "core/NaturalOrder.h"
#include "platform/FileSystem.h"
#include "support/SearchResults.h"
#include "platform/posix/NoReplaceMove.h"
#include "support/Fixtures.h"

namespace {


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
    {
        // A search under way keeps the listing it began with.
        DirectorySearch held(dir.Path() + "*.pdf");
        WriteFile(dir / "b2.pdf", "x");
        EXPECT_EQ(Names(Search(dir.Path() + "*.pdf")), (std::vector<Bytes>{"b.pdf", "b2.pdf", "c.pdf"}));
        std::vector<Bytes> walked;
        for (bool more = held.Found(); more; more = held.Next()) walked.push_back(held.Current().name);
        EXPECT_EQ(walked, (std::vector<Bytes>{"b.pdf", "c.pdf"}));
    }
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

// The kept listing follows the folder's identity, not its path.
TEST(DirectorySearchTest, FolderReplacedUnderItsPathIsReadAfresh) {
    TempDir root, elsewhere;
    MakeFolder(root / "scans");
    WriteFile(root / "scans/A.pdf", "x");
    EXPECT_EQ(Names(Search(root / "scans/*.pdf")), std::vector<Bytes>{"A.pdf"});
    // An ancestor renamed away and a new folder made under the old path.
    ASSERT_EQ(std::rename(root.Path().c_str(), (elsewhere / "old").c_str()), 0);
    MakeFolder(root.Path());
    MakeFolder(root / "scans");
    WriteFile(root / "scans/b.pdf", "x");
    EXPECT_EQ(Names(Search(root / "scans/*.pdf")), std::vector<Bytes>{"b.pdf"});
    EXPECT_FALSE(FindFirstMatch(root / "scans/a.pdf"));  // the old folder's A.pdf no longer counts
    // A link retargeted to another folder.
    MakeFolder(root / "other");
    WriteFile(root / "other/c.pdf", "x");
    ASSERT_EQ(symlink("scans", (root / "link").c_str()), 0);
    EXPECT_EQ(Names(Search(root / "link/*.pdf")), std::vector<Bytes>{"b.pdf"});
    ASSERT_EQ(unlink((root / "link").c_str()), 0);
    ASSERT_EQ(symlink("other", (root / "link").c_str()), 0);
    EXPECT_EQ(Names(Search(root / "link/*.pdf")), std::vector<Bytes>{"c.pdf"});
}

TEST(DirectorySearchTest, ManyChangesMatchAFreshRead) {
    TempDir dir;
    for (int i = 0; i < 3000; ++i) WriteFile(dir / ("f" + std::to_string(i) + ".pdf"), "");
    const std::size_t fullCount = Search(dir.Path() + "*.pdf").size();
    ASSERT_EQ(fullCount, 3000u);
    const unsigned long readsBefore = FolderReadCount();
    for (int i = 0; i < 3000; i += 3) ASSERT_EQ(unlink((dir / ("f" + std::to_string(i) + ".pdf")).c_str()), 0);
    for (int i = 1; i < 600; i += 3)
        ASSERT_EQ(std::rename((dir / ("f" + std::to_string(i) + ".pdf")).c_str(), (dir / ("g" + std::to_string(i) + ".pdf")).c_str()), 0);
    const auto applied = Names(Search(dir.Path() + "*.pdf"));
    EXPECT_EQ(FolderReadCount(), readsBefore);  // applied as changes, not read again
    std::vector<Bytes> expected = ListNames(dir.Path());
    std::sort(expected.begin(), expected.end(), [](const Bytes& a, const Bytes& b) { return NaturalLess(a, b); });
    EXPECT_EQ(applied, expected);
    // Past the threshold a fresh read gives the same.
    for (int i = 0; i < 6000; ++i) WriteFile(dir / ("h" + std::to_string(i) + ".pdf"), "");
    EXPECT_EQ(Search(dir.Path() + "*.pdf").size(), expected.size() + 6000);
    EXPECT_EQ(FolderReadCount(), readsBefore + 1);
}

namespace {

// A file system without RENAME_NOREPLACE and without hard links (NFS, FUSE),
// where another program may act between the move's steps.
class WithoutNoReplace : public MoveCalls {
public:
    std::function<void(const char* target)> afterClaim;
    std::function<int(const char* from, const char* to)> rename;
    int RenameNoReplace(const char*, const char*) override {
        errno = EINVAL;
        return -1;
    }
    int CreateExclusive(const char* path) override {
        const int fd = MoveCalls::CreateExclusive(path);
        if (fd >= 0 && afterClaim) afterClaim(path);
        return fd;
    }
    int Rename(const char* from, const char* to) override {
        return rename ? rename(from, to) : MoveCalls::Rename(from, to);
    }
};

void SaveOver(const Bytes& path, const Bytes& contents) {
    WriteFile(path + ".tmp", contents);
    ASSERT_EQ(std::rename((path + ".tmp").c_str(), path.c_str()), 0);
}

}  // namespace

TEST(MoveFallback, RenamesWithoutHardLinksNeverOverwritesAndNamesEachRefusal) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "first");
    WriteFile(dir / "b.pdf", "second");
    MakeFolder(dir / "d.pdf");
    WithoutNoReplace fs;
    EXPECT_TRUE(MoveFileNoReplace(dir / "a.pdf", dir / "c.pdf", fs).moved);
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"b.pdf", "c.pdf", "d.pdf"}));
    EXPECT_EQ(ReadFile(dir / "c.pdf"), "first");
    EXPECT_EQ(MoveFileNoReplace(dir / "c.pdf", dir / "b.pdf", fs).reason, "同じ名前のファイルが既にあります");
    EXPECT_EQ(MoveFileNoReplace(dir / "c.pdf", dir / "d.pdf", fs).reason, "同じ名前のフォルダがあります");
    EXPECT_EQ(MoveFileNoReplace(dir / "c.pdf", dir / "d.pdf").reason, "同じ名前のフォルダがあります");
    EXPECT_EQ(MoveFileNoReplace(dir / "gone.pdf", dir / "e.pdf", fs).reason, "ファイルが見つかりません");
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"b.pdf", "c.pdf", "d.pdf"}));
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "second");
    EXPECT_EQ(MoveFailureReason(ENOSYS), "このドライブでは名前を変更できません");
    EXPECT_EQ(MoveFailureReason(12345), "予期しないエラーが発生しました (エラー番号 12345)");
}

TEST(MoveFallback, AnotherProgramBetweenTheStepsLosesNothing) {
    TempDir dir;
    WriteFile(dir / "a.pdf", "ours");
    WithoutNoReplace fs;
    // It saves a file of its own over our claim: its file stays, ours keeps its name.
    fs.afterClaim = [](const char* target) { SaveOver(target, "theirs"); };
    EXPECT_FALSE(MoveFileNoReplace(dir / "a.pdf", dir / "b.pdf", fs).moved);
    EXPECT_EQ(ReadFile(dir / "a.pdf"), "ours");
    EXPECT_EQ(ReadFile(dir / "b.pdf"), "theirs");
    // It takes our file away: the claim goes, and nothing else.
    fs.afterClaim = [&](const char*) { ASSERT_EQ(std::rename((dir / "a.pdf").c_str(), (dir / "moved.pdf").c_str()), 0); };
    EXPECT_EQ(MoveFileNoReplace(dir / "a.pdf", dir / "c.pdf", fs).reason, "ファイルが見つかりません");
    EXPECT_EQ(ListNames(dir.Path()), (std::vector<Bytes>{"b.pdf", "moved.pdf"}));
    // The rename fails after it replaced the claim: its file is not removed.
    fs.afterClaim = nullptr;
    fs.rename = [](const char*, const char* to) {
        SaveOver(to, "theirs too");
        errno = EIO;
        return -1;
    };
    EXPECT_EQ(MoveFileNoReplace(dir / "moved.pdf", dir / "e.pdf", fs).reason, "ディスクの読み書きでエラーが発生しました");
    EXPECT_EQ(ReadFile(dir / "e.pdf"), "theirs too");
    EXPECT_EQ(ReadFile(dir / "moved.pdf"), "ours");
}

namespace {

Bytes SharedName(std::mt19937& random) { return "n" + std::to_string(random() % 64) + ".pdf"; }

// Another program in the same folder: it creates files without replacing any,
// saves over its own, renames and deletes its own, until `stop` closes; then it
// writes what it holds to `manifest`.
[[noreturn]] void RunOtherProgram(const Bytes& folder, int stop, const Bytes& manifest, unsigned seed) {
    std::mt19937 random(seed);
    std::map<Bytes, Bytes> held;
    char byte;
    for (unsigned k = 0; read(stop, &byte, 1) < 0; ++k) {
        const Bytes name = SharedName(random);
        const Bytes contents = "theirs-" + std::to_string(k);
        const auto mine = held.empty() ? held.end() : std::next(held.begin(), random() % held.size());
        switch (random() % 4) {
        case 0: {
            const int fd = open((folder + name).c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
            if (fd < 0) break;
            if (write(fd, contents.data(), contents.size()) != ssize_t(contents.size())) _exit(3);
            close(fd);
            held[name] = contents;
            break;
        }
        case 1:
            if (mine == held.end()) break;
            SaveOver(folder + mine->first, contents);
            mine->second = contents;
            break;
        case 2:
            if (mine == held.end() ||
                renameat2(AT_FDCWD, (folder + mine->first).c_str(), AT_FDCWD, (folder + name).c_str(), RENAME_NOREPLACE) != 0)
                break;
            held[name] = mine->second;
            held.erase(mine);
            break;
        default:
            if (mine == held.end()) break;
            if (unlink((folder + mine->first).c_str()) != 0) _exit(4);
            held.erase(mine);
        }
    }
    Bytes list;
    for (const auto& [name, contents] : held) list += name + "\t" + contents + "\n";
    WriteFile(manifest, list);
    _exit(0);
}

struct RaceCount {
    int renames = 0, lost = 0, duplicated = 0, strays = 0, theirsLost = 0;
};

RaceCount RunRace(int renames, unsigned seed) {
    TempDir dir, outside;
    const Bytes folder = dir.Path();
    constexpr int kOurs = 16;
    std::vector<Bytes> ours;
    for (int i = 0; i < kOurs; ++i) {
        ours.push_back("o" + std::to_string(i) + ".pdf");
        WriteFile(folder + ours.back(), "ours-" + std::to_string(i));
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_NONBLOCK) != 0) std::abort();
    const pid_t other = fork();
    if (other == 0) {
        close(pipeFds[1]);
        RunOtherProgram(folder, pipeFds[0], outside / "manifest", seed + 1);
    }
    close(pipeFds[0]);
    std::mt19937 random(seed);
    WithoutNoReplace fs;
    RaceCount count;
    for (; count.renames < renames; ++count.renames) {
        Bytes& mine = ours[random() % kOurs];
        const Bytes target = SharedName(random);
        if (MoveFileNoReplace(folder + mine, folder + target, fs).moved) mine = target;
    }
    close(pipeFds[1]);
    int status = 0;
    waitpid(other, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::abort();
    std::map<Bytes, int> seen;  // contents -> names holding it
    std::map<Bytes, Bytes> onDisk;
    for (const Bytes& name : ListNames(folder)) {
        onDisk[name] = ReadFile(folder + name);
        ++seen[onDisk[name]];
    }
    for (int i = 0; i < kOurs; ++i) {
        const int names = seen["ours-" + std::to_string(i)];
        if (names == 0 || onDisk[ours[i]] != "ours-" + std::to_string(i)) ++count.lost;
        if (names > 1) ++count.duplicated;
        onDisk.erase(ours[i]);
    }
    const Bytes manifest = ReadFile(outside / "manifest");
    for (std::size_t at = 0; at < manifest.size();) {
        const std::size_t tab = manifest.find('\t', at), end = manifest.find('\n', at);
        const auto it = onDisk.find(manifest.substr(at, tab - at));
        if (it == onDisk.end() || it->second != manifest.substr(tab + 1, end - tab - 1)) ++count.theirsLost;
        else onDisk.erase(it);
        at = end + 1;
    }
    count.strays = static_cast<int>(onDisk.size());  // claims or copies nobody holds
    return count;
}

}  // namespace

// Renames racing another program on a file system without RENAME_NOREPLACE.
// QUILVANE_STRESS_RUNS (make stress) turns the short run into runs of 10,000.
TEST(MoveFallback, RacingAnotherProgramLosesAndDuplicatesNothing) {
    const char* runsSetting = std::getenv("QUILVANE_STRESS_RUNS");
    const int runs = runsSetting ? std::atoi(runsSetting) : 1;
    const int renames = runsSetting ? 10000 : 2000;
    RaceCount total;
    for (int run = 0; run < runs; ++run) {
        const RaceCount count = RunRace(renames, 1000u + run);
        total.renames += count.renames;
        total.lost += count.lost;
        total.duplicated += count.duplicated;
        total.strays += count.strays;
        total.theirsLost += count.theirsLost;
    }
    std::printf("race runs=%d renames=%d lost=%d duplicated=%d theirs_lost=%d strays=%d\n", runs, total.renames,
                total.lost, total.duplicated, total.theirsLost, total.strays);
    EXPECT_EQ(total.lost, 0);
    EXPECT_EQ(total.duplicated, 0);
    EXPECT_EQ(total.theirsLost, 0);
    EXPECT_EQ(total.strays, 0);
}
