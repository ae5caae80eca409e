// SPDX-License-Identifier: GPL-3.0-or-later
// One pick with automatic rename (rename, reload of the renamed file, load of
// the picked one, two list rebuilds, the frame painted) against the plainest
// means to the same screen: rename(), one scan with the same natural sort into
// a plain list view, and Qt PDF reading, parsing and drawing the picked page
// at the size ours draws it, all in this process.
#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <QTest>
#include <stdio.h>

#include "BenchSupport.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "qt/ByteControls.h"
#include "qt/PdfPageView.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    for (const int total : {1000, 100000}) {
        // Half of the files are PDFs, the rest other files, as in the felt figures.
        const Bytes dir = KeptFolder("copies-" + std::to_string(total), total, true);
        const int runs = total > 10000 ? 9 : 31;
        auto fileName = [](int i) {
            char name[32];
            std::snprintf(name, sizeof name, "scan%06d.pdf", i);
            return Bytes(name);
        };
        // Ours starts past the files the baseline renames.
        int step = runs;
        Program program;
        program.Open(dir + fileName(step));
        auto* control = static_cast<PdfViewerControl*>(program->AcroPDF1->Control());
        const QSize drawn = control->PageView()->PageRectInViewport().size();
        QListView plain;
        QStringListModel rows;
        plain.setUniformItemSizes(true);
        plain.setModel(&rows);
        plain.resize(program->ListBox1->size());
        plain.show();
        Pump(50);
        volatile int sink = 0;
        int bareStep = 0;
        const double baseline = MedianMs(runs, [&] {
            const Bytes from = dir + fileName(bareStep), to = dir + ("bare" + std::to_string(bareStep) + ".pdf");
            std::rename(from.c_str(), to.c_str());
            QStringList names;
            for (const Bytes& n : BareSortedScan(dir)) names << QString::fromLocal8Bit(n.c_str());
            rows.setStringList(names);
            plain.repaint();
            sink = sink + BareLoadAndRender(dir + fileName(bareStep + 1), drawn).width();
            ++bareStep;
        });
        // A click on the next row, then one pass of the event loop, which paints.
        const double ours = MedianMs(
            runs,
            [&] {
                TListBox* list = program->ListBox1;
                const QRect row = list->visualRect(list->model()->index(list->ItemIndex() + 1, 0));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
                QApplication::processEvents();
                ++step;
            },
            [&] {
                SetText(program->E_Rename, "named" + std::to_string(step));
                program->ListBox1->scrollTo(program->ListBox1->model()->index(program->ListBox1->ItemIndex() + 1, 0));
            });
        if (GetText(program->E_Filename) != dir + fileName(step)) return 1;
        Report("pick_with_rename_" + std::to_string(total) + "_files_baseline_rename_scan_sort_qtpdf", ours, baseline);
    }
    return 0;
}
