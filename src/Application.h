#pragma once
#include <functional>

// Builds both windows, shows the main one and runs the event loop. An error
// while the windows are built or first shown ends in the last-resort report
// and exit code 1.
int RunApplication(const std::function<void()>& registerControls);
