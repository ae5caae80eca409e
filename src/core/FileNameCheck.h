// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Bytes.h"
#include "core/CodePage.h"

// The ten single-byte characters a new name may not hold, in the order the
// error box lists them: \ / : ; * ? " < > |
extern const Bytes ForbiddenChars;

// True when `name` holds a tab or one of ForbiddenChars at a position where a
// character begins; a trail byte of a double-byte character never counts.
bool HasForbiddenChar(const Bytes& name, const CodePage& cp = CodePage::System());
