// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Dates.h"

#include <array>
#include <cstdio>
#include <optional>

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
// With the accented letters of the Latin-1 block: März, février, août.
bool IsLatinLetter(char16_t c) { return IsLetter(c) || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7); }
char16_t Lower(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? char16_t(c | 0x20) : c; }

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

struct MonthWord {
    const char16_t* word;
    int month;
};
// English, German, French, Dutch, Spanish and Italian, full and short.
const MonthWord kMonthWords[] = {
    {u"january", 1}, {u"jan", 1}, {u"januar", 1}, {u"jänner", 1}, {u"janvier", 1}, {u"janv", 1}, {u"januari", 1},
    {u"enero", 1}, {u"ene", 1}, {u"gennaio", 1}, {u"gen", 1},
    {u"february", 2}, {u"feb", 2}, {u"februar", 2}, {u"février", 2}, {u"fevrier", 2}, {u"févr", 2}, {u"fév", 2},
    {u"februari", 2}, {u"febrero", 2}, {u"febbraio", 2},
    {u"march", 3}, {u"mar", 3}, {u"märz", 3}, {u"mär", 3}, {u"mrz", 3}, {u"mars", 3}, {u"maart", 3}, {u"mrt", 3},
    {u"marzo", 3},
    {u"april", 4}, {u"apr", 4}, {u"avril", 4}, {u"avr", 4}, {u"abril", 4}, {u"abr", 4}, {u"aprile", 4},
    {u"may", 5}, {u"mai", 5}, {u"mei", 5}, {u"mayo", 5}, {u"maggio", 5}, {u"mag", 5},
    {u"june", 6}, {u"jun", 6}, {u"juni", 6}, {u"juin", 6}, {u"junio", 6}, {u"giugno", 6}, {u"giu", 6},
    {u"july", 7}, {u"jul", 7}, {u"juli", 7}, {u"juillet", 7}, {u"juil", 7}, {u"julio", 7}, {u"luglio", 7}, {u"lug", 7},
    {u"august", 8}, {u"aug", 8}, {u"août", 8}, {u"aout", 8}, {u"augustus", 8}, {u"agosto", 8}, {u"ago", 8},
    {u"september", 9}, {u"sep", 9}, {u"sept", 9}, {u"septembre", 9}, {u"septiembre", 9}, {u"setiembre", 9},
    {u"settembre", 9}, {u"set", 9},
    {u"october", 10}, {u"oct", 10}, {u"oktober", 10}, {u"okt", 10}, {u"octobre", 10}, {u"octubre", 10},
    {u"ottobre", 10}, {u"ott", 10},
    {u"november", 11}, {u"nov", 11}, {u"novembre", 11}, {u"noviembre", 11},
    {u"december", 12}, {u"dec", 12}, {u"dezember", 12}, {u"dez", 12}, {u"décembre", 12}, {u"déc", 12},
    {u"decembre", 12}, {u"diciembre", 12}, {u"dic", 12}, {u"dicembre", 12},
};

// A month's name or its abbreviation, in any of those languages, with an optional full stop.
bool MonthName(Scan& p, int* month) {
    if (p.i > 0 && IsLatinLetter(p.s()[p.i - 1])) return false;
    std::size_t end = p.i;
    while (end < p.s().size() && IsLatinLetter(p.s()[end])) ++end;
    if (end - p.i < 3 || end - p.i > 10) return false;
    std::u16string word = p.s().substr(p.i, end - p.i);
    for (char16_t& c : word) c = Lower(c);
    for (const MonthWord& m : kMonthWords) {
        if (word != m.word) continue;
        *month = m.month;
        p.i = end;
        p.Take(u'.');
        return true;
    }
    return false;
}

// "de" of Spanish and Portuguese dates: 3 de agosto de 2014.
void Of(Scan& p) {
    Scan q = p;
    q.Spaces();
    if (q.Take(u"de ") || q.Take(u"De ")) p = q;
    p.Spaces();
}

// st, nd, rd, th after a day, and the French er: August 3rd, 2014; 1er août 2015.
void Ordinal(Scan& p) {
    for (const char16_t* suffix : {u"st", u"nd", u"rd", u"th", u"er"})
        if (p.Take(suffix) && !IsLatinLetter(p.Peek())) return;
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
    // 31 March 2026, 7. Mai 2014, 3 de agosto de 2014
    q = p;
    if (q.Number(1, 2, day)) {
        Ordinal(q);
        q.Take(u'.');
        Of(q);
        if (MonthName(q, month)) {
            Of(q);
            q.Take(u',');
            q.Spaces();
            if (q.Number(4, 4, year)) return p = q, true;
        }
    }
    return false;
}

// August 3, 2014 and August 3 , 2014 as text layers space them.
bool MonthFirstDate(Scan& p, int* year, int* month, int* day) {
    Scan q = p;
    if (!MonthName(q, month)) return false;
    q.Spaces();
    if (!q.Number(1, 2, day)) return false;
    Ordinal(q);
    q.Spaces();
    q.Take(u',');
    q.Spaces();
    if (!q.Number(4, 4, year)) return false;
    p = q;
    return true;
}

// 28/11/2022, 20-10-2015, 03.04.2023: one separator twice, the year last.
bool NumericParts(Scan& p, int* a, int* b, int* year) {
    if (p.i > 0 && (IsDigit(p.s()[p.i - 1]) || p.s()[p.i - 1] == u'.' || p.s()[p.i - 1] == u'/' || p.s()[p.i - 1] == u'-'))
        return false;
    Scan q = p;
    if (!q.Number(1, 2, a)) return false;
    const char16_t sep = q.Peek();
    if ((sep != u'/' && sep != u'-' && sep != u'.') || !q.Take(sep) || !q.Number(1, 2, b) || !q.Take(sep) ||
        !q.Number(4, 4, year) || q.DigitNext() || q.Peek() == sep)
        return false;
    p = q;
    return true;
}

// Both readings when the parts allow both and `order` does not settle it,
// day first, as most of the world writes it.
bool NumericDate(Scan& p, DayMonth order, FoundDate* first, std::optional<FoundDate>* second) {
    Scan q = p;
    int a = 0, b = 0, year = 0;
    if (!NumericParts(q, &a, &b, &year)) return false;
    const bool dayFirst = IsRealDate(year, b, a), monthFirst = IsRealDate(year, a, b);
    if (!dayFirst && !monthFirst) return false;
    const FoundDate asDayFirst{year, b, a, 0, 0}, asMonthFirst{year, a, b, 0, 0};
    if (!monthFirst || a == b) *first = asDayFirst;
    else if (!dayFirst) *first = asMonthFirst;
    else if (order == DayMonth::MonthFirst) *first = asMonthFirst;
    else if (order == DayMonth::DayFirst) *first = asDayFirst;
    else *first = asDayFirst, *second = asMonthFirst;
    p = q;
    return true;
}

bool HasWord(const std::u16string& folded, const char16_t* word) {
    const std::u16string w = word;
    for (std::size_t at = folded.find(w); at != std::u16string::npos; at = folded.find(w, at + 1)) {
        const std::size_t end = at + w.size();
        if ((at == 0 || !IsLatinLetter(folded[at - 1])) && (end == folded.size() || !IsLatinLetter(folded[end]))) return true;
    }
    return false;
}

}  // namespace

bool IsRealDate(int year, int month, int day) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::vector<FoundDate> FindDates(const std::u16string& text, DayMonth order) {
    const std::u16string folded = Fold(text);
    std::vector<FoundDate> found;
    for (std::size_t i = 0; i < folded.size();) {
        Scan p{&folded, i};
        FoundDate date;
        std::optional<FoundDate> other;
        const bool matched = EraDate(p, &date.year, &date.month, &date.day) ||
                             (p = Scan{&folded, i}, WesternDate(p, &date.year, &date.month, &date.day)) ||
                             (p = Scan{&folded, i}, MonthFirstDate(p, &date.year, &date.month, &date.day)) ||
                             (p = Scan{&folded, i}, NumericDate(p, order, &date, &other));
        if (matched && !p.DigitNext() && date.year >= 1900 && date.year <= 2099 && IsRealDate(date.year, date.month, date.day)) {
            date.at = i;
            date.length = p.i - i;
            found.push_back(date);
            if (other) found.push_back({other->year, other->month, other->day, i, p.i - i});
            i = p.i;
            continue;
        }
        // Past the rest of a number or a word, so that 12026-03-31 does not yield 2026-03-31.
        if (IsDigit(folded[i])) while (i < folded.size() && IsDigit(folded[i])) ++i;
        else if (IsLatinLetter(folded[i])) while (i < folded.size() && IsLatinLetter(folded[i])) ++i;
        else ++i;
    }
    return found;
}

DayMonth DayMonthOrder(const std::vector<std::u16string>& lines) {
    // A part above 12 in any date of the document settles it, then the
    // currency, then the language.
    int currency = 0, language = 0;
    for (const std::u16string& line : lines) {
        const std::u16string folded = Fold(line);
        for (std::size_t i = 0; i < folded.size(); ++i) {
            Scan p{&folded, i};
            int a = 0, b = 0, year = 0;
            if (!NumericParts(p, &a, &b, &year)) continue;
            if (a > 12 && b <= 12) return DayMonth::DayFirst;
            if (b > 12 && a <= 12) return DayMonth::MonthFirst;
        }
        if (folded.find(u'$') != std::u16string::npos) currency = currency ? currency : 1;
        for (char16_t sign : {u'\u20AC', u'\u00A3', u'\u20B9'})
            if (folded.find(sign) != std::u16string::npos) currency = currency ? currency : -1;
        for (const char16_t* word : {u"EUR", u"GBP", u"INR"})
            if (HasWord(folded, word)) currency = currency ? currency : -1;
        if (HasWord(folded, u"USD")) currency = currency ? currency : 1;
        for (const char16_t* word : {u"Rechnung", u"Datum", u"Facture", u"Factuur", u"Factura", u"Fattura", u"Betrag",
                                     u"Montant", u"Bedrag", u"Importe", u"Importo", u"MwSt", u"TVA", u"BTW", u"IVA"})
            if (HasWord(folded, word)) language = -1;
        for (const char16_t* word : {u"Invoice", u"INVOICE", u"Date", u"Amount", u"Total", u"Receipt"})
            if (HasWord(folded, word) && language == 0) language = 1;
    }
    const int settled = currency != 0 ? currency : language;
    return settled > 0 ? DayMonth::MonthFirst : settled < 0 ? DayMonth::DayFirst : DayMonth::Unknown;
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
