// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <gtest/gtest.h>

#include "viewer/PdfViewerControl.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
