// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/CodePage.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

namespace {

CodePageServices services;

const CodePageServices& Services() {
    if (services.systemCodePage == nullptr) throw std::logic_error("code-page services used before start-up handed them in");
    return services;
}

// The double-byte code pages' lead bytes are fixed: Windows' GetCPInfo and
// iconv report the same ranges.
std::array<bool, 256> LeadBytesOf(unsigned number) {
    std::array<bool, 256> lead{};
    const auto mark = [&](unsigned first, unsigned last) {
        for (unsigned b = first; b <= last; ++b) lead[b] = true;
    };
    if (number == 932) mark(0x81, 0x9F), mark(0xE0, 0xFC);
    else mark(0x81, 0xFE);  // 936, 949, 950
    return lead;
}

bool IsDoubleByteNumber(unsigned number) {
    return number == 932 || number == 936 || number == 949 || number == 950;
}

std::string NameOf(unsigned number) {
    switch (number) {
    case 65001: return "UTF-8";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    default: return "CP" + std::to_string(number);
    }
}

// Strict UTF-8: overlong forms, encoded surrogates and values past U+10FFFF do
// not decode, so every decoded character encodes back to the same bytes.
std::u16string DecodeUtf8(const Bytes& s) {
    std::u16string out;
    out.reserve(s.size());
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned c = p[i];
        if (c < 0x80) { out.push_back(char16_t(c)); ++i; continue; }
        int len = 0; unsigned cp = 0, min = 0;
        if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; min = 0x80; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; min = 0x800; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; min = 0x10000; }
        bool valid = len > 0 && i + len <= n;
        for (int k = 1; valid && k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) valid = false;
            else cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (valid && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
        if (!valid) { out.push_back(char16_t(kByteEscapeBase + c)); ++i; continue; }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += len;
    }
    return out;
}

void AppendUtf8(Bytes& out, unsigned cp) {
    if (cp < 0x80) { out.push_back(char(cp)); }
    else if (cp < 0x800) { out.push_back(char(0xC0 | (cp >> 6))); out.push_back(char(0x80 | (cp & 0x3F))); }
    else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

Bytes EncodeUtf8(const std::u16string& s) {
    Bytes out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (IsByteEscape(c)) { out.push_back(char(c - kByteEscapeBase)); continue; }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unsigned(c) - 0xD800) << 10) + (unsigned(s[i + 1]) - 0xDC00));
            ++i;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) { out.push_back('?'); continue; }  // a stray half of a pair
        AppendUtf8(out, c);
    }
    return out;
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

}  // namespace

CodePage::CodePage(unsigned number, std::string name) : number_(number), name_(std::move(name)) {
    if (!IsDoubleByteNumber(number_)) return;
    lead_ = LeadBytesOf(number_);
    hasLeadBytes_ = true;
}

CodePage CodePage::FromNumber(unsigned number) { return CodePage(number, NameOf(number)); }

CodePage CodePage::FromCodeset(const std::string& codeset) {
    static const std::map<std::string, unsigned> known = {
        {"UTF-8", 65001}, {"UTF8", 65001},
        {"SHIFT_JIS", 932}, {"SJIS", 932}, {"CP932", 932}, {"WINDOWS-31J", 932},
        {"GBK", 936}, {"GB2312", 936}, {"CP936", 936},
        {"EUC-KR", 949}, {"CP949", 949}, {"UHC", 949},
        {"BIG5", 950}, {"CP950", 950},
        {"ANSI_X3.4-1968", 20127}, {"ASCII", 20127},
        {"ISO-8859-1", 28591}, {"CP1252", 1252},
    };
    auto it = known.find(Upper(codeset));
    if (it != known.end()) return FromNumber(it->second);
    return CodePage(0, codeset);  // a single-byte code page the platform knows by this name
}

const CodePage& CodePage::System() {
    static const CodePage system = Services().systemCodePage();
    return system;
}

void UseCodePageServices(const CodePageServices& given) { services = given; }

bool IsTrailByte(const Bytes& text, std::size_t index, const CodePage& cp) {
    if (index == 0 || index >= text.size() || !cp.HasLeadBytes()) return false;
    std::size_t leads = 0;
    for (std::size_t j = index; j > 0 && cp.IsLeadByte(static_cast<unsigned char>(text[j - 1])); --j) ++leads;
    return leads % 2 == 1;
}

std::u16string ToUtf16(const Bytes& text, const CodePage& cp) {
    return cp.IsUtf8() ? DecodeUtf8(text) : Services().decode(text, cp);
}

Bytes FromUtf16(const std::u16string& text, const CodePage& cp) {
    return cp.IsUtf8() ? EncodeUtf8(text) : Services().encode(text, cp);
}
