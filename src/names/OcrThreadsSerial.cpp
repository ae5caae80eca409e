// SPDX-License-Identifier: GPL-3.0-or-later
// For a Tesseract built without OpenMP: it runs on the calling thread already.
#include "names/Ocr.h"

void LimitOcrToOneThread() {}
