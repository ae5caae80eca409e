// The open dialog in a folder of 100,000 files: listing it (first visit and
// again), a key typed to select, and Enter until the choice is made.
#include <QApplication>
#include <QListView>
#include <QTest>

#include "BenchSupport.h"
#include "support/Fixtures.h"
#include "ui/OpenFileDialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int total = 100000;
    TempDir dir, twin;
    FillFolder(dir.Path(), total / 2, total / 2, ".pdf");
    FillFolder(twin.Path(), total / 2, total / 2, ".pdf");
    TByteFileDialog box(nullptr, QStringLiteral("PDFファイル (*.pdf)|*.pdf"));
    box.show();
    auto* list = box.findChild<QListView*>("listView");
    const int runs = 11;
    volatile int sink = 0;
    const double baseline = MedianMs(runs, [&] { sink = sink + BareScan(dir.Path()); });
    int turn = 0;
    const double firstVisit = MedianMs(runs, [&] {
        box.SetFolder(turn++ % 2 ? twin.Path() : dir.Path());
        list->repaint();
    });
    if (box.Entries().rowCount() != total / 2) return 1;
    Report("chooser_list_100000_files_first_visit", firstVisit, baseline);
    const double again = MedianMs(runs, [&] {
        box.SetFolder(dir.Path());
        list->repaint();
    });
    Report("chooser_list_100000_files_again", again, baseline);
    // Type-to-select towards the end of the list, from its start.
    const double search = MedianMs(
        runs, [&] { QTest::keyClicks(list, QStringLiteral("scan04999")); },
        [&] {
            list->setCurrentIndex(box.Entries().index(0));
            QTest::qWait(600);  // a new search, not the last one continued
        });
    if (!list->currentIndex().data().toString().startsWith(QStringLiteral("scan04999"))) return 1;
    Report("chooser_type_to_select_100000_files", search, baseline);
    const double enter = MedianMs(
        runs,
        [&] {
            QTest::keyClick(list, Qt::Key_Return);
            if (box.ChosenPath().empty()) std::abort();
        },
        [&] {
            box.show();
            box.SetFolder(dir.Path());
            box.SelectFile("scan049999.pdf");
        });
    if (box.ChosenPath() != dir / "scan049999.pdf") return 1;
    Report("chooser_enter_to_chosen_100000_files", enter, baseline);
    return 0;
}
