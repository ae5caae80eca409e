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
