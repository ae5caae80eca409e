// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Paths.h"

namespace {

bool IsDelimiterByte(char c, PathStyle style) {
    return style == PathStyle::Windows ? (c == '\\' || c == ':') : c == '/';
}

// The kernel splits POSIX paths at every "/", whatever the code page; only the
// Windows delimiters can be the second byte of a double-byte character.
bool IsDelimiterAt(const Bytes& path, std::size_t index, PathStyle style, const CodePage& cp) {
    return IsDelimiterByte(path[index], style) && (style == PathStyle::Posix || !IsTrailByte(path, index, cp));
}

char SeparatorOf(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

}  // namespace

std::size_t LastDelimiter(const Bytes& path, PathStyle style, const CodePage& cp) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsDelimiterAt(path, i - 1, style, cp)) return i;
    }
    return 0;
}

Bytes FolderPart(const Bytes& path, PathStyle style, const CodePage& cp) {
    return path.substr(0, LastDelimiter(path, style, cp));
}

Bytes FileNamePart(const Bytes& path, PathStyle style, const CodePage& cp) {
    return path.substr(LastDelimiter(path, style, cp));
}

Bytes WithTrailingDelimiter(const Bytes& folder, PathStyle style, const CodePage& cp) {
    const char separator = SeparatorOf(style);
    if (!folder.empty() && folder.back() == separator && IsDelimiterAt(folder, folder.size() - 1, style, cp)) return folder;
    return folder + separator;
}
