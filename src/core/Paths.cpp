#include "core/Paths.h"

namespace {

bool IsDelimiterByte(char c, PathStyle style) {
    return style == PathStyle::Windows ? (c == '\\' || c == ':') : c == '/';
}

char SeparatorOf(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

}  // namespace

std::size_t LastDelimiter(const Bytes& path, PathStyle style, const CodePage& cp) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsDelimiterByte(path[i - 1], style) && !IsTrailByte(path, i - 1, cp)) return i;
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
    if (!folder.empty() && folder.back() == separator && !IsTrailByte(folder, folder.size() - 1, cp)) return folder;
    return folder + separator;
}
