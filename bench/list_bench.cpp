// Rebuilding the folder list, shown, against a bare scan of the same folder.
#include <QApplication>

#include "BenchSupport.h"
#include "support/Fixtures.h"
#include "support/WindowHarness.h"
#include "ui/ByteControls.h"
#include "viewer/PdfViewerControl.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    for (const int total : {1000, 100000}) {
        TempDir dir;
        FillFolder(dir.Path(), total / 2, total / 2, ".pdf");
        Program program;
        SetText(program->E_Filename, dir.Path() + "scan000001.pdf");
        const int runs = total > 10000 ? 15 : 101;
        volatile int sink = 0;
        const double baseline = MedianMs(runs, [&] { sink = sink + BareScan(dir.Path()); });
        const double ours = MedianMs(runs, [&] {
            program->RefreshFileList();
            program->ListBox1->repaint();  // the list shown, not only filled
        });
        if (program->ListBox1->Count() != total / 2) return 1;
        Report("refresh_file_list_" + std::to_string(total) + "_files", ours, baseline);
        // The first visit of a folder reads it whole: two folders in turn.
        TempDir twin;
        FillFolder(twin.Path(), total / 2, total / 2, ".pdf");
        int turn = 0;
        const double firstVisit = MedianMs(runs, [&] {
            SetText(program->E_Filename, (turn++ % 2 ? twin.Path() : dir.Path()) + "scan000001.pdf");
            program->RefreshFileList();
            program->ListBox1->repaint();
        });
        Report("refresh_file_list_" + std::to_string(total) + "_files_first_visit", firstVisit, baseline);
    }
    return 0;
}
