// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

#include "core/Bytes.h"

// Where a code address lies: the file name of the program's module and the
// offset of the address into it (0 when the platform cannot tell).
struct CodeLocation {
    Bytes moduleFileName;
    std::uintptr_t offset = 0;
};
CodeLocation LocateCode(const void* address);
