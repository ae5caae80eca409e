// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's page helper: one process per document shown, drawing its
// pages with Qt PDF as the viewer asks. Qt PDF holds one lock over all of
// pdfium in a process and cannot be stopped in a render, so a page that
// takes minutes or gigabytes would stall every later page and the window
// itself; here it costs this process, which the viewer kills.
//   quilvane-pages <parent pid> <memory headroom in bytes, 0 for no limit>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QPdfDocument>
#include <QPdfDocumentRenderOptions>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/posix/SocketMessages.h"
#include "qt/PdfPagesWire.h"
#include "viewer/FitGeometry.h"
#include "viewer/PageRendering.h"

namespace {

// The document's memory file, the first thing the viewer sends; -1 when the
// viewer went before it sent one.
int ReceiveDocument(int socket) {
    char byte = 0;
    int file = -1;
    return ReceiveWithDescriptor(socket, &byte, 1, &file) ? file : -1;
}

// The address space now: the program, its libraries and the document mapped.
std::uint64_t AddressSpace() {
    unsigned long long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    return pages * std::uint64_t(sysconf(_SC_PAGESIZE));
}

bool Answer(int socket, const PagesRequest& request, QPdfDocument& document) {
    PagesReply reply;
    reply.id = request.id;
    const viewer::PageJob job{viewer::PageJob::Kind(request.kind), request.page, {request.width, request.height},
                              {request.x, request.y, request.partWidth, request.partHeight}};
    if (document.status() != QPdfDocument::Status::Ready || job.page < 0 || job.page >= document.pageCount() ||
        !viewer::PictureFits(job)) {
        reply.failed = 1;
        return SendAll(socket, reinterpret_cast<const char*>(&reply), sizeof reply);
    }
    if (job.kind == viewer::PageJob::Kind::ContentBox) {
        const QSizeF points = document.pagePointSize(job.page);
        const QImage image =
            document.render(job.page, QSize(job.size.width, job.size.height)).convertToFormat(QImage::Format_RGBA8888);
        if (image.isNull()) {
            reply.failed = 1;
        } else {
            const viewer::RectF box = viewer::ContentBox(
                {image.constBits(), image.width(), image.height(), image.bytesPerLine(), viewer::PixelFormat::Rgba32},
                {points.width(), points.height()});
            reply.box[0] = box.x, reply.box[1] = box.y, reply.box[2] = box.width, reply.box[3] = box.height;
        }
        return SendAll(socket, reinterpret_cast<const char*>(&reply), sizeof reply);
    }
    QPdfDocumentRenderOptions options;
    options.setScaledSize(QSize(job.size.width, job.size.height));
    options.setScaledClipRect(QRect(job.part.x, job.part.y, job.part.width, job.part.height));
    QImage image = document.render(job.page, QSize(job.part.width, job.part.height), options);
    if (!image.isNull()) image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.width() != job.part.width || image.height() != job.part.height) {
        reply.failed = 1;
        return SendAll(socket, reinterpret_cast<const char*>(&reply), sizeof reply);
    }
    reply.width = image.width();
    reply.height = image.height();
    if (!SendAll(socket, reinterpret_cast<const char*>(&reply), sizeof reply)) return false;
    for (int y = 0; y < image.height(); ++y) {
        if (!SendAll(socket, reinterpret_cast<const char*>(image.constScanLine(y)), std::size_t(image.width()) * 4)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    // The viewer gone, by a crash or a kill, this goes too.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != std::atoll(argv[1])) return 0;
    const std::uint64_t headroom = std::strtoull(argv[2], nullptr, 10);

    // Started ahead of its document, so that a document shown waits for no start.
    int file = ReceiveDocument(kPagesHelperSocket);
    // A page past this much memory fails here, not in the whole machine, and
    // says so: pdfium cannot unwind an exception.
    std::set_new_handler([] { _exit(kPagesHelperOutOfMemory); });
    bool limited = false;
    for (;;) {
        struct stat info{};
        if (file < 0 || fstat(file, &info) != 0 || info.st_size <= 0) return 3;
        const auto size = std::size_t(info.st_size);
        void* bytes = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
        close(file);
        if (bytes == MAP_FAILED) return 3;
        QByteArray data = QByteArray::fromRawData(static_cast<const char*>(bytes), qsizetype(size));
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QPdfDocument document;
        if (headroom != 0 && !limited) {
            const rlimit limit{AddressSpace() + headroom, AddressSpace() + headroom};
            limited = setrlimit(RLIMIT_AS, &limit) == 0;
        }
        document.load(&buffer);
        file = -1;
        PagesRequest request;
        while (ReceiveWithDescriptor(kPagesHelperSocket, reinterpret_cast<char*>(&request), sizeof request, &file)) {
            if (request.kind == kPagesNewDocument) break;  // the next document, in the same process
            if (file >= 0) close(file);
            file = -1;
            if (!Answer(kPagesHelperSocket, request, document)) _exit(0);
        }
        if (file < 0) break;
        document.close();
        munmap(bytes, size);
    }
    _exit(0);  // pdfium's teardown is of no use to anyone
}
