// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/SeriesName.h"

namespace {

// The digit value of `c` in the kind of digits whose zero is `zero`, or -1.
int DigitOf(char16_t c, char16_t zero) { return c >= zero && c <= zero + 9 ? c - zero : -1; }

}  // namespace

std::optional<Bytes> StepLastNumber(const Bytes& name, int delta, const CodePage& cp) {
    std::u16string text = ToUtf16(name, cp);
    std::size_t end = text.size();
    char16_t zero = 0;
    for (; end > 0; --end) {
        const char16_t c = text[end - 1];
        if (DigitOf(c, u'0') >= 0) zero = u'0';
        else if (DigitOf(c, u'\uFF10') >= 0) zero = u'\uFF10';
        else continue;
        break;
    }
    if (zero == 0) return std::nullopt;
    std::size_t start = end;
    while (start > 0 && DigitOf(text[start - 1], zero) >= 0) --start;
    std::u16string digits = text.substr(start, end - start);
    const bool padded = digits.size() > 1 && digits[0] == zero;
    // Decimal arithmetic on the digits themselves: a number of any length steps.
    int carry = delta;
    for (std::size_t i = digits.size(); i > 0 && carry != 0; --i) {
        int value = DigitOf(digits[i - 1], zero) + carry;
        carry = value < 0 ? -1 : value > 9 ? 1 : 0;
        digits[i - 1] = static_cast<char16_t>(zero + (value + 10) % 10);
    }
    if (carry < 0) return std::nullopt;
    if (carry > 0) digits.insert(digits.begin(), static_cast<char16_t>(zero + carry));
    if (!padded) {
        while (digits.size() > 1 && digits[0] == zero) digits.erase(digits.begin());
    }
    text.replace(start, end - start, digits);
    return FromUtf16(text, cp);
}
