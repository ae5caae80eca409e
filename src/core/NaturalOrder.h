#pragma once
#include <string_view>

// Natural order of file names: runs of digits compare by value (scan2 before
// scan10), letters ignore ASCII case, and the raw bytes break ties.
bool NaturalLess(std::string_view a, std::string_view b);
