// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "viewer/PageRendering.h"
#include "win32/MuPdfDocument.h"

// Draws pages on a worker thread that has a MuPDF context of its own (with
// a memory cap) and parses its own copy of the document from the same
// bytes; the user-interface thread never waits for it. One job is in hand
// at a time and one waits behind it, a newer job taking the waiting one's
// place. A job no longer wanted is aborted through its cookie (at once for
// another page, zoom or document; after its patience for another part of
// the same picture), and the worker takes the next. A worker not back from
// the abort within the patience (a single step of MuPDF's can be long), or
// whose job is past the deadline, is left to stop alone, and the next job
// gets a new worker.
class MuPdfRenderer {
public:
    struct Done {
        viewer::PageJob job;
        MuPdfDocument::Image picture;  // for a picture
        viewer::RectF box;             // for a content box
        viewer::PageFailure failure = viewer::PageFailure::None;
    };
    std::function<void(const Done&)> onDone;

    MuPdfRenderer() = default;
    ~MuPdfRenderer();
    MuPdfRenderer(const MuPdfRenderer&) = delete;
    MuPdfRenderer& operator=(const MuPdfRenderer&) = delete;

    // A worker posts `message` to `window` when it has answered; the window then calls Take.
    void SetWindow(HWND window, UINT message);
    // The document drawn from now on; null for none. What was asked before is dropped unanswered.
    void SetDocument(std::shared_ptr<const std::string> bytes);
    // Asks for `job`, unless it is in hand already.
    void Render(const viewer::PageJob& job);
    // Drops the waiting job; one in hand may still answer.
    void Drop() { waiting_.reset(); }
    bool Idle() const { return !inHand_ && !waiting_; }
    // Takes a worker's answer (on its message), and keeps the deadline and
    // the patience (on a timer, while not idle).
    void Take();
    void Check();
    // Workers started so far (for tests).
    int WorkersStarted() const { return workersStarted_; }

private:
    struct Worker;
    void Give(const viewer::PageJob& job);
    void Abort();
    void Abandon();
    void Finish(const Done& done);

    HWND window_ = nullptr;
    UINT message_ = 0;
    std::shared_ptr<const std::string> bytes_;
    std::shared_ptr<Worker> worker_;
    std::optional<viewer::PageJob> inHand_;
    ULONGLONG started_ = 0;  // GetTickCount64 when the job was given
    ULONGLONG aborted_ = 0;  // and when it was aborted, if it was
    std::optional<viewer::PageJob> waiting_;
    int workersStarted_ = 0;
};
