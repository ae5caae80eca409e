// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/ErrorDisplay.h"

#include "core/Errors.h"
#include "win32/ByteMessageBox.h"

namespace {

HWND applicationWindow = nullptr;

}  // namespace

void SetApplicationWindow(HWND window) { applicationWindow = window; }

void ShowException(const Exception& error) {
    ShowStopBox({ByteMessageBoxRequest::Kind::ErrorDisplay, reinterpret_cast<std::uintptr_t>(applicationWindow),
                 "Quilvane", WithFullStop(error.Message())});
}

void RunHandler(const std::function<void()>& handler) { RunGuarded(handler, ShowException); }

void ShowCaughtException() noexcept {
    try {
        try {
            throw;
        } catch (const Exception& error) {
            ShowException(error);
        } catch (const std::exception& error) {
            ShowException(Exception(error.what()));
        }
    } catch (...) {
        // Not even the box could be shown: the program goes on.
    }
}
