// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// How the folder list answers the keyboard, whatever draws it.

enum class ListKey { Up, Down, PageUp, PageDown, Home, End };

// The row a navigation key moves to, or nothing when the list is empty. Left
// and Right act as Up and Down, as in a one-column list.
std::optional<int> NavigationTarget(ListKey key, int current, int count, int rowsPerPage);

// Type-to-select: letters typed within the pause go to one search for the
// first row that starts with them, ignoring case; Backspace takes one back.
class TypeToSelect {
public:
    static constexpr int kPauseMs = 500;
    // `typed` is one character, or empty for Backspace; `nowMs` any steady clock.
    // The row to select, or nothing.
    std::optional<int> Key(const std::u16string& typed, std::int64_t nowMs, int count,
                           const std::function<std::u16string(int row)>& rowText);

private:
    std::u16string search_;
    std::optional<std::int64_t> lastKeyMs_;
};
