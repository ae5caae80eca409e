// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/MuPdfLocks.h"

#include <mutex>

const fz_locks_context* SharedMuPdfLocks() {
    // Never destroyed: a thread still in MuPDF while the program exits may take one.
    static std::mutex* const mutexes = new std::mutex[FZ_LOCK_MAX];
    static const fz_locks_context locks{
        mutexes,
        [](void* user, int lock) { static_cast<std::mutex*>(user)[lock].lock(); },
        [](void* user, int lock) { static_cast<std::mutex*>(user)[lock].unlock(); },
    };
    return &locks;
}
