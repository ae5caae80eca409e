// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>

#include "core/Bytes.h"

// The stop boxes in the toolkit-neutral build: the same seam as MessageBox.h,
// with the caption and text as bytes in the system code page and the owner
// as the platform's window handle.
struct ByteMessageBoxRequest {
    enum class Kind { ErrorDisplay, StartupReport, ForbiddenCharBox, Question };
    Kind kind;
    std::uintptr_t owner = 0;
    Bytes caption;
    Bytes text;
};

using ByteMessageBoxHandler = std::function<void(const ByteMessageBoxRequest&)>;

// Shows a stop-icon box with one OK button, modal to its owner.
void ShowStopBox(const ByteMessageBoxRequest& request);
// Replaces the real box; an empty handler puts the real one back.
void SetMessageBoxHandler(ByteMessageBoxHandler handler);

// A question with はい and いいえ, modal to its owner; true for はい. Tests
// answer it through their own handler.
using ByteQuestionHandler = std::function<bool(const ByteMessageBoxRequest&)>;
bool AskYesNoBox(const ByteMessageBoxRequest& request);
void SetQuestionHandler(ByteQuestionHandler handler);
