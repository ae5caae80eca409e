// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

#include "core/Errors.h"

// The text of the player error `action` raises.
inline Bytes MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EMCIDeviceError& e) {
        return e.Message();
    }
    return "(nothing raised)";
}
