// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>
#include <vector>

#include "core/Bytes.h"

// Where the main window's logic gets a file's name candidates. They are read
// off the user-interface thread: a request answers at once with what is kept,
// and the rest comes back later to the front end, which hands it on.
class NameSource {
public:
    using Names = std::vector<Bytes>;
    virtual ~NameSource() = default;
    // `path` is shown now; `readAhead` is likely next. Its candidates when
    // they are kept already.
    virtual std::optional<Names> Request(const Bytes& path, const std::vector<Bytes>& readAhead = {}) = 0;
    // Nothing is shown: work in hand stops.
    virtual void Cancel() = 0;
    // Off: nothing is read.
    virtual void SetEnabled(bool enabled) = 0;
};
