// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <string>

#include "core/Bytes.h"

// A code page as the program sees it: its number, the name the platform
// knows it by, and its lead bytes (only double-byte code pages have any).
class CodePage {
public:
    // The system code page as the platform reports it, read once.
    static const CodePage& System();
    // A code page by its Windows number: 932, 936, 949, 950, 65001, 1252, ...
    static CodePage FromNumber(unsigned number);
    // A code page by the codeset name a locale reports ("UTF-8", "SHIFT_JIS", ...).
    static CodePage FromCodeset(const std::string& codeset);

    unsigned Number() const { return number_; }
    const std::string& Name() const { return name_; }
    bool IsLeadByte(unsigned char byte) const { return lead_[byte]; }
    bool HasLeadBytes() const { return hasLeadBytes_; }
    bool IsUtf8() const { return number_ == 65001; }

private:
    CodePage(unsigned number, std::string name);
    unsigned number_;
    std::string name_;
    std::array<bool, 256> lead_{};
    bool hasLeadBytes_ = false;
};

// What the core needs from the platform, handed in at start-up so that the
// core calls nothing above it: the code page the process runs under, and
// conversions for code pages other than UTF-8, in which bytes that do not
// decode (or would not come back the same) travel as byte escapes.
struct CodePageServices {
    CodePage (*systemCodePage)() = nullptr;
    std::u16string (*decode)(const Bytes& text, const CodePage& cp) = nullptr;
    Bytes (*encode)(const std::u16string& text, const CodePage& cp) = nullptr;
};
void UseCodePageServices(const CodePageServices& services);

// True when the byte at `index` (from 0) is the second byte of a double-byte
// character: the lead-byte values just before it, counted backwards up to the
// first other byte or the start, are odd in number.
bool IsTrailByte(const Bytes& text, std::size_t index, const CodePage& cp = CodePage::System());

// A byte that does not decode travels through UTF-16 as a lone surrogate:
// byte 0x80..0xFF as U+DC80..U+DCFF.
constexpr char16_t kByteEscapeBase = 0xDC00;
inline bool IsByteEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// Lossless conversion between code-page bytes and UTF-16. Bytes that do not
// decode become lone surrogates U+DC80..U+DCFF and come back unchanged.
std::u16string ToUtf16(const Bytes& text, const CodePage& cp = CodePage::System());
Bytes FromUtf16(const std::u16string& text, const CodePage& cp = CodePage::System());
