// SPDX-License-Identifier: GPL-3.0-or-later
// Code pages on glibc: the locale's codeset names the system code page, and
// iconv converts; the lead bytes are the core's own table.
#include "platform/CodePages.h"

#include <iconv.h>
#include <langinfo.h>
#include <algorithm>
#include <cerrno>
#include <clocale>

namespace {

// An iconv descriptor that closes itself.
class Iconv {
public:
    Iconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() { if (ok()) iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }
private:
    iconv_t cd_;
};

// True when `units` encode back to exactly `bytes`: some code pages give two
// byte sequences the same character (CP932's NEC and IBM rows), and only one
// of them can come back.
bool EncodesBackTo(const Iconv& back, const char16_t* units, std::size_t count, const char* bytes, std::size_t length) {
    if (!back.ok()) return false;
    char buf[8];
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    std::size_t inLeft = count * 2;
    char* outp = buf;
    std::size_t outLeft = sizeof buf;
    iconv(back.get(), nullptr, nullptr, nullptr, nullptr);
    if (iconv(back.get(), &in, &inLeft, &outp, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    return sizeof buf - outLeft == length && std::equal(buf, outp, bytes);
}

std::u16string DecodeWith(const Bytes& s, const CodePage& cp) {
    Iconv cd("UTF-16LE", cp.Name());
    Iconv back(cp.Name(), "UTF-16LE");
    std::u16string out;
    if (!cd.ok()) {
        for (unsigned char b : s) out.push_back(b < 0x80 ? char16_t(b) : char16_t(kByteEscapeBase + b));
        return out;
    }
    std::size_t i = 0;
    while (i < s.size()) {
        // One character at a time: it keeps an undecodable byte from hiding its neighbours.
        std::size_t len = (cp.IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        char16_t buf[4];
        char* in = const_cast<char*>(s.data() + i);
        std::size_t inLeft = len;
        char* outp = reinterpret_cast<char*>(buf);
        std::size_t outLeft = sizeof buf;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        std::size_t r = iconv(cd.get(), &in, &inLeft, &outp, &outLeft);
        std::size_t produced = (sizeof buf - outLeft) / 2;
        if (r == static_cast<std::size_t>(-1) || inLeft != 0 || produced == 0 ||
            !EncodesBackTo(back, buf, produced, s.data() + i, len)) {
            out.push_back(char16_t(kByteEscapeBase + static_cast<unsigned char>(s[i])));
            ++i;
            continue;
        }
        out.append(buf, produced);
        i += len;
    }
    return out;
}

Bytes EncodeWith(const std::u16string& s, const CodePage& cp) {
    Iconv cd(cp.Name(), "UTF-16LE");
    Bytes out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (IsByteEscape(c)) { out.push_back(char(c - kByteEscapeBase)); continue; }
        std::size_t units = (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size()) ? 2 : 1;
        char buf[8];
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(s.data() + i));
        std::size_t inLeft = units * 2;
        char* outp = buf;
        std::size_t outLeft = sizeof buf;
        std::size_t r = cd.ok() ? (iconv(cd.get(), nullptr, nullptr, nullptr, nullptr),
                                   iconv(cd.get(), &in, &inLeft, &outp, &outLeft))
                                : static_cast<std::size_t>(-1);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) out.push_back('?');
        else out.append(buf, sizeof buf - outLeft);
        i += units - 1;
    }
    return out;
}

}  // namespace

CodePage PlatformSystemCodePage() {
    // The program runs under the user's locale, not the "C" default.
    std::setlocale(LC_CTYPE, "");
    return CodePage::FromCodeset(nl_langinfo(CODESET));
}

std::u16string PlatformDecode(const Bytes& text, const CodePage& cp) { return DecodeWith(text, cp); }

Bytes PlatformEncode(const std::u16string& text, const CodePage& cp) { return EncodeWith(text, cp); }
