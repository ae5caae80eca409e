// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>
#include <string>

#include "core/CodePage.h"

// The platform's code-page services, which CodePage and its conversions use.

// The code page the process runs under.
CodePage PlatformSystemCodePage();
// Conversions for code pages other than UTF-8; bytes that do not decode (or
// would not come back the same) travel as byte escapes.
std::u16string PlatformDecode(const Bytes& text, const CodePage& cp);
Bytes PlatformEncode(const std::u16string& text, const CodePage& cp);
