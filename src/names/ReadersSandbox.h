// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The most memory the readers' helper may take.
constexpr std::uint64_t kReadersMemory = 1536ull << 20;

// Shuts the readers' helper in before it reads its first file: on Linux at
// most `addressSpace` bytes of memory (0: no limit, for builds whose
// sanitizers reserve terabytes), no program started, no network, no file
// opened, made, renamed or removed by path; what it holds open already stays
// usable. On Windows the program's job limits it (ReaderProcessJob.cpp), and
// this adds what a process can do to itself. False when the system refused a
// part that matters.
bool EnterReadersSandbox(std::uint64_t addressSpace);
