// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <gtest/gtest.h>

#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
