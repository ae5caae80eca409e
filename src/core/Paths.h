// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Bytes.h"
#include "core/CodePage.h"

// Windows-style paths take "\" and ":" as delimiters; POSIX paths take "/".
enum class PathStyle { Windows, Posix };

// The style of the platform the program runs on (chosen at build time).
PathStyle NativePathStyle();

// Position (from 1) of the last delimiter that is not a trail byte; 0 when none.
std::size_t LastDelimiter(const Bytes& path, PathStyle style = NativePathStyle(),
                          const CodePage& cp = CodePage::System());
// Everything up to and including the last delimiter: C:\doc\a.pdf gives C:\doc\.
Bytes FolderPart(const Bytes& path, PathStyle style = NativePathStyle(), const CodePage& cp = CodePage::System());
// Everything after the last delimiter; the whole path when there is none.
Bytes FileNamePart(const Bytes& path, PathStyle style = NativePathStyle(), const CodePage& cp = CodePage::System());
// The folder with the style's delimiter at its end: "" gives "\", C: gives C:\.
Bytes WithTrailingDelimiter(const Bytes& folder, PathStyle style = NativePathStyle(),
                            const CodePage& cp = CodePage::System());
