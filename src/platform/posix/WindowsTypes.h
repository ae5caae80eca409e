// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The Windows integer types the MCI seam is written in, at their Windows widths.
using DWORD = std::uint32_t;
using DWORD_PTR = std::uintptr_t;
using UINT = std::uint32_t;
