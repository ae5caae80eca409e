// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <vector>

#include "core/Bytes.h"
#include "names/Fields.h"

// What was read from one file: the names offered for it, and the fields they
// were made of.
struct FileNames {
    std::vector<Bytes> names;
    FileFields fields;
    bool partial = false;  // a scan of which only the top was read
    bool operator==(const FileNames&) const = default;
};

// Where the main window's logic gets a file's name candidates. They are read
// off the user-interface thread: a request answers at once with what is kept,
// and the rest comes back later to the front end, which hands it on.
class NameSource {
public:
    using Names = std::vector<Bytes>;
    virtual ~NameSource() = default;
    // `path` is shown now; `readAhead` is likely next. Its candidates when
    // they are kept already.
    virtual std::optional<FileNames> Request(const Bytes& path, const std::vector<Bytes>& readAhead = {}) = 0;
    // Files of `folder` that may show how the user names files, read after
    // everything else: of those whose names are not a scanner's or
    // recorder's, the kMostExamples most recently changed, newest first; each
    // comes back as it is read. In place of the ones asked for before.
    virtual void RequestExamples(const Bytes& folder, const std::vector<Bytes>& names) = 0;
    // What is kept for the file now at `path`.
    virtual std::optional<FileNames> Kept(const Bytes& path) const = 0;
    // Nothing is shown: work in hand stops.
    virtual void Cancel() = 0;
    // Off: nothing is read.
    virtual void SetEnabled(bool enabled) = 0;

    static constexpr std::size_t kMostExamples = 20;
};
