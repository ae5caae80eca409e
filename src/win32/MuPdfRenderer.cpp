// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MuPdfRenderer.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace {

using viewer::PageFailure;
using viewer::PageJob;

// What a worker's context may take: a page past it is too large.
constexpr std::size_t kWorkerMemory = std::size_t(1) << 30;
// How long a closing viewer waits for its worker to stop, in milliseconds.
constexpr ULONGLONG kStopWaitMs = 200;

}  // namespace

// Shared by the viewer and one worker thread, which holds it to its end.
struct MuPdfRenderer::Worker {
    std::mutex mutex;
    std::condition_variable wake;
    HWND window = nullptr;
    UINT message = 0;
    std::optional<PageJob> job;  // given, not yet begun
    std::shared_ptr<const std::string> bytes;
    std::optional<Done> done;    // answered, not yet taken
    fz_cookie cookie{};          // of the job in hand: the viewer aborts through it
    bool quit = false;
    bool ended = false;

    static void Run(std::shared_ptr<Worker> worker) {
        std::unique_ptr<MuPdfContext> context;
        try {
            context = std::make_unique<MuPdfContext>(kWorkerMemory);
        } catch (const std::bad_alloc&) {
        }
        std::unique_ptr<MuPdfDocument> document;
        for (;;) {
            PageJob job;
            std::shared_ptr<const std::string> bytes;
            {
                std::unique_lock lock(worker->mutex);
                worker->wake.wait(lock, [&] { return worker->quit || worker->job; });
                if (worker->quit) break;
                job = *worker->job;
                worker->job.reset();
                bytes = worker->bytes;
            }
            Done done{job, {}, {}, PageFailure::None};
            try {
                if (context && bytes && (!document || document->SharedBytes() != bytes))
                    document = std::make_unique<MuPdfDocument>(context->Get(), bytes);
                if (!document || document->State() != MuPdfDocument::Status::Ready) done.failure = PageFailure::Broken;
                else if (job.kind == PageJob::Kind::Picture)
                    done.picture = document->Render(job.page, job.size, job.part, &worker->cookie, &done.failure);
                else done.box = document->ContentBox(job.page, &worker->cookie, &done.failure);
            } catch (const std::bad_alloc&) {
                done.failure = PageFailure::TooLarge;
            }
            {
                std::lock_guard lock(worker->mutex);
                if (worker->quit) break;
                worker->done = std::move(done);
            }
            PostMessageA(worker->window, worker->message, 0, 0);
        }
        document.reset();  // before its context
        context.reset();
        std::lock_guard lock(worker->mutex);
        worker->ended = true;
    }
};

MuPdfRenderer::~MuPdfRenderer() {
    if (!worker_) return;
    // A worker that stops in a moment is let finish, so that none is left
    // drawing while the program ends; one that does not is left anyway.
    std::shared_ptr<Worker> worker = worker_;
    Abandon();
    for (const ULONGLONG start = GetTickCount64(); GetTickCount64() - start < kStopWaitMs; Sleep(5)) {
        std::lock_guard lock(worker->mutex);
        if (worker->ended) break;
    }
}

void MuPdfRenderer::SetWindow(HWND window, UINT message) {
    window_ = window;
    message_ = message;
}

void MuPdfRenderer::SetDocument(std::shared_ptr<const std::string> bytes) {
    Abandon();  // and with it the document it parsed
    waiting_.reset();
    bytes_ = std::move(bytes);
}

void MuPdfRenderer::Abort() {
    if (!worker_ || aborted_ != 0) return;
    aborted_ = GetTickCount64();
    std::lock_guard lock(worker_->mutex);
    worker_->cookie.abort = 1;
}

void MuPdfRenderer::Abandon() {
    inHand_.reset();
    aborted_ = 0;
    if (!worker_) return;
    {
        std::lock_guard lock(worker_->mutex);
        worker_->quit = true;
        worker_->cookie.abort = 1;
    }
    worker_->wake.notify_all();
    worker_.reset();
}

void MuPdfRenderer::Render(const PageJob& job) {
    if (inHand_ && *inHand_ == job) {
        waiting_.reset();
        return;
    }
    if (!inHand_) return Give(job);
    waiting_ = job;
    // A step (another page, zoom or document) stops the render at once; a scroll lets it finish a while.
    if (!viewer::SamePicture(*inHand_, job)) Abort();
    Check();
}

void MuPdfRenderer::Give(const PageJob& job) {
    if (!worker_) {
        auto worker = std::make_shared<Worker>();
        worker->window = window_;
        worker->message = message_;
        try {
            std::thread(&Worker::Run, worker).detach();
        } catch (const std::system_error&) {
            return Finish({job, {}, {}, PageFailure::Broken});
        }
        worker_ = std::move(worker);
        ++workersStarted_;
    }
    {
        std::lock_guard lock(worker_->mutex);
        worker_->cookie = fz_cookie{};  // the worker is between jobs
        worker_->job = job;
        worker_->bytes = bytes_;
    }
    worker_->wake.notify_all();
    inHand_ = job;
    started_ = GetTickCount64();
    aborted_ = 0;
}

void MuPdfRenderer::Check() {
    if (!inHand_) return;
    const auto taken = static_cast<long long>(GetTickCount64() - started_);
    if (taken >= viewer::kRenderDeadlineMs) {
        const PageJob late = *inHand_;
        Abandon();
        return Finish({late, {}, {}, PageFailure::TooSlow});
    }
    if (!waiting_) return;
    if (aborted_ == 0) {
        if (viewer::GiveUp(*inHand_, *waiting_, taken)) Abort();
    } else if (viewer::GiveUp(*inHand_, *waiting_, static_cast<long long>(GetTickCount64() - aborted_))) {
        Abandon();  // not back from the abort: left to stop alone
        Give(*std::exchange(waiting_, std::nullopt));
    }
}

void MuPdfRenderer::Take() {
    if (!worker_) return;
    std::optional<Done> done;
    {
        std::lock_guard lock(worker_->mutex);
        done = std::exchange(worker_->done, std::nullopt);
    }
    if (!done || !inHand_ || !(done->job == *inHand_)) return;
    // An aborted job's failure is no answer: the next job goes to the same worker.
    if (aborted_ != 0 && done->failure != PageFailure::None) {
        inHand_.reset();
        aborted_ = 0;
        if (waiting_) Give(*std::exchange(waiting_, std::nullopt));
        return;
    }
    Finish(*done);
}

void MuPdfRenderer::Finish(const Done& done) {
    inHand_.reset();
    aborted_ = 0;
    if (waiting_) {
        const PageJob next = *waiting_;
        waiting_.reset();
        Give(next);
    }
    if (onDone) onDone(done);
}
