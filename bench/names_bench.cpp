// SPDX-License-Identifier: GPL-3.0-or-later
// Names from the file: how long after the page its candidates are offered,
// OCR of the top of a scan beside the tesseract command, the share of picks
// in a paced run whose candidates were ready on arrival, the readers' helper
// beside the same reads in process, and what each crafted file costs.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPdfDocument>
#include <QProcess>
#include <QTest>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "names/FileReader.h"
#include "names/NameSuggestions.h"
#include "names/Candidates.h"
#include "names/Ocr.h"
#include "names/ReadersClient.h"
#include "support/CraftedFiles.h"
#include "names/PdfText.h"
#include "platform/WholeFile.h"
#include "qt/NameList.h"
#include "qt/PdfViewerControl.h"
#include "qt/PlatformServices.h"
#include "support/Fixtures.h"
#include "support/NamePdfs.h"
#include "support/WindowHarness.h"

namespace {

// The window as the program wires it: its candidates from a worker.
struct Window {
    Program program;
    NameSuggestions names{[this](std::function<void()> task) { QMetaObject::invokeMethod(&program.form1(), std::move(task)); },
                          [this](const Bytes& path, const FileNames& found) {
                              program->Logic.NamesRead(path, found);
                          }};
    Window() { program->SetNameSource(&names); }
    // Candidates, or "候補なし": anything but the line that says they are being read.
    bool Offered() {
        TNameList& list = program->NameList();
        return list.count() > 0 && list.item(0)->text() != QStringLiteral("読み取り中…");
    }
};

void Fail(const std::string& why) {
    std::fprintf(stderr, "names bench: %s\n", why.c_str());
    std::exit(1);
}

// Open → candidates offered, counted from the page loaded; each file alone in
// its folder, so nothing was read ahead. The baseline: Qt PDF loading the same
// file and taking the text of its first page.
void CandidatesAfterThePage(int runs) {
    std::vector<double> ours, bare;
    for (int i = 0; i < runs; ++i) {
        TempDir dir;
        const Bytes path = dir / "invoice.pdf";
        MakeInvoicePdf(path);
        Window window;
        window.program.nextOpen = {path};
        window.program->B_Open->click();  // returns with the page loaded
        QElapsedTimer timer;
        timer.start();
        while (!window.Offered()) {
            if (timer.elapsed() > 20000) Fail("no candidates for " + path);
            QTest::qWait(1);
        }
        ours.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        QPdfDocument document;
        document.load(QString::fromUtf8(path.c_str()));
        if (document.getAllText(0).text().isEmpty()) Fail("no text in " + path);
        bare.push_back(timer.nsecsElapsed() / 1e6);
    }
    Report("names_candidates_offered_after_the_page_text_pdf_baseline_qtpdf_load_and_text", ours, bare);
}

// Ours: the top of the page drawn and read in-process, as the worker does.
// The baseline: the tesseract command on the same image, one thread.
void OcrOfTheTop(int runs) {
    TempDir dir;
    MakeScannedInvoicePdf(dir / "scan.pdf");
    const Bytes bytes = ReadFile(dir / "scan.pdf");
    PdfText pdf;
    if (!pdf.Open(bytes)) Fail("the scan does not open");
    Ocr ocr;
    if (!ocr.Ready()) Fail("no language data");
    const GreyImage top = pdf.Draw(0, kOcrDpi, 0, kOcrTop);
    QImage image(top.pixels.data(), top.width, top.height, top.width, QImage::Format_Grayscale8);
    const QString png = QString::fromUtf8((dir / "top.png").c_str());
    image.save(png);
    const std::vector<double> ours = TimesMs(runs, [&] {
        if (ocr.Read(pdf.Draw(0, kOcrDpi, 0, kOcrTop), 0).empty()) Fail("OCR read nothing");
    });
    const std::vector<double> bare = TimesMs(runs, [&] {
        QProcess tesseract;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        tesseract.setProcessEnvironment(environment);
        tesseract.start(QStringLiteral("tesseract"), {png, QStringLiteral("-"), QStringLiteral("-l"), QStringLiteral("jpn+eng")});
        if (!tesseract.waitForFinished(120000) || tesseract.readAllStandardOutput().isEmpty()) Fail("the tesseract command failed");
    });
    std::printf("# the top %d%% of a %d dpi A4 scan: %dx%d pixels\n", int(kOcrTop * 100), kOcrDpi, top.width, top.height);
    Report("names_ocr_top_of_a_300dpi_a4_scan_baseline_tesseract_command", ours, bare);
}

// A user at `paceMs` per file through a folder of scans (no text layer):
// the share of picks whose candidates were there as the file came up.
void PacedRun(int files, int paceMs) {
    TempDir dir;
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "scan%03d.pdf", i + 1);
        MakeScannedInvoicePdf(dir / name, static_cast<unsigned>(i + 1));
    }
    Window window;
    window.program.Open(dir / "scan001.pdf");
    int ready = 0;
    for (int i = 1; i < files; ++i) {
        QTest::qWait(paceMs);
        window.program.Pick(i);
        ready += window.Offered();
    }
    const double share = 100.0 * ready / (files - 1);
    std::printf("bench names_ready_on_arrival_paced_%d_scans_at_%d_ms share_percent=%.1f ready=%d picks=%d goal_percent=95\n",
                files, paceMs, share, ready, files - 1);
    std::fflush(stdout);
}

// A file read for names through the helper, beside the same read in this
// process, for a text PDF, a scan and an MP3; and what starting the helper costs.
void HelperBesideInProcess(int runs) {
    TempDir dir;
    MakeInvoicePdf(dir / "invoice.pdf");
    MakeScannedInvoicePdf(dir / "scan.pdf");
    MakeMp3(dir / "tagged.mp3", 1000);
    const std::atomic<bool> going{false};
    QElapsedTimer timer;
    timer.start();
    const NameSuggestions::Reader helper = HelperFileNameReader(kReadDeadline)();
    helper(dir / "tagged.mp3", going, ReadDepth::Top);
    const double start = timer.nsecsElapsed() / 1e6;
    const NameSuggestions::Reader inProcess = FileNameReader()();
    inProcess(dir / "tagged.mp3", going, ReadDepth::Top);
    std::printf("bench names_helper_start_and_first_mp3_ms=%.1f\n", start);
    for (const char* name : {"invoice.pdf", "scan.pdf", "tagged.mp3"}) {
        const std::vector<double> ours = TimesMs(runs, [&] { helper(dir / name, going, ReadDepth::Top); });
        const std::vector<double> bare = TimesMs(runs, [&] { inProcess(dir / name, going, ReadDepth::Top); });
        Report(std::string("names_read_in_the_helper_") + name + "_baseline_in_process", ours, bare);
    }
}

// A scan's first candidates (its top) and its last (all of page 1) through
// the helper, beside the whole page read in this process in one go; then the
// same scan fed in upside down, whose first read asks which way up it stands
// and reads it all turned back.
void TopThenTheRest(int runs) {
    TempDir dir;
    MakeScannedInvoicePdf(dir / "scan.pdf");
    WriteFile(dir / "over.pdf", ImagePdf(GreyOf(ScannedInvoicePage().transformed(QTransform().rotate(180)), 300)));
    const std::atomic<bool> going{false};
    const NameSuggestions::Reader helper = HelperFileNameReader(kReadDeadline)();
    const NameSuggestions::Reader inProcess = FileNameReader()();
    inProcess(dir / "scan.pdf", going, ReadDepth::Top);  // Tesseract started
    const std::vector<double> whole = TimesMs(runs, [&] { inProcess(dir / "scan.pdf", going, ReadDepth::Whole); });
    const std::vector<double> first = TimesMs(runs, [&] { helper(dir / "scan.pdf", going, ReadDepth::Top); });
    std::vector<double> last = first;
    const std::vector<double> rest = TimesMs(runs, [&] { helper(dir / "scan.pdf", going, ReadDepth::Whole); });
    for (std::size_t i = 0; i < last.size(); ++i) last[i] += rest[i];
    Report("names_scan_first_candidates_top_baseline_whole_page_in_process", first, whole);
    Report("names_scan_last_candidates_top_then_whole_baseline_whole_page_in_process", last, whole);
    const std::vector<double> upsideDown = TimesMs(runs, [&] {
        if (helper(dir / "over.pdf", going, ReadDepth::Top).found.names.empty()) Fail("the upside-down scan gave nothing");
    });
    Report("names_upside_down_scan_first_candidates_baseline_upright_whole_page_in_process", upsideDown, whole);
}

// Each crafted file read in this process (a child, so that it may take the
// machine's memory and be killed after a minute) and through the helper: time
// and peak memory.
void CraftedFilesCost() {
    TempDir dir;
    const std::atomic<bool> going{false};
    const NameSuggestions::Reader helper = HelperFileNameReader(kReadDeadline)();
    for (const CraftedFile& file : CraftedFiles()) {
        const Bytes path = dir / file.name;
        WriteFile(path, file.bytes);
        QElapsedTimer timer;
        timer.start();
        const pid_t child = fork();
        if (child == 0) {
            FileReader reader;
            NameCandidates(reader.Read(path).text);
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        while (wait4(child, &status, WNOHANG, &usage) == 0) {
            if (timer.elapsed() > 60000) kill(child, SIGKILL);
            usleep(10000);
        }
        const double inProcessMs = timer.nsecsElapsed() / 1e6;
        const char* ending = WIFSIGNALED(status) ? (WTERMSIG(status) == SIGKILL ? "killed at 60 s" : "crashed") : "ended";
        timer.start();
        helper(path, going, ReadDepth::Top);
        std::printf("bench names_crafted_%s in_process_ms=%.0f in_process_peak_mb=%ld (%s) helper_ms=%.0f\n", file.name,
                    inProcessMs, usage.ru_maxrss / 1024, ending, timer.nsecsElapsed() / 1e6);
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv) {
    InstallQtPlatformServices();
    QApplication application(argc, argv);
    RegisterPdfViewerControl();
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    HelperBesideInProcess(quick ? 3 : 10);  // first: its start is the helper's first
    CandidatesAfterThePage(quick ? 3 : 15);
    OcrOfTheTop(quick ? 1 : 5);
    TopThenTheRest(quick ? 1 : 5);
    PacedRun(quick ? 6 : 50, 3000);
    if (!quick) CraftedFilesCost();
    return 0;
}
