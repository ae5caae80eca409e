// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/QtBytes.h"

#include "core/CodePage.h"

QString ToQString(const Bytes& text) {
    const std::u16string wide = ToUtf16(text);
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

Bytes FromQString(const QString& text) {
    return FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

QString ToDisplayString(const Bytes& text) {
    // Line by line, so that a message keeps its line breaks.
    QString shown;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        shown += ToEscapedString(text.substr(start, end == Bytes::npos ? Bytes::npos : end - start));
        if (end == Bytes::npos) return shown;
        shown += QLatin1Char('\n');
        start = end + 1;
    }
}

namespace {

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}

}  // namespace

QString ToEscapedString(const Bytes& text) {
    static const char digits[] = "0123456789ABCDEF";
    const QString decoded = ToQString(text);
    auto escaped = [&](qsizetype i) {
        const char16_t c = decoded[i].unicode();
        const bool lone = c >= 0xDC80 && c <= 0xDCFF && !(i > 0 && decoded[i - 1].isHighSurrogate());
        return lone || c < 0x20 || c == 0x7F;
    };
    // A backslash is doubled only where it could be read as the start of an escape.
    auto ambiguous = [&](qsizetype i) {
        if (i + 1 >= decoded.size()) return false;
        if (decoded[i + 1] == u'\\' || escaped(i + 1)) return true;
        return i + 3 < decoded.size() && (decoded[i + 1] == u'x' || decoded[i + 1] == u'X') &&
               HexValue(decoded[i + 2]) >= 0 && HexValue(decoded[i + 3]) >= 0;
    };
    QString shown;
    shown.reserve(decoded.size());
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const char16_t c = decoded[i].unicode();
        if (escaped(i)) {
            shown += QLatin1String("\\x");
            shown += QLatin1Char(digits[(c >> 4) & 0xF]);
            shown += QLatin1Char(digits[c & 0xF]);
        } else if (c == u'\\' && ambiguous(i)) {
            shown += QLatin1String("\\\\");
        } else {
            shown += decoded[i];
        }
    }
    return shown;
}

Bytes FromEscapedString(const QString& text) {
    Bytes bytes;
    QString plain;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == u'\\' && i + 1 < text.size();
        if (escape && text[i + 1] == u'\\') {
            plain += u'\\';
            ++i;
        } else if (escape && i + 3 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
                   HexValue(text[i + 2]) >= 0 && HexValue(text[i + 3]) >= 0) {
            bytes += FromQString(plain);
            plain.clear();
            bytes += char(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return bytes + FromQString(plain);
}
