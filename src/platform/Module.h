// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Errors.h"

// The program's module file name and an address's offset into it.
CodeLocation LocateCode(const void* address);
// The folder of the program's file, with its delimiter at the end; empty when unknown.
Bytes ProgramFolder();
