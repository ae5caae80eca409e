// SPDX-License-Identifier: GPL-3.0-or-later
// The open dialog in a folder of 100,000 files: listing it (first visit and
// again), a key typed to select, and Enter until the choice is made; each
// beside a plain QListView over a QStringListModel doing the same, shown.
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QTest>
#include <QVBoxLayout>
#include <sys/stat.h>

#include "BenchSupport.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "qt/OpenFileDialog.h"
#include "qt/PlatformServices.h"

namespace {

QStringList Rows(const std::vector<Bytes>& names) {
    QStringList rows;
    rows.reserve(static_cast<qsizetype>(names.size()));
    for (const Bytes& n : names) rows << QString::fromLocal8Bit(n.c_str());
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    const int total = 100000;
    const Bytes dir = KeptFolder("plain-100000a", total, false), twin = KeptFolder("plain-100000b", total, false);
    TByteFileDialog box(nullptr, QStringLiteral("PDFファイル (*.pdf)|*.pdf"));
    box.show();
    auto* list = box.findChild<QListView*>("listView");
    // The plain dialog: a list of the same size and a name box whose Enter presses the default button.
    QDialog plainBox;
    auto* plain = new QListView(&plainBox);
    auto* plainName = new QLineEdit(&plainBox);
    auto* plainOpen = new QPushButton(QStringLiteral("開く"), &plainBox);
    plainOpen->setDefault(true);
    auto* layout = new QVBoxLayout(&plainBox);
    layout->addWidget(plain);
    layout->addWidget(plainName);
    layout->addWidget(plainOpen);
    QStringListModel rows;
    plain->setUniformItemSizes(true);
    plain->setModel(&rows);
    plainBox.resize(box.size());
    plainBox.show();
    Pump(50);
    const int runs = 11;

    int turn = 0;
    const double baselineFirst = MedianMs(runs, [&] {
        rows.setStringList(Rows(BareSortedScan(turn++ % 2 ? twin : dir)));
        plain->repaint();
    });
    turn = 0;
    const double firstVisit = MedianMs(runs, [&] {
        box.SetFolder(turn++ % 2 ? twin : dir);
        list->repaint();
    });
    if (box.Entries().rowCount() != total / 2) return 1;
    Report("chooser_list_100000_files_first_visit_baseline_plain_scan_sort_list", firstVisit, baselineFirst);

    // Again: ours from its kept listing, the plain list from the sorted names it holds.
    const std::vector<Bytes> held = BareSortedScan(dir);
    const double baselineAgain = MedianMs(runs, [&] {
        rows.setStringList(Rows(held));
        plain->repaint();
    });
    const double again = MedianMs(runs, [&] {
        box.SetFolder(dir);
        list->repaint();
    });
    Report("chooser_list_100000_files_again_baseline_plain_list_from_held_names", again, baselineAgain);

    // Type-to-select towards the end of the list, from its start; the plain list searches by itself.
    const double baselineSearch = MedianMs(
        runs, [&] { QTest::keyClicks(plain, QStringLiteral("scan04999")); },
        [&] {
            plain->setCurrentIndex(rows.index(0));
            QTest::qWait(QApplication::keyboardInputInterval() + 100);
        });
    if (!plain->currentIndex().data().toString().startsWith(QStringLiteral("scan04999"))) return 1;
    const double search = MedianMs(
        runs, [&] { QTest::keyClicks(list, QStringLiteral("scan04999")); },
        [&] {
            list->setCurrentIndex(box.Entries().index(0));
            QTest::qWait(600);  // a new search, not the last one continued
        });
    if (!list->currentIndex().data().toString().startsWith(QStringLiteral("scan04999"))) return 1;
    Report("chooser_type_to_select_100000_files_baseline_plain_list_search", search, baselineSearch);

    // Enter with a file selected until the choice is made: the plain one checks the file is there.
    Bytes plainChosen;
    QObject::connect(plainOpen, &QPushButton::clicked, [&] {
        struct stat st{};
        const Bytes path = dir + plainName->text().toStdString();
        if (stat(path.c_str(), &st) == 0) {
            plainChosen = path;
            plainBox.accept();
        }
    });
    const double baselineEnter = MedianMs(
        runs,
        [&] {
            QTest::keyClick(plainName, Qt::Key_Return);
            if (plainChosen.empty()) std::abort();
        },
        [&] {
            plainChosen.clear();
            plainBox.show();
            plainName->setFocus();
            plainName->setText(QStringLiteral("scan049999.pdf"));
        });
    const double enter = MedianMs(
        runs,
        [&] {
            QTest::keyClick(list, Qt::Key_Return);
            if (box.ChosenPath().empty()) std::abort();
        },
        [&] {
            box.show();
            box.SetFolder(dir);
            box.SelectFile("scan049999.pdf");
        });
    if (box.ChosenPath() != dir + "scan049999.pdf") return 1;
    Report("chooser_enter_to_chosen_100000_files_baseline_plain_dialog", enter, baselineEnter);
    return 0;
}
