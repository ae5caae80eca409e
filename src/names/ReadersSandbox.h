// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// Shuts the readers' helper in before it reads its first file: at most
// `addressSpace` bytes of memory (0: no limit, for builds whose sanitizers
// reserve terabytes), no program started, no network, no file opened, made,
// renamed or removed by path. What it holds open already stays usable.
// False when the system refused a part.
bool EnterReadersSandbox(std::uint64_t addressSpace);
