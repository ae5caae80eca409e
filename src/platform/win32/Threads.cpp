// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Threads.h"

#include <windows.h>

void LowerThisThreadPriority() { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }
