// SPDX-License-Identifier: GPL-3.0-or-later
// Quilvane: look at a file, type its new name, pick the next.
#include <QApplication>

#include "Application.h"
#include "viewer/PdfViewerControl.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    return RunApplication(RegisterPdfViewerControl);
}
