// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// A string of bytes in the system code page, as the program's names and paths
// are. Empty and absent are the same; equality is byte for byte.
using Bytes = std::string;
