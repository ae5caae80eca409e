#pragma once
#include <QString>
#include <functional>

class QWidget;

// Message boxes go through one function, so tests can answer them instead of
// a user.
struct MessageBoxRequest {
    enum class Kind { ErrorDisplay, StartupReport, ForbiddenCharBox };
    Kind kind;
    QWidget* owner = nullptr;
    QString caption;
    QString text;
};

using MessageBoxHandler = std::function<void(const MessageBoxRequest&)>;

// Shows a stop-icon box with one OK button (both default and cancel),
// centred, with no sound, modal to the application.
void ShowStopBox(const MessageBoxRequest& request);
// Replaces the real box; an empty handler puts the real one back.
void SetMessageBoxHandler(MessageBoxHandler handler);
