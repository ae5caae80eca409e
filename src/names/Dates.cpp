// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Dates.h"

#include <array>
#include <cstdio>

#include "names/Text.h"

namespace {

struct Era {
    std::u16string name;
    char16_t letter;
    int first[3];  // the era's first and last day
    int last[3];
};

// Dates from before 1912 are no use on a scan; 明治's letter M would also
// take "M3.4.5" out of part numbers.
const std::array<Era, 4> kEras{{
    {u"令和", u'R', {2019, 5, 1}, {9999, 12, 31}},
    {u"平成", u'H', {1989, 1, 8}, {2019, 4, 30}},
    {u"昭和", u'S', {1926, 12, 25}, {1989, 1, 7}},
    {u"大正", u'T', {1912, 7, 30}, {1926, 12, 25}},
}};

int Key(int y, int m, int d) { return (y * 100 + m) * 100 + d; }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// A reader over the folded text that backs out of a failed match.
struct Scan {
    const std::u16string* text;
    std::size_t i;
    const std::u16string& s() const { return *text; }

    bool End() const { return i >= s().size(); }
    char16_t Peek() const { return End() ? 0 : s()[i]; }
    void Spaces() { while (!End() && s()[i] == u' ') ++i; }
    bool Take(char16_t c) {
        if (Peek() != c) return false;
        ++i;
        return true;
    }
    bool Take(const std::u16string& word) {
        if (s().compare(i, word.size(), word) != 0) return false;
        i += word.size();
        return true;
    }
    // `min` to `max` digits, no more: a longer run is some other number.
    bool Number(int min, int max, int* value) {
        std::size_t n = 0;
        int v = 0;
        while (!End() && IsDigit(s()[i]) && n <= std::size_t(max)) v = v * 10 + (s()[i] - u'0'), ++i, ++n;
        if (n < std::size_t(min) || n > std::size_t(max)) return false;
        *value = v;
        return true;
    }
    bool DigitNext() const { return IsDigit(Peek()); }
};

// 年 M 月 D 日, spaces allowed between the parts.
bool KanjiMonthDay(Scan& p, int* month, int* day) {
    p.Spaces();
    if (!p.Take(u'年')) return false;
    p.Spaces();
    if (!p.Number(1, 2, month)) return false;
    p.Spaces();
    if (!p.Take(u'月')) return false;
    p.Spaces();
    if (!p.Number(1, 2, day)) return false;
    p.Spaces();
    return p.Take(u'日');
}

// sep M sep D with one separator of - / . used twice.
bool SeparatedMonthDay(Scan& p, int* month, int* day) {
    const char16_t sep = p.Peek();
    if (sep != u'-' && sep != u'/' && sep != u'.') return false;
    ++p.i;
    if (!p.Number(1, 2, month) || !p.Take(sep) || !p.Number(1, 2, day)) return false;
    return !p.DigitNext();
}

const std::array<const char16_t*, 12> kMonths{u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                              u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};

// An English month name or its abbreviation, with an optional full stop.
bool MonthName(Scan& p, int* month) {
    std::size_t end = p.i;
    while (end < p.s().size() && IsLetter(p.s()[end])) ++end;
    if (end - p.i < 3 || end - p.i > 9) return false;
    std::u16string word = p.s().substr(p.i, end - p.i);
    for (char16_t& c : word) if (c < 0x80) c = char16_t(c | 0x20);
    for (std::size_t m = 0; m < kMonths.size(); ++m) {
        static const std::array<const char16_t*, 12> kFull{u"january", u"february", u"march", u"april", u"may", u"june",
                                                           u"july", u"august", u"september", u"october", u"november", u"december"};
        if (word == kMonths[m] || word == kFull[m] || (m == 8 && word == u"sept")) {
            *month = int(m) + 1;
            p.i = end;
            p.Take(u'.');
            return true;
        }
    }
    return false;
}

bool EraDate(Scan& p, int* year, int* month, int* day) {
    for (const Era& era : kEras) {
        Scan q = p;
        int n = 0;
        bool ok = false;
        if (q.Take(era.name)) {
            q.Spaces();
            ok = (q.Take(u'元') || q.Number(1, 2, &n)) && KanjiMonthDay(q, month, day);
        } else if ((q.Peek() | 0x20) == (era.letter | 0x20) && (p.i == 0 || !IsLetter(p.s()[p.i - 1]))) {
            ++q.i;
            q.Take(u'.');
            Scan r = q;
            ok = q.Number(1, 2, &n) && SeparatedMonthDay(q, month, day);
            if (!ok) q = r, ok = q.Number(1, 2, &n) && KanjiMonthDay(q, month, day);
        }
        if (!ok) continue;
        if (n == 0) n = 1;  // 元年
        *year = era.first[0] + n - 1;
        const int key = Key(*year, *month, *day);
        if (key < Key(era.first[0], era.first[1], era.first[2]) || key > Key(era.last[0], era.last[1], era.last[2])) return false;
        p = q;
        return true;
    }
    return false;
}

bool WesternDate(Scan& p, int* year, int* month, int* day) {
    if (p.i > 0 && IsDigit(p.s()[p.i - 1])) return false;
    Scan q = p;
    if (q.Number(4, 4, year)) {
        Scan r = q;
        if (SeparatedMonthDay(r, month, day) || (r = q, KanjiMonthDay(r, month, day))) return p = r, true;
        return false;
    }
    // 20260331, alone.
    q = p;
    int all = 0;
    if (q.Number(8, 8, &all) && all / 10000 >= 1900 && all / 10000 <= 2099) {
        *year = all / 10000, *month = all / 100 % 100, *day = all % 100;
        return p = q, true;
    }
    // 31 March 2026
    q = p;
    if (q.Number(1, 2, day)) {
        q.Spaces();
        if (MonthName(q, month)) {
            q.Spaces();
            if (q.Number(4, 4, year)) return p = q, true;
        }
    }
    return false;
}

bool EnglishDate(Scan& p, int* year, int* month, int* day) {
    if (p.i > 0 && IsLetter(p.s()[p.i - 1])) return false;
    Scan q = p;
    if (!MonthName(q, month)) return false;
    q.Spaces();
    if (!q.Number(1, 2, day)) return false;
    q.Take(u',');
    q.Spaces();
    if (!q.Number(4, 4, year)) return false;
    p = q;
    return true;
}

}  // namespace

bool IsRealDate(int year, int month, int day) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::vector<FoundDate> FindDates(const std::u16string& text) {
    const std::u16string folded = Fold(text);
    std::vector<FoundDate> found;
    for (std::size_t i = 0; i < folded.size();) {
        Scan p{&folded, i};
        FoundDate date;
        if ((EraDate(p, &date.year, &date.month, &date.day) || (p = Scan{&folded, i}, WesternDate(p, &date.year, &date.month, &date.day)) ||
             (p = Scan{&folded, i}, EnglishDate(p, &date.year, &date.month, &date.day))) &&
            !p.DigitNext() && date.year >= 1900 && date.year <= 2099 && IsRealDate(date.year, date.month, date.day)) {
            date.at = i;
            date.length = p.i - i;
            found.push_back(date);
            i = p.i;
            continue;
        }
        // Past the rest of a number, so that 12026-03-31 does not yield 2026-03-31.
        if (IsDigit(folded[i])) while (i < folded.size() && IsDigit(folded[i])) ++i;
        else ++i;
    }
    return found;
}

std::string IsoDate(const FoundDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

std::string CompactDate(const FoundDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.year, date.month, date.day);
    return text;
}

namespace {

std::u16string Digits(int value, int width = 1) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return std::u16string(text, text + std::char_traits<char>::length(text));
}

}  // namespace

std::vector<std::u16string> DateForms(const FoundDate& date, const std::u16string& printed) {
    const std::u16string y = Digits(date.year, 4), m = Digits(date.month), d = Digits(date.day);
    const std::u16string mm = Digits(date.month, 2), dd = Digits(date.day, 2);
    std::u16string era, letter;
    const int key = Key(date.year, date.month, date.day);
    for (const Era& e : kEras) {
        if (key < Key(e.first[0], e.first[1], e.first[2]) || key > Key(e.last[0], e.last[1], e.last[2])) continue;
        const int n = date.year - e.first[0] + 1;
        era = e.name + (n == 1 ? u"元" : Digits(n)) + u"年" + m + u"月" + d + u"日";
        letter = e.letter + Digits(n) + u"." + m + u"." + d;
        break;
    }
    return {y + u"-" + mm + u"-" + dd, y + mm + dd,  y + u"-" + mm, y + mm, y + u"年" + m + u"月" + d + u"日",
            y + u"年" + mm + u"月" + dd + u"日", y + u"." + mm + u"." + dd, era, letter, printed};
}
