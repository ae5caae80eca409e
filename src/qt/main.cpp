// SPDX-License-Identifier: GPL-3.0-or-later
// Quilvane: look at a file, type its new name, pick the next.
#include <QApplication>

#include "qt/Application.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

int main(int argc, char* argv[]) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    return RunApplication(RegisterPdfViewerControl);
}
