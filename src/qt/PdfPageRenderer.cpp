// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/PdfPageRenderer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <utility>

#include "platform/Module.h"
#include "platform/posix/SocketMessages.h"
#include "qt/PdfPagesWire.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using viewer::PageFailure;
using viewer::PageJob;

// The memory a helper may take beyond what it has once the document is
// mapped; 0 where the sanitizers need their terabytes of address space.
constexpr std::uint64_t kHelperHeadroom = QUILVANE_PAGES_HEADROOM;

// A killed helper is waited for elsewhere: giving back gigabytes takes time.
void Reap(pid_t pid) {
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace

std::unique_ptr<SharedPdfBytes> SharedPdfBytes::Make(std::size_t size) {
    if (size == 0) return nullptr;
    const int file = memfd_create("quilvane-pdf", MFD_CLOEXEC);
    if (file < 0) return nullptr;
    void* data = MAP_FAILED;
    if (ftruncate(file, off_t(size)) == 0) data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, file, 0);
    if (data == MAP_FAILED) {
        close(file);
        return nullptr;
    }
    return std::unique_ptr<SharedPdfBytes>(new SharedPdfBytes(file, static_cast<char*>(data), size));
}

SharedPdfBytes::~SharedPdfBytes() {
    munmap(data_, size_);
    close(file_);
}

PdfPageRenderer::PdfPageRenderer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
}

PdfPageRenderer::~PdfPageRenderer() {
    Kill();
    End(spare_);
}

void PdfPageRenderer::SetDocument(const SharedPdfBytes* bytes) {
    const int file = bytes ? bytes->File() : -1;
    // A helper with nothing in hand takes the next document itself: a step
    // through a folder starts no process.
    if (file >= 0 && pid_ > 0 && !inHand_) {
        waiting_.reset();
        PagesRequest request;
        request.kind = kPagesNewDocument;
        if (SendWithDescriptor(socket_, reinterpret_cast<const char*>(&request), sizeof request, file)) {
            documentFile_ = file;
            return;
        }
    }
    Kill();
    waiting_.reset();
    documentFile_ = bytes ? bytes->File() : -1;
    // Started now, so that the first page does not wait for it.
    if (documentFile_ >= 0) Start();
}

PdfPageRenderer::Helper PdfPageRenderer::Spawn() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return {};
    // Above the helper's own number, so that dup2 clears its close-on-exec.
    const int theirs = fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
    close(ends[1]);
    const std::string program = ProgramFolder() + "../lib/quilvane/quilvane-pages";
    std::string name = "quilvane-pages", parent = std::to_string(getpid()), headroom = std::to_string(kHelperHeadroom);
    char* argv[] = {name.data(), parent.data(), headroom.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs, kPagesHelperSocket);
    pid_t pid = -1;
    const bool started = theirs >= 0 && posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (theirs >= 0) close(theirs);
    if (!started) {
        close(ends[0]);
        return {};
    }
    return {pid, ends[0]};
}

void PdfPageRenderer::End(Helper& helper) {
    if (helper.pid > 0) {
        kill(helper.pid, SIGKILL);
        Reap(helper.pid);
    }
    if (helper.socket >= 0) close(helper.socket);
    helper = {};
}

// The spare helper, or a new one, given the document.
void PdfPageRenderer::Start() {
    if (documentFile_ < 0) return;
    for (int attempt = 0; attempt < 2 && pid_ < 0; ++attempt) {
        Helper helper = spare_.pid > 0 ? std::exchange(spare_, {}) : Spawn();
        if (helper.pid <= 0) return;
        const char byte = 0;
        if (!SendWithDescriptor(helper.socket, &byte, 1, documentFile_)) {
            End(helper);  // a spare that died waiting
            continue;
        }
        pid_ = helper.pid;
        socket_ = helper.socket;
    }
    if (pid_ < 0) return;
    fcntl(socket_, F_SETFL, fcntl(socket_, F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(socket_, QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, [this] { Readable(); });
}

void PdfPageRenderer::Kill() {
    timer_.stop();
    if (notifier_ != nullptr) {
        notifier_->setEnabled(false);
        if (reading_) notifier_->deleteLater();
        else delete notifier_;
        notifier_ = nullptr;
    }
    Helper helper{pid_, socket_};
    End(helper);
    pid_ = -1;
    socket_ = -1;
    inHand_.reset();
    header_.clear();
    picture_ = {};
}

long long PdfPageRenderer::Taken() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
}

void PdfPageRenderer::Render(const PageJob& job) {
    if (inHand_ && *inHand_ == job) {
        waiting_.reset();
        return;
    }
    if (!inHand_) return Send(job);
    waiting_ = job;
    Check();
}

void PdfPageRenderer::Drop() { waiting_.reset(); }

void PdfPageRenderer::Send(const PageJob& job) {
    PagesRequest request;
    request.id = nextId_++;
    request.kind = std::int32_t(job.kind);
    request.page = job.page;
    request.width = job.size.width, request.height = job.size.height;
    request.x = job.part.x, request.y = job.part.y, request.partWidth = job.part.width, request.partHeight = job.part.height;
    // A helper that died while idle (its memory limit, say) is started again once.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (socket_ < 0) Start();
        if (socket_ < 0) break;
        if (send(socket_, &request, sizeof request, MSG_NOSIGNAL) == ssize_t(sizeof request)) {
            inHand_ = job;
            inHandId_ = request.id;
            started_ = Clock::now();
            timer_.start(viewer::kRenderDeadlineMs);
            return;
        }
        Kill();
    }
    Finish({job, {}, {}, PageFailure::Broken});
}

void PdfPageRenderer::Check() {
    if (!inHand_) return;
    const long long taken = Taken();
    if (taken >= viewer::kRenderDeadlineMs) {
        const PageJob late = *inHand_;
        Kill();
        return Finish({late, {}, {}, PageFailure::TooSlow});
    }
    if (waiting_ && viewer::GiveUp(*inHand_, *waiting_, taken)) {
        Kill();
        const PageJob next = *waiting_;
        waiting_.reset();
        return Send(next);
    }
    long long next = viewer::kRenderDeadlineMs - taken;
    if (waiting_) next = std::min(next, std::max(viewer::kRenderPatienceMs - taken, 1LL));
    timer_.start(int(next));
}

void PdfPageRenderer::Readable() {
    reading_ = true;
    Receive();
    reading_ = false;
}

void PdfPageRenderer::Receive() {
    for (;;) {
        if (header_.size() < qsizetype(sizeof(PagesReply))) {
            char data[sizeof(PagesReply)];
            const ssize_t n = recv(socket_, data, sizeof(PagesReply) - std::size_t(header_.size()), MSG_DONTWAIT);
            if (n == 0) return Died();
            if (n < 0) return;  // the rest is still coming
            header_.append(data, qsizetype(n));
            if (header_.size() < qsizetype(sizeof(PagesReply))) continue;
            PagesReply reply;
            std::memcpy(&reply, header_.constData(), sizeof reply);
            if (!inHand_ || reply.id != inHandId_) {
                // Not what was asked: a helper gone wrong is of no further use.
                const std::optional<PageJob> lost = inHand_;
                Kill();
                if (lost) Finish({*lost, {}, {}, PageFailure::Broken});
                return;
            }
            const PageJob job = *inHand_;
            if (reply.failed != 0) return Finish({job, {}, {}, PageFailure::Broken});
            if (job.kind == PageJob::Kind::ContentBox)
                return Finish({job, {}, {reply.box[0], reply.box[1], reply.box[2], reply.box[3]}, PageFailure::None});
            if (reply.width != job.part.width || reply.height != job.part.height) {
                Kill();
                return Finish({job, {}, {}, PageFailure::Broken});
            }
            picture_ = QImage(reply.width, reply.height, QImage::Format_ARGB32_Premultiplied);
            if (picture_.isNull()) {  // no memory here for it
                Kill();
                return Finish({job, {}, {}, PageFailure::TooLarge});
            }
            pictureDone_ = 0;
        }
        const auto size = std::size_t(picture_.sizeInBytes());
        const ssize_t n = recv(socket_, picture_.bits() + pictureDone_, size - pictureDone_, MSG_DONTWAIT);
        if (n == 0) return Died();
        if (n < 0) return;
        pictureDone_ += std::size_t(n);
        if (pictureDone_ == size) {
            Done done{*inHand_, picture_, {}, PageFailure::None};
            picture_ = {};
            return Finish(std::move(done));
        }
    }
}

void PdfPageRenderer::Died() {
    // Its socket closes as it exits, after its memory is gone: it is all but reaped.
    int status = 0;
    rusage usage{};
    pid_t reaped = 0;
    for (int wait = 0; wait < 20 && (reaped = wait4(pid_, &status, WNOHANG, &usage)) == 0; ++wait) usleep(250);
    // Out of memory by its own word, or a crash after it had taken most of what it may.
    const bool outOfMemory =
        reaped == pid_ && ((WIFEXITED(status) && WEXITSTATUS(status) == kPagesHelperOutOfMemory) ||
                           (kHelperHeadroom != 0 && std::uint64_t(usage.ru_maxrss) * 1024 >= kHelperHeadroom / 2));
    if (reaped == pid_) pid_ = -1;
    const std::optional<PageJob> lost = inHand_;
    Kill();
    if (lost) Finish({*lost, {}, {}, outOfMemory ? PageFailure::TooLarge : PageFailure::Broken});
}

void PdfPageRenderer::Finish(Done done) {
    timer_.stop();
    inHand_.reset();
    header_.clear();
    if (waiting_) {
        const PageJob next = *waiting_;
        waiting_.reset();
        Send(next);
    }
    // Made while nothing is being drawn, to wait for the next document or the next kill.
    if (spare_.pid < 0 && !inHand_) spare_ = Spawn();
    if (onDone) onDone(done);
}
