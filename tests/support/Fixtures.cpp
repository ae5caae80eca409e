// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Fixtures.h"

#include <gst/gst.h>
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/CodePage.h"

TempDir::TempDir() {
    char pattern[] = "/tmp/quilvane-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = Bytes(pattern) + "/";
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
