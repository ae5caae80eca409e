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
