// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QImage>
#include <QTimer>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "viewer/PageRendering.h"

class QSocketNotifier;

// A document's bytes in a memory file, which the page helper maps too.
class SharedPdfBytes {
public:
    // Room for `size` bytes; null when there is none (or nothing to hold).
    static std::unique_ptr<SharedPdfBytes> Make(std::size_t size);
    ~SharedPdfBytes();
    SharedPdfBytes(const SharedPdfBytes&) = delete;
    SharedPdfBytes& operator=(const SharedPdfBytes&) = delete;
    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }
    int File() const { return file_; }

private:
    SharedPdfBytes(int file, char* data, std::size_t size) : file_(file), data_(data), size_(size) {}
    int file_;
    char* data_;
    std::size_t size_;
};

// Draws pages in a helper process (quilvane-pages), one per document, and
// answers on the user-interface thread through `onDone`; nothing here waits.
// One job is in hand at a time and one waits behind it, a newer job taking
// the waiting one's place. Qt PDF cannot be stopped in a render: a job no
// longer wanted is let finish for its patience (viewer::GiveUp; most take
// milliseconds), then given up by killing the helper, as is a job past the
// deadline. A spare helper is started ahead, while nothing is drawn, so that
// the next document, or the next job after a kill, waits for no start.
class PdfPageRenderer {
public:
    struct Done {
        viewer::PageJob job;
        QImage picture;        // for a picture
        viewer::RectF box;     // for a content box
        viewer::PageFailure failure = viewer::PageFailure::None;
    };
    std::function<void(const Done&)> onDone;

    PdfPageRenderer();
    ~PdfPageRenderer();
    PdfPageRenderer(const PdfPageRenderer&) = delete;
    PdfPageRenderer& operator=(const PdfPageRenderer&) = delete;

    // The document drawn from now on (its bytes outlive this use); null for
    // none. Whatever was asked before is dropped unanswered.
    void SetDocument(const SharedPdfBytes* bytes);
    // Asks for `job`, unless it is in hand already.
    void Render(const viewer::PageJob& job);
    // Drops the waiting job; one in hand may still answer.
    void Drop();
    // Nothing in hand and nothing waiting.
    bool Idle() const { return !inHand_ && !waiting_; }
    // The helper's process, -1 when none runs (for tests).
    int HelperProcess() const { return pid_; }

private:
    struct Helper {
        int pid = -1;
        int socket = -1;
    };
    static Helper Spawn();
    static void End(Helper& helper);
    void Start();
    void Send(const viewer::PageJob& job);
    void Readable();
    void Receive();
    void Died();
    void Kill();
    void Check();
    void Finish(Done done);
    long long Taken() const;

    int documentFile_ = -1;
    int pid_ = -1;
    int socket_ = -1;
    Helper spare_;  // started ahead, waiting for a document
    QSocketNotifier* notifier_ = nullptr;
    bool reading_ = false;  // in the notifier's own call
    std::uint32_t nextId_ = 1;
    std::optional<viewer::PageJob> inHand_;
    std::uint32_t inHandId_ = 0;
    std::chrono::steady_clock::time_point started_;
    std::optional<viewer::PageJob> waiting_;
    QByteArray header_;     // the reply's record, as it comes
    QImage picture_;        // the picture it announced, filling
    std::size_t pictureDone_ = 0;
    QTimer timer_;          // the deadline, or the patience of a job in hand
};
