// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>

// How long a command of the GStreamer MCI waits for its device at most; an
// open that takes longer fails with MCIERR_DEVICE_NOT_READY. Returns the limit before.
std::chrono::milliseconds SetMciWaitLimit(std::chrono::milliseconds limit);
