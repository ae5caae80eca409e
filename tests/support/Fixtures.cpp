// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Fixtures.h"

#include <gst/gst.h>
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QPainter>
#include <QPdfWriter>
#include <QImage>
#include <QTransform>
#include <algorithm>
#include <random>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/CodePage.h"

TempDir::TempDir(const Bytes& under) {
    Bytes pattern = under + "quilvane-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed under " + under);
    path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Folders a test made read-only must be writable again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        if (it->is_directory(ignored)) chmod(it->path().c_str(), 0700);
    }
    chmod(path_.c_str(), 0700);
    std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const Bytes& path, const Bytes& contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
    if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes ReadFile(const Bytes& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool Exists(const Bytes& path) {
    struct stat st{};
    return lstat(path.c_str(), &st) == 0;
}

void MakeFolder(const Bytes& path) { mkdir(path.c_str(), 0755); }

std::vector<Bytes> ListNames(const Bytes& folder) {
    std::vector<Bytes> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const Bytes name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

// QPdfWriter writes by a QString path, which cannot hold every byte name.
Bytes TemporaryTwin(const Bytes& path, const char* suffix) {
    return path.substr(0, path.rfind('/') + 1) + ".fixture-" + std::to_string(getpid()) + suffix;
}

}  // namespace

void MakePdf(const Bytes& path, const PdfLayout& layout) {
    const Bytes twin = TemporaryTwin(path, ".pdf");
    {
        QPdfWriter writer(QString::fromUtf8(twin.c_str()));
        writer.setResolution(72);  // one unit is one point
        writer.setPageSize(QPageSize(layout.pagePoints, QPageSize::Point));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        for (int page = 0; page < layout.pages; ++page) {
            if (page > 0) writer.newPage();
            painter.fillRect(layout.content, Qt::black);
            painter.setPen(Qt::white);
            painter.drawText(layout.content, Qt::AlignCenter, QString::number(page + 1));
        }
    }
    if (std::rename(twin.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot place " + path);
}

void MakeEncryptedPdf(const Bytes& path) {
    MakePdf(path);
    Bytes pdf = ReadFile(path);
    const std::size_t startxref = pdf.rfind("startxref");
    const long previous = std::stol(pdf.substr(startxref + 9));
    const std::size_t sizeAt = pdf.rfind("/Size");
    const long size = std::stol(pdf.substr(sizeAt + 5));
    const std::size_t rootAt = pdf.rfind("/Root");
    const Bytes root = pdf.substr(rootAt + 5, pdf.find('R', rootAt + 5) - rootAt - 4);
    // A standard security handler whose check value matches no password.
    const Bytes encryptAt = std::to_string(size);
    std::ostringstream update;
    const std::size_t objectOffset = pdf.size();
    update << encryptAt << " 0 obj\n<< /Filter /Standard /V 1 /R 2 /P -4 /O <"
           << Bytes(64, 'A') << "> /U <" << Bytes(64, '7') << "> >>\nendobj\n";
    const std::size_t xrefOffset = objectOffset + update.str().size();
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", objectOffset);
    update << "xref\n" << encryptAt << " 1\n" << entry << "trailer\n<< /Size " << size + 1 << " /Root" << root
           << " /Encrypt " << encryptAt << " 0 R /ID [<0123456789ABCDEF0123456789ABCDEF> <0123456789ABCDEF0123456789ABCDEF>]"
           << " /Prev " << previous << " >>\nstartxref\n" << xrefOffset << "\n%%EOF\n";
    WriteFile(path, pdf + update.str());
}

void MakeMp3(const Bytes& path, int milliseconds, int rate, int kbps) {
    static const bool initialised = gst_init_check(nullptr, nullptr, nullptr);
    (void)initialised;
    const Bytes twin = TemporaryTwin(path, ".mp3");
    // Buffers of 10 ms each.
    const std::string description = "audiotestsrc num-buffers=" + std::to_string(std::max(1, milliseconds / 10)) +
                                    " samplesperbuffer=" + std::to_string(rate / 100) + " ! audio/x-raw,rate=" +
                                    std::to_string(rate) + ",channels=1 ! audioconvert ! lamemp3enc target=bitrate cbr=true bitrate=" +
                                    std::to_string(kbps) + " ! filesink location=\"" + twin + "\"";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (pipeline == nullptr) throw std::runtime_error(error ? error->message : "no pipeline");
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* done = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                                  GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    const bool ok = done != nullptr && GST_MESSAGE_TYPE(done) == GST_MESSAGE_EOS;
    if (done) gst_message_unref(done);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    if (!ok || std::rename(twin.c_str(), path.c_str()) != 0) throw std::runtime_error("cannot make " + path);
}

Bytes ShiftJis(const char* utf8) { return FromUtf16(ToUtf16(utf8, CodePage::FromNumber(65001)), CodePage::FromNumber(932)); }
void DrawLine(QPainter& painter, qreal x, qreal y, int pixels, const QString& text) {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(pixels);
    painter.setFont(font);
    painter.drawText(QPointF(x, y), text);
}

namespace {

// An invoice as offices print them, in points on A4.
void DrawInvoice(QPainter& painter) {
    const auto text = [&](qreal x, qreal y, int size, const char* s) { DrawLine(painter, x, y, size, QString::fromUtf8(s)); };
    painter.setPen(Qt::black);
    text(230, 70, 28, "請 求 書");
    text(50, 120, 14, "株式会社見本商事 御中");
    text(370, 120, 11, "請求書番号：INV-2026-0042");
    text(370, 138, 11, "発行日：令和8年3月31日");
    text(370, 170, 13, "株式会社サンプル技研");
    text(370, 188, 10, "〒100-0001 東京都千代田区1-2-3");
    text(370, 204, 10, "TEL 03-1234-5678");
    text(50, 260, 12, "下記のとおりご請求申し上げます。");
    text(50, 300, 12, "品名　　　　　　数量　　単価　　金額");
    text(50, 322, 12, "保守作業費　　　1　　100,000　100,000");
    text(50, 380, 12, "合計金額　¥110,000（税込）");
    text(50, 420, 12, "お支払期限：2026年4月30日");
}

}  // namespace

void MakeInvoicePdf(const Bytes& path) {
    QPdfWriter writer(QString::fromUtf8(path.c_str()));
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    DrawInvoice(painter);
}

QImage DrawnScanPage(const std::function<void(QPainter&)>& draw) {
    QImage page(2480, 3508, QImage::Format_Grayscale8);
    page.fill(255);
    QPainter painter(&page);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(300.0 / 72.0, 300.0 / 72.0);
    draw(painter);
    return page;
}

QImage TurnedFaintBitonal(const QImage& page) {
    return page.transformed(QTransform().rotate(90))
        .scaled(page.height() * 2 / 3, page.width() * 2 / 3, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
        .convertToFormat(QImage::Format_Grayscale8);
}

GreyImage GreyOf(const QImage& grey, int dpi) {
    GreyImage image{grey.width(), grey.height(), dpi, 0, {}};
    for (int y = 0; y < grey.height(); ++y) image.pixels.insert(image.pixels.end(), grey.constScanLine(y), grey.constScanLine(y) + grey.width());
    return image;
}

QImage ScannedInvoicePage(unsigned seed) {
    QImage page = DrawnScanPage(DrawInvoice);
    std::mt19937 random(seed);
    for (int y = 0; y < page.height(); ++y) {
        uchar* row = page.scanLine(y);
        for (int x = 0; x < page.width(); ++x) {
            const int noise = int(random() % 41) - 20;
            if (random() % 8 == 0) row[x] = uchar(std::clamp(row[x] + noise, 0, 255));
        }
    }
    return page;
}

void MakeScannedInvoicePdf(const Bytes& path, unsigned seed) {
    const QImage page = ScannedInvoicePage(seed);
    QPdfWriter writer(QString::fromUtf8(path.c_str()));
    writer.setResolution(300);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.drawImage(QRect(0, 0, 2480, 3508), page);
}

