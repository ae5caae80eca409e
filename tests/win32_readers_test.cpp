// SPDX-License-Identifier: GPL-3.0-or-later
// The readers' helper on Windows: this test program is started again with
// the helper's switch, as quilvane.exe is, and reads in a job of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "names/NameSuggestions.h"
#include "names/ReadersClient.h"
#include "names/ReadersHelper.h"
#include "platform/Platform.h"
#include "support/CraftedFiles.h"
#include "support/NamePdfs.h"
#include "support/Win32Support.h"

namespace {

using Clock = std::chrono::steady_clock;

bool Has(const std::vector<Bytes>& names, const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); }

Bytes SyncSafe(std::size_t n) {
    return {char((n >> 21) & 0x7F), char((n >> 14) & 0x7F), char((n >> 7) & 0x7F), char(n & 0x7F)};
}

// NestedChaptersMp3(depth)'s bytes, put together outermost first in one pass
// (each level is 28 bytes with what it holds): that one copies the tag at
// every level, which takes Wine's heap half a minute.
Bytes NestedChapters(int depth) {
    Bytes frames;
    for (int level = depth; level > 0; --level)
        frames += "CHAP" + SyncSafe(28 * std::size_t(level) - 10) + Bytes(2, '\0') + Bytes("c\0", 2) + Bytes(16, '\0');
    return Bytes("ID3\x04\x00\x00", 6) + SyncSafe(frames.size()) + frames + Bytes("\xFF\xFB\x90\x64", 4) + Bytes(413, '\0');
}

// Out of the program, in a job of its own (Wine keeps that much; it neither
// reports nor enforces the job's limits), the helper reads the invoice. The
// nested chapters have no names and are kept as read; a helper killed in the
// middle of a file costs that file only, and the next one reads the invoice.
TEST(Win32ReadersHelper, AKilledHelperCostsOnlyItsFileAndRunsInAJob) {
    TempDir dir;
    // 請求書.pdf, as code page 932 writes it.
    const Bytes invoice = dir / "\x90\xbf\x8b\x81\x8f\x91.pdf", chapters = dir / "nested-chapters.mp3",
                fanOut = dir / "fan-out.pdf";
    ASSERT_TRUE(WriteFile(invoice, TextPdf("Invoice No. 5042 of 2026-03-31")));
    ASSERT_EQ(NestedChapters(100), NestedChaptersMp3(100));
    ASSERT_TRUE(WriteFile(chapters, NestedChapters(20000)));
    ASSERT_TRUE(WriteFile(fanOut, FanOutPdf(8, 10)));
    const std::chrono::seconds deadline{30};
    const NameSuggestions::Reader read = HelperFileNameReader(deadline)();
    const std::atomic<bool> going{false};
    EXPECT_TRUE(Has(read(invoice, going, ReadDepth::Top).found.names, "5042"));
    const DWORD helperId = DWORD(ReaderHelperProcess());
    ASSERT_NE(helperId, GetCurrentProcessId());
    const HANDLE helper = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, helperId);
    ASSERT_NE(helper, nullptr);
    BOOL inJob = FALSE, programInJob = TRUE;
    EXPECT_TRUE(IsProcessInJob(helper, nullptr, &inJob) && inJob);
    EXPECT_TRUE(IsProcessInJob(GetCurrentProcess(), nullptr, &programInJob) && !programInJob);
    EXPECT_NE(ReaderHelperJob(), 0);

    const NameSuggestions::Read nested = read(chapters, going, ReadDepth::Top);
    EXPECT_TRUE(nested.identity);
    EXPECT_TRUE(nested.found.names.empty());
    const int starts = ReaderHelperStarts();
    const std::chrono::seconds killedAfter{1};
    std::thread killer([&] {
        std::this_thread::sleep_for(killedAfter);
        TerminateProcess(helper, 9);
    });
    const auto start = Clock::now();
    const NameSuggestions::Read killed = read(fanOut, going, ReadDepth::Top);
    const auto took = Clock::now() - start;
    killer.join();
    CloseHandle(helper);
    EXPECT_GT(took, killedAfter) << "read before the kill";
    EXPECT_LT(took, deadline / 4);
    EXPECT_TRUE(killed.identity);
    EXPECT_TRUE(killed.found.names.empty());
    const std::vector<Bytes> after = read(invoice, going, ReadDepth::Top).found.names;
    for (const char* name : {"2026-03-31", "5042"}) EXPECT_TRUE(Has(after, name)) << name;
    EXPECT_EQ(ReaderHelperStarts(), starts + 1);
}

// The window closed while the helper is deep in a file: the worker is let go
// and the helper stopped or killed, within a second.
TEST(Win32ReadersHelper, ClosingWhileTheHelperReadsTakesUnderASecond) {
    TempDir dir;
    ASSERT_TRUE(WriteFile(dir / "fan-out.pdf", FanOutPdf(8, 10)));
    auto names = std::make_unique<NameSuggestions>([](std::function<void()>) {}, [](const Bytes&, const FileNames&) {},
                                                   HelperFileNameReader(std::chrono::seconds(60)));
    names->Request(dir / "fan-out.pdf");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_GT(ReaderHelperProcess(), 0);
    const auto start = Clock::now();
    names.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

}  // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> helper = RunAsReadersHelper(argc, argv)) return *helper;
    InstallPlatformServices();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
