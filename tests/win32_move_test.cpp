// SPDX-License-Identifier: GPL-3.0-or-later
// A move to another drive under Wine, raced by a program that saves new
// versions over the source by renaming, as editors and sync clients do.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/FolderSnapshot.h"
#include "support/Win32Support.h"

TEST(Win32MoveAnywhere, ASaveOverTheSourceDuringTheCopyKeepsBothVersions) {
    const Bytes other = "Z:\\dev\\shm\\quilvane-move-" + std::to_string(GetCurrentProcessId());
    if (!MakeFolder(other)) GTEST_SKIP() << "no /dev/shm";
    TempDir dir;
    const Bytes source = dir / "doc.pdf", target = other + "\\doc.pdf";
    const Bytes original(48 << 20, 'o');
    ASSERT_TRUE(WriteFile(source, original));
    // The other program retries a refused save, as such programs do, until each version is in.
    std::atomic<bool> started{false};
    std::thread peer([&] {
        started = true;
        for (int version = 1; version <= 8; ++version) {
            Sleep(version == 1 ? 20 : 2);  // the first once the copy runs
            const Bytes temp = dir / "doc.pdf.part";
            WriteFile(temp, "version " + std::to_string(version));
            while (!MoveFileExA(temp.c_str(), source.c_str(), MOVEFILE_REPLACE_EXISTING)) Sleep(1);
        }
    });
    while (!started) Sleep(0);
    const MoveOutcome outcome = MoveFileAnywhere(source, target);
    peer.join();
    EXPECT_EQ(ReadFile(source), "version 8");
    if (outcome.moved) {
        // The test's reader takes the first 256 bytes: the size tells the rest.
        EXPECT_EQ(ReadFile(target), original.substr(0, 256));
        const auto copied = IdentityOfPath(target);
        ASSERT_TRUE(copied);
        EXPECT_EQ(copied->size, original.size());
    } else {
        EXPECT_EQ(outcome.reason, kBothKept);
    }
    DeleteFileA(target.c_str());
    RemoveDirectoryA(other.c_str());
}
