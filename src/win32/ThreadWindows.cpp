// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/ThreadWindows.h"

#include <algorithm>

namespace {

// Called from the system, which nothing may unwind through: a failure ends the listing.
BOOL CALLBACK AddWindow(HWND window, LPARAM windows) {
    try {
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

}  // namespace

DisabledThreadWindows::DisabledThreadWindows(std::initializer_list<HWND> leftAlone) : active_(GetActiveWindow()) {
    std::vector<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), AddWindow, reinterpret_cast<LPARAM>(&windows));
    disabled_.reserve(windows.size());
    for (HWND window : windows) {
        if (std::find(leftAlone.begin(), leftAlone.end(), window) != leftAlone.end() || !IsWindowEnabled(window))
            continue;
        disabled_.push_back(window);
        EnableWindow(window, FALSE);
    }
}

DisabledThreadWindows::~DisabledThreadWindows() {
    for (HWND window : disabled_) {
        if (IsWindow(window)) EnableWindow(window, TRUE);
    }
    if (GetActiveWindow() == nullptr && IsWindow(active_) && IsWindowEnabled(active_)) SetActiveWindow(active_);
}
