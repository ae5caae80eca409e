// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real files in a temporary folder, made through the platform's own calls.
#include "support/Fixtures.h"

#include <cstdlib>
#include <string>

// The freedesktop home trash under `data` while it lives, not the user's own.
class TestTrash {
public:
    explicit TestTrash(const Bytes& data) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) saved_ = old, had_ = true;
        setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    ~TestTrash() {
        if (had_) setenv("XDG_DATA_HOME", saved_.c_str(), 1);
        else unsetenv("XDG_DATA_HOME");
    }

private:
    std::string saved_;
    bool had_ = false;
};
