#include "core/CodePage.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <algorithm>
#include <cctype>
#include <map>

namespace {

bool IsDoubleByteNumber(unsigned number) {
    return number == 932 || number == 936 || number == 949 || number == 950;
}

std::string IconvNameOf(unsigned number) {
    switch (number) {
    case 65001: return "UTF-8";
    case 20127: return "ASCII";
    case 28591: return "ISO-8859-1";
    default: return "CP" + std::to_string(number);
    }
}

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

constexpr char16_t kEscapeBase = 0xDC00;  // lone surrogate U+DC80..U+DCFF carries byte 0x80..0xFF

bool IsEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

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
        if (!valid) { out.push_back(char16_t(kEscapeBase + c)); ++i; continue; }
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
        if (IsEscape(c)) { out.push_back(char(c - kEscapeBase)); continue; }
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

std::u16string DecodeWithIconv(const Bytes& s, const CodePage& cp) {
    Iconv cd("UTF-16LE", cp.IconvName());
    Iconv back(cp.IconvName(), "UTF-16LE");
    std::u16string out;
    if (!cd.ok()) {
        for (unsigned char b : s) out.push_back(b < 0x80 ? char16_t(b) : char16_t(kEscapeBase + b));
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
            out.push_back(char16_t(kEscapeBase + static_cast<unsigned char>(s[i])));
            ++i;
            continue;
        }
        out.append(buf, produced);
        i += len;
    }
    return out;
}

Bytes EncodeWithIconv(const std::u16string& s, const CodePage& cp) {
    Iconv cd(cp.IconvName(), "UTF-16LE");
    Bytes out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (IsEscape(c)) { out.push_back(char(c - kEscapeBase)); continue; }
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

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

}  // namespace

CodePage::CodePage(unsigned number, std::string iconvName) : number_(number), iconvName_(std::move(iconvName)) {
    if (!IsDoubleByteNumber(number_)) return;
    // A lead byte is one that iconv finds incomplete on its own.
    Iconv cd("UTF-16LE", iconvName_);
    if (!cd.ok()) return;
    for (unsigned b = 0x80; b < 0x100; ++b) {
        char in[1] = {char(b)};
        char out[8];
        char* ip = in; char* op = out;
        std::size_t il = 1, ol = sizeof out;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd.get(), &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) && errno == EINVAL) {
            lead_[b] = true;
            hasLeadBytes_ = true;
        }
    }
}

CodePage CodePage::FromNumber(unsigned number) { return CodePage(number, IconvNameOf(number)); }

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
    return CodePage(0, codeset);  // a single-byte code page iconv knows by this name
}

const CodePage& CodePage::System() {
    static const CodePage system = [] {
        // The program runs under the user's locale, not the "C" default.
        std::setlocale(LC_CTYPE, "");
        return FromCodeset(nl_langinfo(CODESET));
    }();
    return system;
}

bool IsTrailByte(const Bytes& text, std::size_t index, const CodePage& cp) {
    if (index == 0 || index >= text.size() || !cp.HasLeadBytes()) return false;
    std::size_t leads = 0;
    for (std::size_t j = index; j > 0 && cp.IsLeadByte(static_cast<unsigned char>(text[j - 1])); --j) ++leads;
    return leads % 2 == 1;
}

std::u16string ToUtf16(const Bytes& text, const CodePage& cp) {
    return cp.IsUtf8() ? DecodeUtf8(text) : DecodeWithIconv(text, cp);
}

Bytes FromUtf16(const std::u16string& text, const CodePage& cp) {
    return cp.IsUtf8() ? EncodeUtf8(text) : EncodeWithIconv(text, cp);
}
