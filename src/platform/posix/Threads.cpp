// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Threads.h"

#include <sys/resource.h>
#include <unistd.h>

// Linux keeps a nice value per thread. Not idle scheduling: on a machine
// kept busy the file shown must still get its candidates, only later.
void LowerThisThreadPriority() { setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10); }
