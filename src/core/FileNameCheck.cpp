// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/FileNameCheck.h"

const Bytes ForbiddenChars = "\\/:;*?\"<>|";

namespace {

bool ContainsCharacter(const Bytes& name, char c, const CodePage& cp) {
    // No double-byte code page has "/" as a second byte, and the kernel splits a
    // path at every one: counting it as part of a character would let a name
    // reach into another folder.
    if (c == '/') return name.find(c) != Bytes::npos;
    for (std::size_t at = name.find(c); at != Bytes::npos; at = name.find(c, at + 1)) {
        if (!IsTrailByte(name, at, cp)) return true;
    }
    return false;
}

}  // namespace

bool HasForbiddenChar(const Bytes& name, const CodePage& cp) {
    if (ContainsCharacter(name, '\t', cp)) return true;
    for (char c : ForbiddenChars) {
        if (ContainsCharacter(name, c, cp)) return true;
    }
    return false;
}
