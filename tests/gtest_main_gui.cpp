// SPDX-License-Identifier: GPL-3.0-or-later
#include <QGuiApplication>
#include <gtest/gtest.h>
#include "qt/PlatformServices.h"

// Tests that draw text (documents made with QPdfWriter and QImage) need the
// fonts of a GUI application, never widgets.
int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QGuiApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
