// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadBudget.h"

#include <mutex>
#include <thread>

#include "names/PdfText.h"

namespace {

struct Watched {
    std::mutex mutex;
    PdfText* pdf = nullptr;
    std::chrono::steady_clock::time_point deadline;
};

Watched& TheWatched() {
    // Never destroyed: the watcher thread outlives main().
    static Watched* watched = [] {
        auto* w = new Watched;
        std::thread([w] {
            for (;;) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                std::lock_guard lock(w->mutex);
                if (w->pdf != nullptr && std::chrono::steady_clock::now() > w->deadline) {
                    w->pdf->Abort();
                    w->pdf = nullptr;
                }
            }
        }).detach();
        return w;
    }();
    return *watched;
}

}  // namespace

ReadBudget::ReadBudget(PdfText& pdf, std::chrono::milliseconds budget) {
    Watched& w = TheWatched();
    std::lock_guard lock(w.mutex);
    pdf.ResetAbort();
    w.pdf = &pdf;
    w.deadline = std::chrono::steady_clock::now() + budget;
}

ReadBudget::~ReadBudget() {
    Watched& w = TheWatched();
    std::lock_guard lock(w.mutex);
    w.pdf = nullptr;
}
