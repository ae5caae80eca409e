// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <cstdint>

#include "names/NameSuggestions.h"

// The readers in their helper process (see ReadersHelper.h): one for the
// whole program, started at the first read and again after one failed. A
// file it has not answered for within `deadline` has no names.
constexpr std::chrono::milliseconds kReadDeadline{10000};
NameSuggestions::MakeReader HelperFileNameReader(std::chrono::milliseconds deadline);
// The helper's process now, -1 when none runs; how many times one was
// started; the job object it runs in, 0 where there is none (for tests).
int ReaderHelperProcess();
int ReaderHelperStarts();
std::intptr_t ReaderHelperJob();
