// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/NaturalOrder.h"

#include <algorithm>

namespace {

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

}  // namespace

// Letters folded; a digit run becomes '0', its length without leading zeros
// (plus one) and those digits, so shorter numbers sort first and equal lengths
// compare digit by digit; a run sorts against other characters as a digit
// would. Names with equal keys are ordered by their raw bytes.
std::string NaturalKey(std::string_view name) {
    std::string key;  // most names give keys short enough to stay off the heap
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (!IsDigit(c)) {
            key.push_back(static_cast<char>(Fold(c)));
            ++i;
            continue;
        }
        std::size_t start = i;
        while (start < name.size() && name[start] == '0') ++start;
        std::size_t end = start;
        while (end < name.size() && IsDigit(name[end])) ++end;
        i = end;
        const std::size_t digits = std::min<std::size_t>(end - start, 254);
        key.push_back('0');
        key.push_back(static_cast<char>(digits + 1));
        key.append(name.substr(end - digits, digits));
    }
    return key;
}

bool NaturalLess(std::string_view a, std::string_view b) {
    const int c = NaturalKey(a).compare(NaturalKey(b));
    return c != 0 ? c < 0 : a < b;
}
