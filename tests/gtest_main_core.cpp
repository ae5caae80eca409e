// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCoreApplication>
#include <gtest/gtest.h>
#include "qt/PlatformServices.h"

// Core tests need an event loop for completion notices, never widgets.
int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QCoreApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
