// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <functional>

class Exception;

// The application-wide error display: an error that ends a handler is shown
// in a stop box captioned "Quilvane", owned by the main window, and the
// program goes on with the next message.
void SetApplicationWindow(HWND window);
void ShowException(const Exception& error);
void RunHandler(const std::function<void()>& handler);

// Shows the exception being handled, as RunHandler would; never raises.
void ShowCaughtException() noexcept;

// A window procedure's work: no C++ exception may unwind through the system's
// frames, so an error that ends it is shown and `failed` answered.
template <typename Handle>
LRESULT HandleGuarded(Handle handle, LRESULT failed) noexcept {
    try {
        return handle();
    } catch (...) {
        ShowCaughtException();
        return failed;
    }
}
