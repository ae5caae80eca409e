// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <cstdio>
#include <gtest/gtest.h>
#include "platform/Platform.h"

int main(int argc, char** argv) {
    InstallPlatformServices();
    testing::InitGoogleTest(&argc, argv);
    // Without a Japanese locale Wine falls back to code page 1252, where no
    // test of lead bytes would prove anything.
    if (GetACP() != 932) {
        std::fprintf(stderr, "The tests need code page 932 and run under %u: start Wine with LANG=ja_JP.UTF-8.\n", GetACP());
        return 1;
    }
    return RUN_ALL_TESTS();
}
