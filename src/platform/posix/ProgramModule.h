// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One of the program's own modules, beside the program's folder as installed
// (bin/ and lib/quilvane/) and as built; none when it cannot be loaded
// (dlerror() says why). Kept loaded until the process ends.
void* OpenProgramModule(const char* fileName);
