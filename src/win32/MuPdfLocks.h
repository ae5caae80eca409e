// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
extern "C" {
#include <mupdf/fitz.h>
}

// The one set of MuPDF's locks for every context in the process. Contexts
// made apart still share a few of MuPDF's globals (the allocators it hands
// OpenJPEG and HarfBuzz), which it guards with the calling context's locks:
// two contexts on two threads are safe only when their locks are one set.
// Pass it to every fz_new_context.
const fz_locks_context* SharedMuPdfLocks();
