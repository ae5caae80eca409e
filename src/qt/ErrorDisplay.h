// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

class Exception;
class QWidget;

// Runs an event handler; an error that leaves it ends it and is shown in the
// application-wide box (message with its full stop, caption "Quilvane", stop
// icon, OK). The program then goes on.
void RunHandler(const std::function<void()>& handler);
void ShowException(const Exception& error);

// The window that owns the error boxes (the main window once there is one).
void SetApplicationWindow(QWidget* window);
