// SPDX-License-Identifier: GPL-3.0-or-later
// For a Tesseract built with OpenMP. Its loops ask for a number of threads of
// their own, which omp_set_num_threads cannot lower; with no active levels
// every parallel region runs on the calling thread, as OMP_THREAD_LIMIT=1
// would make it, but without needing the environment before start-up.
#include <omp.h>

#include "names/Ocr.h"

void LimitOcrToOneThread() { omp_set_max_active_levels(0); }
