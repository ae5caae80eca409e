// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <string_view>

// Natural order of file names: runs of digits compare by value (scan2 before
// scan10), letters ignore ASCII case, and the raw bytes break ties.
bool NaturalLess(std::string_view a, std::string_view b);

// A key whose plain byte order is the natural order (ties aside, which the raw
// bytes break), for sorting many names: each name is worked over once.
std::string NaturalKey(std::string_view name);
