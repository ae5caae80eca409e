#include "core/QtBytes.h"

#include "core/CodePage.h"

QString ToQString(const Bytes& text) {
    const std::u16string wide = ToUtf16(text);
    return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

Bytes FromQString(const QString& text) {
    return FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
}

QString ToDisplayString(const Bytes& text) {
    QString shown = ToQString(text);
    for (QChar& c : shown) {
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF && !(&c > shown.data() && (&c)[-1].isHighSurrogate()))
            c = QChar(0xFFFD);
    }
    return shown;
}
