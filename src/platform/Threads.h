// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The calling thread yields to every other thread of the program and of the
// machine: for reading ahead, which must never slow what the user waits for.
void LowerThisThreadPriority();
