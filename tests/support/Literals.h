// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/CodePage.h"

// The code page the compiler wrote narrow literals in: UTF-8, or 932 in the
// Windows build, where literals are texts in the system code page.
inline const CodePage& LiteralCodePage() {
    static const CodePage literals = CodePage::FromNumber(QUILVANE_LITERAL_CODE_PAGE);
    return literals;
}

// A literal's text in code page `cp`.
inline Bytes InCodePage(const char* literal, const CodePage& cp) { return FromUtf16(ToUtf16(literal, LiteralCodePage()), cp); }
