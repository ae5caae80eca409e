// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up baseline: the plainest Qt window of the main window's size, shown.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("minimal"));
    window.resize(814, 516);
    window.show();
    return QApplication::exec();
}
