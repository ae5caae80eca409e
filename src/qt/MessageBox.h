// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <functional>

class QWidget;

// Message boxes go through one function, so tests can answer them instead of
// a user.
struct MessageBoxRequest {
    enum class Kind { ErrorDisplay, StartupReport, ForbiddenCharBox, Question };
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

// A question with はい (the default) and いいえ; true for はい. Tests answer it
// through their own handler.
using QuestionHandler = std::function<bool(const MessageBoxRequest&)>;
bool AskYesNoBox(const MessageBoxRequest& request);
void SetQuestionHandler(QuestionHandler handler);

// Breaks `text` into lines no wider than `maxWidth` where Japanese text reads
// naturally: after spaces and closing punctuation, before opening brackets, and
// after a particle in kana where a word in kanji or katakana begins; never
// inside a run of kana such as あります. A run with no such place is cut where
// it must be.
QString WrapAtNaturalBreaks(const QString& text, const std::function<int(const QString&)>& widthOf, int maxWidth);
