// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/WindowTasks.h"

void WindowTasks::Post(std::function<void()> task) {
    AcquireSRWLockExclusive(&lock_);
    tasks_.push_back(std::move(task));
    const bool first = tasks_.size() == 1;
    ReleaseSRWLockExclusive(&lock_);
    // One message for a run of tasks: a message loop that is busy drawing
    // does not fill up with them.
    if (first) PostMessageA(window_, kMessage, 0, 0);
}

void WindowTasks::RunPending() {
    AcquireSRWLockExclusive(&lock_);
    std::deque<std::function<void()>> due;
    due.swap(tasks_);
    ReleaseSRWLockExclusive(&lock_);
    for (auto& task : due) task();
}
