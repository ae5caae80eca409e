// SPDX-License-Identifier: GPL-3.0-or-later
// Loading a PDF and showing its first page, against Qt PDF in this process
// reading, parsing and drawing that page at the same size; and the reload of
// an unchanged file.
#include <QApplication>
#include <QPdfDocument>
#include <QPixmap>
#include <filesystem>

#include "qt/AcroPDFLib_TLB.h"
#include "BenchSupport.h"
#include "support/Fixtures.h"
#include "qt/PdfPageView.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    TempDir dir;
    QWidget host;
    host.resize(427, 492);
    auto* viewer = new TAcroPDF(&host);
    viewer->setGeometry(0, 0, 427, 492);
    viewer->Activate();
    host.show();
    QWidget* window = viewer->ControlWindow();

    for (const int pages : {1, 300}) {
        const Bytes name = "doc" + std::to_string(pages);
        MakePdf(dir / (name + "-a.pdf"), {pages});
        std::filesystem::copy_file(dir / (name + "-a.pdf"), dir / (name + "-b.pdf"));
        // Two copies in turn, so that every load parses afresh.
        int turn = 0;
        QPixmap shown;
        const double ours = MedianMs(21, [&] {
            viewer->ViewerLoadFile(dir / (name + (turn++ % 2 ? "-b.pdf" : "-a.pdf")));
            viewer->ViewerSetView(u"Fit");
            shown = window->grab();  // the first page drawn, into an image
        });
        // The drawn page really holds the fixture's black block.
        const QImage image = shown.toImage();
        if (image.pixelColor(image.width() / 2, image.height() / 2) != Qt::black) return 1;
        auto* control = static_cast<PdfViewerControl*>(viewer->Control());
        if (control->Document() == nullptr || control->Document()->pageCount() != pages) return 1;
        // The same copies in turn, the page drawn at the size ours draws it.
        const QSize drawn = control->PageView()->PageRectInViewport().size();
        turn = 0;
        const double baseline = MedianMs(21, [&] {
            const QImage page = BareLoadAndRender(dir / (name + (turn++ % 2 ? "-b.pdf" : "-a.pdf")), drawn);
            if (page.isNull()) std::abort();
        });
        Report("load_and_show_" + std::to_string(pages) + "_pages_baseline_qtpdf_load_render", ours, baseline);
        if (pages == 1) {
            const double reload = MedianMs(101, [&] {
                viewer->ViewerLoadFile(dir / (name + "-a.pdf"));
            });
            Report("reload_unchanged_1_page_baseline_qtpdf_load_render", reload, baseline);
        }
    }
    return 0;
}
