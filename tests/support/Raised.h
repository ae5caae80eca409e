// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <stdexcept>

// The error of type E that `action` raises; fails the test's expectation by
// throwing when it raises nothing.
template <typename E>
E Raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const E& e) {
        return e;
    }
    throw std::runtime_error("nothing raised");
}
