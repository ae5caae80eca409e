// SPDX-License-Identifier: GPL-3.0-or-later
// Names from real files: an invoice as a text PDF and as a scan of it, MP3
// tags as taggers write them (and damaged), and the worker stepping through
// a folder faster than it can read.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPdfWriter>

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <dirent.h>
#include <utime.h>
#include <chrono>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>
#include <thread>

#include "names/Candidates.h"
#include "names/FileReader.h"
#include "names/Mp3Tags.h"
#include "names/NameSuggestions.h"
#include "names/Ocr.h"
#include "names/PdfText.h"
#include "names/ReadersClient.h"
#include "support/CraftedFiles.h"
#include "platform/WholeFile.h"
#include "core/CodePage.h"
#include "support/Fixtures.h"
#include "support/Mp3TagCases.h"
#include "support/NamePdfs.h"

namespace {

using Clock = std::chrono::steady_clock;


bool Has(const std::vector<Bytes>& names, const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); }

int Threads() {
    int n = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir)) n += entry->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

Bytes InvoicePdf(const TempDir& dir) {
    MakeInvoicePdf(dir / "invoice.pdf");
    return dir / "invoice.pdf";
}

Bytes ScannedInvoicePdf(const TempDir& dir) {
    MakeScannedInvoicePdf(dir / "scan.pdf");
    return dir / "scan.pdf";
}

TEST(NameFiles, InvoiceTextLayerAndScan) {
    TempDir dir;
    FileReader reader;
    const FileReader::Result text = reader.Read(InvoicePdf(dir));
    ASSERT_TRUE(text.identity);
    ASSERT_FALSE(text.text.pages.empty());
    EXPECT_FALSE(text.text.pages[0].ocr);
    const std::vector<Bytes> fromText = NameCandidates(text.text, CodePage::FromNumber(65001));
    ASSERT_FALSE(fromText.empty());
    EXPECT_EQ(fromText[0], "2026-03-31");
    std::string listed;
    for (const Bytes& name : fromText) listed += name + " | ";
    std::printf("text layer: %s\n", listed.c_str());
    for (const char* name : {"20260331", "INV-2026-0042", "請求書", "株式会社サンプル技研", "2026-04-30"})
        EXPECT_TRUE(Has(fromText, name)) << name;

    const Bytes scan = ScannedInvoicePdf(dir);
    const int threadsBefore = Threads();
    const auto start = Clock::now();
    const FileReader::Result read = reader.Read(scan);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_EQ(Threads(), threadsBefore) << "Tesseract started threads of its own";
    ASSERT_FALSE(read.text.pages.empty());
    EXPECT_TRUE(read.text.pages[0].ocr);
    EXPECT_TRUE(read.text.pages[0].partial) << "the date stands in the top part";
    const std::vector<Bytes> fromScan = NameCandidates(read.text, CodePage::FromNumber(65001));
    std::string all;
    for (const Bytes& name : fromScan) all += name + " | ";
    std::printf("scan: read in %lld ms (Tesseract started, top of page 1 at %d dpi): %s\n", static_cast<long long>(ms), kOcrDpi,
                all.c_str());
    for (const char* name : {"2026-03-31", "INV-2026-0042", "請求書"}) EXPECT_TRUE(Has(fromScan, name)) << name << " in " << all;
}

// A bill whose kind, number and date stand only in its bottom half: the
// top read says more is to be read, and the whole read finds them.
TEST(NameFiles, FieldsInTheBottomOfAScanAreFoundByTheWholeRead) {
    TempDir dir;
    const QImage page = DrawnScanPage([](QPainter& painter) {
        const auto text = [&](qreal x, qreal y, int size, const QString& line) { DrawLine(painter, x, y, size, line); };
        text(50, 120, 12, QStringLiteral("いつもご利用ありがとうございます"));
        text(50, 650, 14, QStringLiteral("株式会社見本商事 様"));
        text(50, 680, 12, QStringLiteral("金額 ¥5,500 下記のとおりご請求申し上げます"));
        text(370, 710, 12, QStringLiteral("請求書番号 R-20815"));
        text(370, 728, 12, QStringLiteral("発行日 2026年5月20日"));
    });
    WriteFile(dir / "bill.pdf", ImagePdf(GreyOf(page, 300)));
    FileReader reader;
    const FileReader::Result top = reader.Read(dir / "bill.pdf");
    ASSERT_FALSE(top.text.pages.empty());
    EXPECT_TRUE(top.text.pages[0].partial);
    const FileFields topFields = ReadFields(top.text);
    EXPECT_FALSE(FindField(topFields, FieldKind::Kind));
    const FileReader::Result whole = reader.Read(dir / "bill.pdf", nullptr, ReadDepth::Whole);
    EXPECT_FALSE(whole.text.pages[0].partial);
    const std::vector<Bytes> names = NameCandidates(whole.text, CodePage::FromNumber(65001));
    std::string all;
    for (const Bytes& name : names) all += name + " | ";
    for (const char* name : {"2026-05-20", "R-20815", "請求書"}) EXPECT_TRUE(Has(names, name)) << name << " in " << all;
}

// A letterhead in small type beside its logo comes before another company
// named larger at the top: the picture is found in the text layer's page.
TEST(NameFiles, TheSenderBesideItsLogoFirst) {
    TempDir dir;
    for (const bool logo : {false, true}) {
        const Bytes path = dir / (logo ? "logo.pdf" : "plain.pdf");
        {
            QPdfWriter writer(QString::fromUtf8(path.c_str()));
            writer.setResolution(72);
            QPainter painter(&writer);
            QFont font(QStringLiteral("DejaVu Sans"));
            const auto text = [&](int x, int y, int size, const char* line) {
                font.setPixelSize(size);
                painter.setFont(font);
                painter.drawText(QPointF(x, y), QString::fromUtf8(line));
            };
            text(50, 60, 22, "INVOICE");
            text(50, 110, 16, "Globex Corp authorised reseller");
            if (logo) {
                QImage mark(64, 64, QImage::Format_RGB32);
                mark.fill(Qt::darkBlue);
                painter.drawImage(QRectF(330, 90, 32, 32), mark);
            }
            text(370, 110, 10, "Acme Cloud Services Inc.");
            text(370, 130, 10, "Invoice Number: INV-2023-0042");
        }
        const FileText read = FileReader().Read(path).text;
        ASSERT_FALSE(read.pages.empty());
        EXPECT_EQ(read.pages[0].pictures.size(), logo ? 1u : 0u);
        const FileFields fields = ReadFields(read);
        const Field* sender = FindField(fields, FieldKind::Sender);
        ASSERT_TRUE(sender);
        EXPECT_EQ(FromUtf16(sender->forms[0], CodePage::FromNumber(65001)), logo ? "Acme Cloud Services Inc" : "Globex Corp") << logo;
    }
}

// A heading letter-spaced in large type, the only place that names the kind:
// within the page Tesseract reads it as specks, alone it reads it right.
TEST(NameFiles, ALetterSpacedHeadingOfAScanGivesTheKind) {
    TempDir dir;
    const QImage page = DrawnScanPage([](QPainter& painter) {
        DrawLine(painter, 230, 70, 28, QStringLiteral("請 求 書"));
        DrawLine(painter, 50, 120, 14, QStringLiteral("株式会社見本商事 御中"));
        DrawLine(painter, 370, 120, 11, QStringLiteral("No. Q-0107"));
        DrawLine(painter, 370, 138, 11, QStringLiteral("発行日：2026年6月11日"));
        DrawLine(painter, 370, 170, 13, QStringLiteral("株式会社東西物産"));
        DrawLine(painter, 50, 260, 12, QStringLiteral("下記のとおり申し上げます。"));
    });
    WriteFile(dir / "spaced.pdf", ImagePdf(GreyOf(page, 300)));
    FileReader reader;
    const FileFields fields = ReadFields(reader.Read(dir / "spaced.pdf").text);
    const Field* kind = FindField(fields, FieldKind::Kind);
    ASSERT_TRUE(kind);
    EXPECT_EQ(FromUtf16(kind->forms[0], CodePage::FromNumber(65001)), "請求書");
}

// The invoice scanned turned by 90°, at 200 dpi and bitonal, as office
// scanners send it: the whole page, read as one picture, finds its fields.
TEST(NameFiles, AScanTurnedFaintAndBitonalIsReadWhole) {
    TempDir dir;
    WriteFile(dir / "turned.pdf", ImagePdf(GreyOf(TurnedFaintBitonal(ScannedInvoicePage()), 200)));
    FileReader reader;
    const FileReader::Result whole = reader.Read(dir / "turned.pdf", nullptr, ReadDepth::Whole);
    const std::vector<Bytes> names = NameCandidates(whole.text, CodePage::FromNumber(65001));
    std::string all;
    for (const Bytes& name : names) all += name + " | ";
    std::printf("turned, 200 dpi, bitonal: %s\n", all.c_str());
    // Read turned back upright: the issue date first, the number line's thin
    // strokes kept, the due date no title.
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "2026-03-31");
    for (const char* name : {"INV-2026-0042", "株式会社サンプル技研"}) EXPECT_TRUE(Has(names, name)) << name << " in " << all;
    EXPECT_FALSE(Has(names, "お支払期限 ：2026 年 4 月 30 日")) << all;
    EXPECT_GT(whole.text.pages[0].height, whole.text.pages[0].width) << "the page the right way up";
}

// Scanned upside down: its top reads as specks, so the first read already
// asks which way up it stands, and reads it all turned over.
TEST(NameFiles, AScanUpsideDownIsReadTurnedOver) {
    TempDir dir;
    WriteFile(dir / "over.pdf", ImagePdf(GreyOf(ScannedInvoicePage().transformed(QTransform().rotate(180)), 300)));
    FileReader reader;
    const FileText over = reader.Read(dir / "over.pdf").text;
    ASSERT_FALSE(over.pages.empty());
    EXPECT_FALSE(over.pages[0].partial);
    const std::vector<Bytes> names = NameCandidates(over, CodePage::FromNumber(65001));
    std::string all;
    for (const Bytes& name : names) all += name + " | ";
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "2026-03-31") << all;
    for (const char* name : {"INV-2026-0042", "請求書", "株式会社サンプル技研"}) EXPECT_TRUE(Has(names, name)) << name << " in " << all;
}

// Invoices from abroad, drawn with a text layer as web shops send them.
TEST(NameFiles, InvoicesInEnglishAndGerman) {
    TempDir dir;
    const struct {
        const char* file;
        std::vector<std::pair<int, QString>> lines;  // font size, text, one under the other
        std::vector<const char*> expected;
    } invoices[] = {
        {"english.pdf",
         {{22, "INVOICE"}, {12, "Acme Cloud Services Inc."}, {10, "Invoice Number: INV-2023-0042"},
          {10, "Invoice Date: 03/04/2023"}, {10, "Bill to"}, {10, "Yamada Trading LLC"}, {10, "Grand Total $1,200.00"}},
         {"2023-03-04", "INV-2023-0042", "Invoice", "Acme Cloud Services Inc"}},
        {"german.pdf",
         {{22, "Rechnung"}, {12, "QualityHosting AG"}, {10, "Rechnungsnr.: 2014-5521"}, {10, "Datum: 7. Mai 2014"},
          {10, "Rechnungsadresse"}, {10, "Muster Handel GmbH"}, {10, "Summe 91,00 €"}},
         {"2014-05-07", "2014-5521", "Rechnung", "QualityHosting AG"}},
    };
    FileReader reader;
    for (const auto& invoice : invoices) {
        {
            QPdfWriter writer(QString::fromUtf8((dir / invoice.file).c_str()));
            writer.setResolution(72);
            QPainter painter(&writer);
            int y = 60;
            for (const auto& [size, text] : invoice.lines) {
                QFont font(QStringLiteral("DejaVu Sans"));
                font.setPixelSize(size);
                painter.setFont(font);
                painter.drawText(QPointF(50, y), text);
                y += size * 2;
            }
        }
        const std::vector<Bytes> names = NameCandidates(reader.Read(dir / invoice.file).text, CodePage::FromNumber(65001));
        std::string all;
        for (const Bytes& name : names) all += name + " | ";
        EXPECT_TRUE(!names.empty() && names[0] == invoice.expected[0]) << invoice.file << ": " << all;
        for (const char* name : invoice.expected) EXPECT_TRUE(Has(names, name)) << invoice.file << ": " << name << " in " << all;
        EXPECT_FALSE(Has(names, "Yamada Trading LLC") || Has(names, "Muster Handel GmbH")) << all;
    }
}

// --- MP3 tags ----------------------------------------------------------------

TEST(NameFiles, Mp3Tags) {
    TempDir dir;
    const Bytes plain = dir / "plain.mp3";
    MakeMp3(plain, 200);
    // An hour of sound is not read for its tags: only the tag ahead and ID3v1's place at the end.
    const Bytes sound(8 << 20, '\0');
    for (const Mp3TagCase& c : Mp3TagCases(u"テスト曲")) {
        const Bytes path = dir / "tagged.mp3";
        WriteFile(path, ReadFile(plain) + sound);
        {
            TagLib::MPEG::File file(path.c_str(), false);
            c.tag(file);
        }
        ExpectTagsRead(c, FileReader().Read(path));
        std::size_t asked = 0;
        std::optional<FileIdentity> identity;
        std::string bytes;
        ReadFileEnds(ToUtf16(path), EndsToRead(FileKind::Mp3), [&](std::size_t size) {
            bytes.resize(asked = size);
            return bytes.data();
        }, &identity);
        EXPECT_LT(asked, sound.size() / 16);
    }
}

TEST(NameFiles, DamagedTagsNeitherCrashNorHang) {
    TempDir dir;
    const Bytes path = dir / "tagged.mp3";
    MakeMp3(path, 200);
    {
        TagLib::MPEG::File file(path.c_str(), false);
        file.ID3v2Tag(true)->setTitle(TagLib::String(L"壊れたタグのテスト", TagLib::String::UTF16));
        file.ID3v2Tag(true)->setArtist("artist");
        file.save();
    }
    const Bytes good = ReadFile(path);
    const std::size_t tagEnd = std::min<std::size_t>(good.size(), 200);
    std::mt19937 random(22);
    std::vector<Bytes> damaged{
        good.substr(0, 30),                                       // cut inside the tag
        Bytes("ID3\x04\x00\x00\x7F\x7F\x7F\x7F", 10) + good.substr(10),  // a tag larger than the file
        Bytes("ID3\x03\x00\x00\x00\x00\x00\x0A", 10) + "TIT2\xFF\xFF\xFF\xFF\x00\x00",  // a frame larger than its tag
    };
    for (int i = 0; i < 300; ++i) {
        Bytes bytes = good;
        for (int n = 1 + int(random() % 6); n > 0; --n) bytes[random() % tagEnd] = char(random() % 256);
        damaged.push_back(bytes);
    }
    const auto start = Clock::now();
    for (const Bytes& bytes : damaged) {
        const Tags tags = ReadMp3Tags(bytes);
        EXPECT_LE(tags.title.size(), bytes.size());
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(20));
}

// --- the worker --------------------------------------------------------------

// The test's thread plays the UI thread: posted tasks wait in a queue it runs.
struct UiQueue {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    void Post(std::function<void()> task) {
        std::lock_guard lock(mutex);
        tasks.push_back(std::move(task));
    }
    void RunAll() {
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard lock(mutex);
                if (tasks.empty()) return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }
};

TEST(NameWorker, SteppingThrough200FilesFast) {
    TempDir dir;
    std::vector<Bytes> files;
    for (int i = 0; i < 200; ++i) {
        files.push_back(dir / ("scan_" + std::to_string(i) + ".pdf"));
        WriteFile(files.back(), TextPdf("Invoice No. " + std::to_string(5000 + i) + " of 2026-03-31"));
    }
    const int threadsBefore = Threads();
    UiQueue ui;
    Bytes shown;
    std::vector<std::string> wrong;
    int delivered = 0;
    bool lastDelivered = false;
    {
        // Each read a little slow, as a real page is, so that most are still running when the user moves on.
        const NameSuggestions::MakeReader real = FileNameReader();
        NameSuggestions suggestions([&](std::function<void()> task) { ui.Post(std::move(task)); },
                                    [&](const Bytes& path, const FileNames& found) {
                                        const NameSource::Names& names = found.names;
                                        ++delivered;
                                        const std::size_t i = std::find(files.begin(), files.end(), path) - files.begin();
                                        if (path != shown || i == files.size() || !Has(names, std::to_string(5000 + i).c_str()))
                                            wrong.push_back(path);
                                        lastDelivered = lastDelivered || path == files.back();
                                    },
                                    [real] {
                                        NameSuggestions::Reader read = real();
                                        return [read](const Bytes& path, const std::atomic<bool>& cancelled, ReadDepth depth) {
                                            std::this_thread::sleep_for(std::chrono::milliseconds(3));
                                            return read(path, cancelled, depth);
                                        };
                                    });
        for (std::size_t i = 0; i < files.size(); ++i) {
            shown = files[i];
            const auto kept = suggestions.Request(files[i], {files[(i + 1) % files.size()]});
            if (kept) {
                EXPECT_TRUE(Has(kept->names, std::to_string(5000 + i).c_str())) << i;
            }
            if (i % 3 == 0) ui.RunAll();
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        for (auto until = Clock::now() + std::chrono::seconds(20); !lastDelivered && Clock::now() < until;) {
            ui.RunAll();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        EXPECT_TRUE(lastDelivered);
        EXPECT_LE(suggestions.Workers(), 1);

        // A renamed file keeps its candidates; the next file was read ahead.
        const Bytes renamed = dir / "renamed.pdf";
        ASSERT_EQ(std::rename(files.back().c_str(), renamed.c_str()), 0);
        ASSERT_TRUE(suggestions.Kept(renamed));
        EXPECT_TRUE(Has(suggestions.Kept(renamed)->names, "5199"));
        for (auto until = Clock::now() + std::chrono::seconds(10); !suggestions.Kept(files[0]) && Clock::now() < until;)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_TRUE(suggestions.Request(files[0]));

        // Off: the worker ends by itself, nothing is read, nothing comes.
        shown = files[1];
        suggestions.Request(files[1]);
        suggestions.SetEnabled(false);
        EXPECT_FALSE(suggestions.Request(files[2]));
        for (auto until = Clock::now() + std::chrono::seconds(10); suggestions.Workers() > 0 && Clock::now() < until;)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_EQ(suggestions.Workers(), 0);
        const int before = delivered;
        ui.RunAll();
        EXPECT_EQ(delivered, before);
        suggestions.SetEnabled(true);
        shown = files[3];
        suggestions.Request(files[3]);
        suggestions.Cancel();
        shown.clear();
    }
    ui.RunAll();  // tasks of a worker that is gone do nothing
    EXPECT_EQ(wrong, std::vector<std::string>{});
    // No worker left behind; a thread of an earlier test (GStreamer's) may have ended meanwhile.
    EXPECT_LE(Threads(), threadsBefore);
}

// Examples of the user's names are read last, the most recently changed
// first, never a scanner's names; a step to another file puts the one in
// hand off until after it.
TEST(NameWorker, ExamplesWaitBehindTheFileShownAndTheReadAhead) {
    TempDir dir;
    const std::vector<Bytes> examples{"old.pdf", "newest.pdf", "middle.pdf", "scan0001.pdf"};
    const std::time_t now = std::time(nullptr);
    for (std::size_t i = 0; i < examples.size(); ++i) {
        WriteFile(dir / examples[i], "x");
        const utimbuf times{now, now - std::vector<std::time_t>{3000, 1000, 2000, 10}[i]};
        ASSERT_EQ(utime((dir / examples[i]).c_str(), &times), 0);
    }
    for (const char* name : {"shown.pdf", "next.pdf", "after.pdf"}) WriteFile(dir / name, "x");
    std::mutex mutex;
    std::vector<Bytes> read;  // in the order the reads ended, uncancelled
    std::atomic<bool> middleStarted{false}, lateAsked{false};
    UiQueue ui;
    std::vector<Bytes> delivered;
    NameSuggestions suggestions([&](std::function<void()> task) { ui.Post(std::move(task)); },
                                [&](const Bytes& path, const FileNames&) { delivered.push_back(path); },
                                [&] {
                                    return [&](const Bytes& path, const std::atomic<bool>& cancelled, ReadDepth) {
                                        // The second example holds until the steps below stop it.
                                        const bool hold = path == dir / "middle.pdf" && !lateAsked;
                                        if (path == dir / "middle.pdf") middleStarted = true;
                                        for (auto until = Clock::now() + std::chrono::seconds(10); hold && !cancelled && Clock::now() < until;)
                                            std::this_thread::sleep_for(std::chrono::milliseconds(1));
                                        std::lock_guard lock(mutex);
                                        if (!cancelled) read.push_back(path);
                                        return NameSuggestions::Read{IdentityOfPath(path), {{"n"}, {}}};
                                    };
                                });
    suggestions.Request(dir / "shown.pdf", {dir / "next.pdf", dir / "after.pdf"});
    suggestions.RequestExamples(dir / "", examples);
    const auto readSoFar = [&] {
        std::lock_guard lock(mutex);
        return read;
    };
    for (auto until = Clock::now() + std::chrono::seconds(10); !middleStarted && Clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Stepping on while the second example is read: the files shown go first.
    suggestions.Request(dir / "next.pdf", {dir / "after.pdf"});
    WriteFile(dir / "late.pdf", "x");
    suggestions.Request(dir / "late.pdf");
    lateAsked = true;
    for (auto until = Clock::now() + std::chrono::seconds(10); readSoFar().size() < 7 && Clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ui.RunAll();
    EXPECT_EQ(readSoFar(), (std::vector<Bytes>{dir / "shown.pdf", dir / "next.pdf", dir / "after.pdf", dir / "newest.pdf",
                                               dir / "late.pdf", dir / "middle.pdf", dir / "old.pdf"}));
    // Each example comes back once; of the files shown, only the one still shown.
    EXPECT_EQ(delivered, (std::vector<Bytes>{dir / "newest.pdf", dir / "late.pdf", dir / "middle.pdf", dir / "old.pdf"}));
}

// A scan's top read lacks a field: the rest of the file shown is read after
// the files read ahead, and its names follow the top's, which keep their rows.
TEST(NameWorker, TheRestOfAScanIsReadForTheFileShownAfterTheReadAhead) {
    TempDir dir;
    for (const char* name : {"shown.pdf", "next.pdf"}) WriteFile(dir / name, "x");
    std::mutex mutex;
    std::vector<std::pair<Bytes, ReadDepth>> reads;
    UiQueue ui;
    using Names = NameSource::Names;
    std::vector<std::pair<Bytes, Names>> delivered;
    const Field date{FieldKind::Date, 0, {u"2026-05-20"}}, number{FieldKind::Number, 0, {u"R-20815"}},
        kind{FieldKind::Kind, 0, {u"請求書"}};
    NameSuggestions suggestions([&](std::function<void()> task) { ui.Post(std::move(task)); },
                                [&](const Bytes& path, const FileNames& found) { delivered.emplace_back(path, found.names); },
                                [&] {
                                    return [&](const Bytes& path, const std::atomic<bool>&, ReadDepth depth) {
                                        std::lock_guard lock(mutex);
                                        reads.emplace_back(path, depth);
                                        if (depth == ReadDepth::Top) return NameSuggestions::Read{IdentityOfPath(path), {{"2026-05-20"}, {date}, true}};
                                        return NameSuggestions::Read{IdentityOfPath(path),
                                                                     {{"R-20815", "2026-05-20"}, {date, number, kind}, false}};
                                    };
                                });
    const auto readsSoFar = [&] {
        std::lock_guard lock(mutex);
        return reads.size();
    };
    suggestions.Request(dir / "shown.pdf", {dir / "next.pdf"});
    for (auto until = Clock::now() + std::chrono::seconds(10); delivered.size() < 2 && Clock::now() < until;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ui.RunAll();
    }
    using Read = std::pair<Bytes, ReadDepth>;
    EXPECT_EQ(reads, (std::vector<Read>{{dir / "shown.pdf", ReadDepth::Top}, {dir / "next.pdf", ReadDepth::Top},
                                        {dir / "shown.pdf", ReadDepth::Whole}}));
    EXPECT_EQ(delivered, (std::vector<std::pair<Bytes, Names>>{{dir / "shown.pdf", {"2026-05-20"}},
                                                               {dir / "shown.pdf", {"2026-05-20", "R-20815"}}}));
    EXPECT_FALSE(suggestions.Kept(dir / "shown.pdf")->partial);
    // The file read ahead comes up with its top: the rest of it is read now.
    EXPECT_TRUE(suggestions.Request(dir / "next.pdf")->partial);
    for (auto until = Clock::now() + std::chrono::seconds(10); readsSoFar() < 4 && Clock::now() < until;)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(reads.back(), (Read{dir / "next.pdf", ReadDepth::Whole}));
}

TEST(NameWorker, OcrTimeOfTheTopOfAScan) {
    TempDir dir;
    const Bytes scan = ScannedInvoicePdf(dir);
    const Bytes bytes = ReadFile(scan);
    PdfText pdf;
    ASSERT_TRUE(pdf.Open(bytes));
    const GreyImage top = pdf.Draw(0, kOcrDpi, 0, kOcrTop);
    Ocr ocr;
    ASSERT_TRUE(ocr.Ready());
    const int threadsBefore = Threads();
    const auto start = Clock::now();
    const std::vector<TextLine> lines = ocr.Read(top, 0);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::printf("OCR of the top %d%% of a %d dpi A4 page (%dx%d): %lld ms, %zu lines\n", int(kOcrTop * 100), kOcrDpi, top.width,
                top.height, static_cast<long long>(ms), lines.size());
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(Threads(), threadsBefore) << "Tesseract started threads of its own";
    // Cancelled before it starts: nothing, at once.
    std::atomic<bool> cancelled{true};
    EXPECT_TRUE(ocr.Read(top, 0, &cancelled).empty());
}

}  // namespace

// --- the readers' helper -----------------------------------------------------

// Each crafted file once crashed the program, ate gigabytes or held the
// reader for minutes. In the helper it costs its own names only: the read
// ends within the deadline and a second, the file is kept (not read again),
// and the invoice after it still gets its names.
TEST(ReadersHelper, CraftedFilesCostOnlyTheirOwnNames) {
    TempDir dir;
    const Bytes invoice = InvoicePdf(dir);
    const std::chrono::milliseconds deadline{2000};
    const NameSuggestions::Reader read = HelperFileNameReader(deadline)();
    const std::atomic<bool> going{false};
    for (const CraftedFile& file : CraftedFiles()) {
        WriteFile(dir / file.name, file.bytes);
        const auto start = Clock::now();
        const NameSuggestions::Read crafted = read(dir / file.name, going, ReadDepth::Top);
        EXPECT_LT(Clock::now() - start, deadline + std::chrono::seconds(1)) << file.name;
        EXPECT_TRUE(crafted.identity) << file.name;
        EXPECT_TRUE(Has(read(invoice, going, ReadDepth::Top).found.names, "請求書")) << "after " << file.name;
    }
    // Shut in: no files opened, no programs started, a memory limit.
    const Bytes status = ReadFile("/proc/" + std::to_string(ReaderHelperProcess()) + "/status");
    EXPECT_NE(status.find("Seccomp:\t2"), Bytes::npos);
}

// A read that finds nothing says so: a scan of nothing but speckles, an MP3
// with no tags and a damaged file each end, within the deadline, as a file
// read with no names (候補なし), never as one still being read.
TEST(ReadersHelper, ReadsThatFindNothingEndWithNoNames) {
    TempDir dir;
    GreyImage speckles{1240, 1754, 150, 0, std::vector<unsigned char>(1240 * 1754, 255)};
    std::mt19937 random(3);
    for (unsigned char& pixel : speckles.pixels)
        if (random() % 40 == 0) pixel = 0;
    WriteFile(dir / "speckles.pdf", ImagePdf(speckles));
    MakeMp3(dir / "untagged.mp3", 200);
    WriteFile(dir / "damaged.pdf", "%PDF-1.4 cut short");
    const std::chrono::milliseconds deadline{3000};
    const NameSuggestions::Reader read = HelperFileNameReader(deadline)();
    const std::atomic<bool> going{false};
    read(dir / "damaged.pdf", going, ReadDepth::Top);  // the helper's start is not a file's time
    for (const char* name : {"speckles.pdf", "untagged.mp3", "damaged.pdf"}) {
        const auto start = Clock::now();
        const NameSuggestions::Read found = read(dir / name, going, ReadDepth::Top);
        EXPECT_LT(Clock::now() - start, deadline + std::chrono::seconds(1)) << name;
        EXPECT_TRUE(found.identity) << name;
        EXPECT_TRUE(found.found.names.empty()) << name << ": " << (found.found.names.empty() ? "" : found.found.names[0]);
    }
}

// The window closed while the helper is deep in a file: the worker is let go
// at once and the helper killed, so the program ends within a second.
TEST(ReadersHelper, ClosingWhileAFileHoldsTheHelperTakesUnderASecond) {
    TempDir dir;
    WriteFile(dir / "fan-out.pdf", FanOutPdf(8, 10));
    UiQueue ui;
    auto names = std::make_unique<NameSuggestions>([&](std::function<void()> task) { ui.Post(std::move(task)); },
                                                   [](const Bytes&, const FileNames&) {},
                                                   HelperFileNameReader(std::chrono::seconds(60)));
    names->Request(dir / "fan-out.pdf");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const pid_t helper = ReaderHelperProcess();
    ASSERT_GT(helper, 0);
    const auto start = Clock::now();
    names.reset();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}
