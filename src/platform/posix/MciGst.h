// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <chrono>
#include <memory>

#include "platform/Mci.h"

// How long a command of the GStreamer MCI waits for its device at most; an
// open that takes longer fails with MCIERR_DEVICE_NOT_READY. Returns the limit before.
std::chrono::milliseconds SetMciWaitLimit(std::chrono::milliseconds limit);

// How completion notices reach the UI thread: through the front end's event
// loop, handed in at start-up. `post` is called from streaming threads.
struct MciNoticeQueue {
    std::unique_ptr<MciNotifyTarget> (*makeTarget)() = nullptr;
    void (*post)(DWORD_PTR target, DWORD outcome, MCIDEVICEID device) = nullptr;
};
void UseMciNoticeQueue(const MciNoticeQueue& queue);

// The text of MCIERR_CANNOT_LOAD_DRIVER, also given when the module is missing.
inline constexpr const char* kCannotLoadDriverText = "MCI デバイス ドライバーを読み込めません";
