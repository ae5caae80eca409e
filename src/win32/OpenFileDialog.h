// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include "core/Bytes.h"

// The system's open dialog for one filter entry ("text|pattern"): read-only
// box hidden, resizable, starting at `fileName`. True with `fileName` set when
// the user chose a file.
bool ChooseFileToOpen(HWND owner, const Bytes& filter, Bytes& fileName);
// The system's folder browser, starting at `folder`; true with it set to the choice.
bool ChooseFolder(HWND owner, Bytes& folder);

// "text|pattern|..." as the dialog takes it: each part ending in a NUL, the
// whole in two. A "|" that is the second byte of a character is no separator.
Bytes DialogFilter(const Bytes& filter);
