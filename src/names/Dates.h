// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// A calendar date found in a line of text, and where it stood.
struct FoundDate {
    int year = 0, month = 0, day = 0;
    std::size_t at = 0, length = 0;
    bool operator==(const FoundDate&) const = default;
};

// The dates in `text`, in their order: 2026-03-31, 2026/3/31, 2026.3.31,
// 2026年3月31日, 20260331, 令和8年3月31日 (元年 for the first), R8.3.31,
// H31/4/30, March 31, 2026 and 31 Mar 2026. Dates that do not exist, and era
// dates outside their era, are left out.
std::vector<FoundDate> FindDates(const std::u16string& text);

bool IsRealDate(int year, int month, int day);

// "2026-03-31" and "20260331".
std::string IsoDate(const FoundDate& date);
std::string CompactDate(const FoundDate& date);

// The forms a name may write `date` in, by DateForm; `printed` is the last.
std::vector<std::u16string> DateForms(const FoundDate& date, const std::u16string& printed);
