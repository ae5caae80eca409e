// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

// The application's title and Qt's own texts in Japanese.
void SetUpApplication();

// Builds both windows, shows the main one and runs the event loop. An error
// while the windows are built or first shown ends in the last-resort report
// and exit code 1.
int RunApplication(const std::function<void()>& registerControls);
