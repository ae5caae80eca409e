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

// Which comes first in 03/04/2026.
enum class DayMonth { Unknown, DayFirst, MonthFirst };

// The dates in `text`, in their order: 2026-03-31, 2026/3/31, 2026.3.31,
// 2026年3月31日, 20260331, 令和8年3月31日 (元年 for the first), R8.3.31,
// H31/4/30; month names in English, German, French, Dutch, Spanish and
// Italian (March 31, 2026; 31 Mar 2026; 7. Mai 2014; 3 de agosto de 2014);
// 28/11/2022, 20-10-2015 and 03.04.2023 read as `order` says, both readings
// when it does not say and both could be, day first. Dates that do not
// exist, and era dates outside their era, are left out.
std::vector<FoundDate> FindDates(const std::u16string& text, DayMonth order = DayMonth::Unknown);

// The order a document writes its numeric dates in: a part above 12 in any
// of them settles it; then its currency ($ month first; €, £, ₹ day first);
// then its language (English month first; German, French, Dutch, Spanish,
// Italian day first).
DayMonth DayMonthOrder(const std::vector<std::u16string>& lines);

bool IsRealDate(int year, int month, int day);

// "2026-03-31" and "20260331".
std::string IsoDate(const FoundDate& date);
std::string CompactDate(const FoundDate& date);

// The forms a name may write `date` in, by DateForm; `printed` is the last.
std::vector<std::u16string> DateForms(const FoundDate& date, const std::u16string& printed);
