// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/Bytes.h"
#include "names/FileText.h"
#include "names/NameSource.h"
#include "platform/FileIdentity.h"

// Name candidates read off the user-interface thread. One worker thread reads
// the file shown first, then the ones handed in to read ahead; results are kept
// by file identity, so a renamed file keeps its candidates, for the last
// kKeptFiles files. The UI thread never waits for the worker: a result comes
// back through `post`, and only the file still shown gets it, and each
// example; a result for another file is kept for when that file is shown.
// A scan whose top lacked the kind, the number or the date: the file shown
// has the rest of it read, after the files read ahead.
bool NeedsTheRest(const FileNames& found);

class NameSuggestions final : public NameSource {
public:
    // Runs `task` on the UI thread later; called from the worker thread.
    using Post = std::function<void(std::function<void()> task)>;
    // The candidates of the file shown, or of an example, on the UI thread
    // (no names: none found).
    using Ready = std::function<void(const Bytes& path, const FileNames& found)>;

    // What a worker thread reads a file with: its identity and candidates.
    struct Read {
        std::optional<FileIdentity> identity;
        FileNames found;
    };
    // `depth`: a scan's top, or the rest of it, for the file shown when its top lacked a field.
    using Reader = std::function<Read(const Bytes& path, const std::atomic<bool>& cancelled, ReadDepth depth)>;
    // Called once on each worker thread, so that a reader keeps what it
    // starts (MuPDF, Tesseract) on that thread.
    using MakeReader = std::function<Reader()>;

    static constexpr std::size_t kKeptFiles = 300;

    // Without `makeReader`, LoadedFileNameReader(): FileReader and
    // NameCandidates in the system code page, OCR data from DefaultOcrData().
    NameSuggestions(Post post, Ready ready, MakeReader makeReader = {});
    // Stops the worker and waits for it: at most the time a read takes to notice.
    ~NameSuggestions() override;
    NameSuggestions(const NameSuggestions&) = delete;
    NameSuggestions& operator=(const NameSuggestions&) = delete;

    // `path` is shown now. Its kept candidates when there are; otherwise it is
    // read first, and Ready gets its candidates later. Then `readAhead` is read,
    // in order. Work for other files stops. Nothing, when disabled.
    std::optional<FileNames> Request(const Bytes& path, const std::vector<Bytes>& readAhead = {}) override;
    // Read when nothing else waits, and stopped by every request until it is.
    void RequestExamples(const Bytes& folder, const std::vector<Bytes>& names) override;
    // Nothing is shown: the work in hand stops and no Ready comes.
    void Cancel() override;
    // Off: nothing is read and no worker runs (one that is reading stops on
    // its own, without being waited for); what is kept stays.
    void SetEnabled(bool enabled) override;
    bool Enabled() const;

    // The candidates kept for the file now at `path`.
    std::optional<FileNames> Kept(const Bytes& path) const override;
    // Worker threads that have not ended yet (for tests).
    int Workers() const;

    struct Shared;

private:
    void StartWorker();
    // A worker for the work waiting, if any; called with the lock held.
    void WakeWorker();
    std::shared_ptr<Shared> shared_;
};

// The default reader: FileReader and NameCandidates, OCR data from `ocrData`
// (empty for DefaultOcrData()).
NameSuggestions::MakeReader FileNameReader(std::string ocrData = {});
