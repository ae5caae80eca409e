// SPDX-License-Identifier: GPL-3.0-or-later
// Code pages on Win32: the ANSI code page is the system one, GetCPInfo tells
// the lead bytes, and the conversions go one character at a time so that a
// byte that does not decode cannot hide its neighbours.
#include <windows.h>

#include <algorithm>

#include "platform/CodePages.h"

namespace {

// Number 0 is a code page known only by a name Windows does not take; in
// Win32 calls 0 would mean the ANSI code page instead.
bool Known(const CodePage& cp) { return cp.Number() != 0 && IsValidCodePage(cp.Number()); }

// True when `units` encode back to exactly `bytes`: CP932's NEC and IBM rows
// give one character two byte sequences, and only one of them comes back.
bool EncodesBackTo(UINT cp, const wchar_t* units, int count, const char* bytes, int length) {
    char buffer[8];
    BOOL usedDefault = FALSE;
    const int made = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, units, count, buffer, sizeof buffer, nullptr, &usedDefault);
    return made == length && !usedDefault && std::equal(buffer, buffer + made, bytes);
}

}  // namespace

CodePage PlatformSystemCodePage() { return CodePage::FromNumber(GetACP()); }

std::u16string PlatformDecode(const Bytes& s, const CodePage& cp) {
    std::u16string out;
    out.reserve(s.size());
    const bool known = Known(cp);
    std::size_t i = 0;
    while (i < s.size()) {
        const auto byte = static_cast<unsigned char>(s[i]);
        const int len = (cp.IsLeadByte(byte) && i + 1 < s.size()) ? 2 : 1;
        wchar_t buffer[4];
        const int produced =
            known ? MultiByteToWideChar(cp.Number(), MB_ERR_INVALID_CHARS, s.data() + i, len, buffer, 4) : 0;
        if (produced <= 0 || !EncodesBackTo(cp.Number(), buffer, produced, s.data() + i, len)) {
            out.push_back(byte < 0x80 ? char16_t(byte) : char16_t(kByteEscapeBase + byte));
            ++i;
            continue;
        }
        out.append(reinterpret_cast<const char16_t*>(buffer), produced);
        i += len;
    }
    return out;
}

Bytes PlatformEncode(const std::u16string& s, const CodePage& cp) {
    const bool known = Known(cp);
    Bytes out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (IsByteEscape(c)) {
            out.push_back(char(c - kByteEscapeBase));
            continue;
        }
        const int units = (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) ? 2 : 1;
        char buffer[8];
        BOOL usedDefault = FALSE;
        const int made = known ? WideCharToMultiByte(cp.Number(), WC_NO_BEST_FIT_CHARS,
                                                     reinterpret_cast<const wchar_t*>(s.data() + i), units, buffer,
                                                     sizeof buffer, nullptr, &usedDefault)
                               : (c < 0x80 ? (buffer[0] = char(c), 1) : 0);
        if (made <= 0 || usedDefault) out.push_back('?');
        else out.append(buffer, made);
        i += units - 1;
    }
    return out;
}
