// SPDX-License-Identifier: GPL-3.0-or-later
#include "names/FileKind.h"

FileKind KindOfPath(const Bytes& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == Bytes::npos) return FileKind::Other;
    Bytes extension = path.substr(dot + 1);
    for (char& c : extension) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension == "pdf" ? FileKind::Pdf : extension == "mp3" ? FileKind::Mp3 : FileKind::Other;
}
