// SPDX-License-Identifier: GPL-3.0-or-later
// Rebuilding the folder list, shown, against the plainest list: readdir, the
// ".pdf" test and the same natural sort, in a QListView over a QStringListModel
// of the same size, repainted. Both start from the same state: on a first
// visit both read the folder; on a refresh ours meets its kept listing and the
// plain list the sorted names it already holds, which it filters again.
#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <strings.h>

#include "BenchSupport.h"
#include "core/NaturalOrder.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "qt/ByteControls.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

namespace {

class PlainList {
public:
    explicit PlainList(const QSize& size) {
        view_.setUniformItemSizes(true);
        view_.setModel(&model_);
        view_.resize(size);
        view_.show();
    }
    void Show(const std::vector<Bytes>& names) {
        QStringList rows;
        rows.reserve(static_cast<qsizetype>(names.size()));
        for (const Bytes& n : names) rows << QString::fromLocal8Bit(n.c_str());
        model_.setStringList(rows);
        view_.repaint();
    }
    int Count() const { return model_.rowCount(); }

private:
    QListView view_;
    QStringListModel model_;
};

// Every name of the folder in natural order, as a listing kept in memory holds them.
std::vector<Bytes> AllNamesSorted(const Bytes& folder) {
    std::vector<Bytes> names = ListNames(folder);
    std::vector<std::pair<std::string, Bytes>> keyed;
    for (Bytes& n : names) keyed.emplace_back(NaturalKey(n), std::move(n));
    std::sort(keyed.begin(), keyed.end());
    names.clear();
    for (auto& k : keyed) names.push_back(std::move(k.second));
    return names;
}

std::vector<Bytes> Pdfs(const std::vector<Bytes>& names) {
    std::vector<Bytes> pdfs;
    for (const Bytes& n : names)
        if (n.size() >= 4 && strcasecmp(n.c_str() + n.size() - 4, ".pdf") == 0) pdfs.push_back(n);
    return pdfs;
}

}  // namespace

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    for (const int total : {1000, 100000}) {
        const Bytes dir = KeptFolder("plain-" + std::to_string(total) + "a", total, false);
        const Bytes twin = KeptFolder("plain-" + std::to_string(total) + "b", total, false);
        Program program;
        PlainList plain(program->ListBox1->size());
        Pump(50);  // shown and exposed, so that repaint really paints
        SetText(program->E_Filename, dir + "scan000001.pdf");
        const int runs = total > 10000 ? 15 : 101;

        const std::vector<Bytes> held = AllNamesSorted(dir);
        const double baseline = MedianMs(runs, [&] { plain.Show(Pdfs(held)); });
        program->RefreshFileList();
        const double ours = MedianMs(runs, [&] {
            program->RefreshFileList();
            program->ListBox1->repaint();  // the list shown, not only filled
        });
        if (program->ListBox1->Count() != total / 2 || plain.Count() != total / 2) return 1;
        Report("refresh_file_list_" + std::to_string(total) + "_files_baseline_plain_list_from_held_names", ours, baseline);

        // The first visit of a folder reads it whole: two folders in turn, in both.
        int turn = 0;
        const double baselineFirst = MedianMs(runs, [&] { plain.Show(BareSortedScan(turn++ % 2 ? twin : dir)); });
        turn = 0;
        const double firstVisit = MedianMs(runs, [&] {
            SetText(program->E_Filename, (turn++ % 2 ? twin : dir) + "scan000001.pdf");
            program->RefreshFileList();
            program->ListBox1->repaint();
        });
        Report("refresh_file_list_" + std::to_string(total) + "_files_first_visit_baseline_plain_scan_sort_list", firstVisit,
               baselineFirst);
    }
    return 0;
}
