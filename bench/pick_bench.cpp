// One pick with automatic rename (rename, reload of the renamed file, load of
// the picked one, two list rebuilds) against the bare cost of that work.
#include <QApplication>
#include <QBuffer>
#include <QPdfDocument>
#include <QTest>
#include <stdio.h>

#include "BenchSupport.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "ui/ByteControls.h"
#include "viewer/PdfViewerControl.h"

namespace {

// Read, parse and draw the first page, with Qt PDF directly.
void BareLoad(const Bytes& path) {
    QByteArray data = QByteArray::fromStdString(ReadFile(path));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QPdfDocument document;
    document.load(&buffer);
    document.render(0, QSize(427, 604));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    for (const int total : {1000, 100000}) {
        TempDir dir;
        const Bytes sample = dir / "sample.bin";
        MakePdf(sample);
        FillFolder(dir.Path(), total, 0, ".pdf", ReadFile(sample));
        std::remove(sample.c_str());
        const int runs = total > 10000 ? 9 : 31;
        // Each run renames the current file to a new name and picks the next.
        int step = 0;
        auto fileName = [](int i) {
            char name[32];
            std::snprintf(name, sizeof name, "scan%06d.pdf", i);
            return Bytes(name);
        };
        volatile int sink = 0;
        const double baseline = MedianMs(runs, [&] {
            const Bytes from = dir / fileName(step), to = dir / ("bare" + std::to_string(step) + ".pdf");
            std::rename(from.c_str(), to.c_str());
            BareLoad(to);
            sink = sink + BareScan(dir.Path());
            BareLoad(dir / fileName(step + 1));
            sink = sink + BareScan(dir.Path());
            ++step;
        });
        Program program;
        program.Open(dir / fileName(step));
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
        if (GetText(program->E_Filename) != dir / fileName(step)) return 1;
        Report("pick_with_rename_" + std::to_string(total) + "_pdfs", ours, baseline);
    }
    return 0;
}
