// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <deque>
#include <functional>

// Work that another thread hands to a window's thread: queued here, and run
// when the window gets kMessage. Whoever posts must stop before this goes.
class WindowTasks {
public:
    static constexpr UINT kMessage = WM_APP + 1;
    explicit WindowTasks(HWND window) : window_(window) {}
    WindowTasks(const WindowTasks&) = delete;
    WindowTasks& operator=(const WindowTasks&) = delete;

    // From any thread.
    void Post(std::function<void()> task);
    // On the window's thread, when kMessage arrives.
    void RunPending();

private:
    HWND window_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::deque<std::function<void()>> tasks_;
};
