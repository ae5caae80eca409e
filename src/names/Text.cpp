// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/Text.h"

std::u16string Fold(const std::u16string& text) {
    std::u16string out = text;
    for (char16_t& c : out) {
        if (c >= 0xFF01 && c <= 0xFF5E) c = char16_t(c - 0xFEE0);
        else if (c == 0x3000 || c == 0x00A0) c = u' ';
        else if ((c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xFE63) c = u'-';
    }
    return out;
}

bool IsJapanese(char16_t c) {
    return (c >= 0x3001 && c <= 0x303F) ||  // CJK punctuation, 々, 〆
           (c >= 0x3040 && c <= 0x30FF) ||  // kana
           (c >= 0x3200 && c <= 0x33FF) ||  // enclosed and squared forms: ㈱, ㍻
           (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF01 && c <= 0xFF9F);  // full-width forms, half-width kana
}

bool IsWordLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (IsJapanese(c) && c > 0x3040 && c < 0xFF00);
}

std::u16string JoinJapaneseSpaces(const std::u16string& text) {
    std::u16string out;
    out.reserve(text.size());
    const auto opening = [](char16_t c) { return c == u'(' || c == u'['; };
    const auto closing = [](char16_t c) { return c == u')' || c == u']'; };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u' ' && !out.empty() && (IsJapanese(out.back()) || opening(out.back()))) {
            std::size_t end = i;
            while (end < text.size() && text[end] == u' ') ++end;
            if (end < text.size() && (IsJapanese(text[end]) || closing(text[end])) && (IsJapanese(out.back()) || IsJapanese(text[end]))) {
                i = end - 1;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::u16string Squeeze(const std::u16string& text) {
    std::u16string out;
    for (char16_t c : text) {
        const bool space = c == u' ' || c == 0x3000 || c == u'\t';
        if (space && (out.empty() || out.back() == u' ' || out.back() == 0x3000)) continue;
        out.push_back(c == u'\t' ? u' ' : c);
    }
    while (!out.empty() && (out.back() == u' ' || out.back() == 0x3000)) out.pop_back();
    return out;
}
