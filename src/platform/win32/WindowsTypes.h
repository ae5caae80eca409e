// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Windows integer types the MCI seam is written in, declared as
// <windows.h> declares them, so that a file may see both.
using DWORD = unsigned long;
using DWORD_PTR = unsigned long long;
using UINT = unsigned int;
