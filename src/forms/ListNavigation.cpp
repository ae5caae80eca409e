// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/ListNavigation.h"

#include <algorithm>

namespace {

// Case folding for the letters a file name's start is typed with: ASCII,
// full-width Latin, Latin-1, Greek and Cyrillic.
char16_t Fold(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    if (c >= 0xFF21 && c <= 0xFF3A) return c + 0x20;  // Ａ..Ｚ
    if (c >= 0x391 && c <= 0x3A9) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    return c;
}

bool StartsWithIgnoringCase(const std::u16string& text, const std::u16string& prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char16_t a, char16_t b) { return Fold(a) == Fold(b); });
}

}  // namespace

std::optional<int> NavigationTarget(ListKey key, int current, int count, int rowsPerPage) {
    if (count <= 0) return std::nullopt;
    const int page = std::max(1, rowsPerPage);
    int target = 0;
    switch (key) {
    case ListKey::Up: target = current < 0 ? 0 : current - 1; break;
    case ListKey::Down: target = current < 0 ? 0 : current + 1; break;
    case ListKey::PageUp: target = current < 0 ? 0 : current - page; break;
    case ListKey::PageDown: target = current < 0 ? 0 : current + page; break;
    case ListKey::Home: target = 0; break;
    case ListKey::End: target = count - 1; break;
    }
    return std::clamp(target, 0, count - 1);
}

std::optional<int> TypeToSelect::Key(const std::u16string& typed, std::int64_t nowMs, int count,
                                     const std::function<std::u16string(int row)>& rowText) {
    if (!lastKeyMs_ || nowMs - *lastKeyMs_ >= kPauseMs) search_.clear();
    lastKeyMs_ = nowMs;
    if (count == 0) return std::nullopt;
    if (typed.empty()) {
        if (!search_.empty()) search_.pop_back();
        if (search_.empty()) return 0;
    } else {
        search_ += typed;
    }
    for (int row = 0; row < count; ++row) {
        if (StartsWithIgnoringCase(rowText(row), search_)) return row;
    }
    return std::nullopt;
}
