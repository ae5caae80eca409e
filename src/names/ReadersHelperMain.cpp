// SPDX-License-Identifier: GPL-3.0-or-later
// quilvane-readers, the helper's own program on Linux.
#include "names/ReadersHelper.h"

int main(int argc, char** argv) { return RunAsReadersHelper(argc, argv).value_or(2); }
