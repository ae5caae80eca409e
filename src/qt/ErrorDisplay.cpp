// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/ErrorDisplay.h"

#include <QPointer>
#include <QWidget>

#include "core/Errors.h"
#include "qt/QtBytes.h"
#include "qt/MessageBox.h"

namespace {

QPointer<QWidget>& ApplicationWindow() {
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

void SetApplicationWindow(QWidget* window) { ApplicationWindow() = window; }

void ShowException(const Exception& error) {
    ShowStopBox({MessageBoxRequest::Kind::ErrorDisplay, ApplicationWindow().data(), QStringLiteral("Quilvane"),
                 ToDisplayString(WithFullStop(error.Message()))});
}

void RunHandler(const std::function<void()>& handler) { RunGuarded(handler, ShowException); }
