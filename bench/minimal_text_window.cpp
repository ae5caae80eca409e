// SPDX-License-Identifier: GPL-3.0-or-later
// The start-up floor of a window that draws Japanese text: the main window's
// size, fonts and kinds of widgets (menu bar, label, edit, button, list), one
// of each, and nothing of ours.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("minimal text"));
    window.setStyleSheet(QStringLiteral("font-family: \"IPAPGothic\"; font-size: 12px;"));
    for (const char* title : {"ファイル(&F)", "設定(&S)", "モード(&M)", "ヘルプ(&H)"})
        window.menuBar()->addMenu(QString::fromUtf8(title));
    auto* panel = new QWidget(&window);
    (new QPushButton(QStringLiteral("PDFファイルを開く"), panel))->setGeometry(8, 8, 113, 25);
    (new QLabel(QStringLiteral("ファイル名"), panel))->setGeometry(8, 48, 53, 12);
    auto* edit = new QLineEdit(panel);
    edit->setGeometry(8, 61, 337, 20);
    edit->setStyleSheet(QStringLiteral("font-family: \"IPAGothic\"; font-size: 12px;"));
    (new QListWidget(panel))->setGeometry(8, 144, 369, 337);
    window.setCentralWidget(panel);
    window.resize(814, 516);
    window.show();
    return QApplication::exec();
}
