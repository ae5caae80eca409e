// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "win32/ByteMessageBox.h"
#include "win32/ThreadWindows.h"

namespace {

ByteMessageBoxHandler& Handler() {
    static ByteMessageBoxHandler handler;
    return handler;
}

ByteQuestionHandler& Questions() {
    static ByteQuestionHandler handler;
    return handler;
}

}  // namespace

void ShowStopBox(const ByteMessageBoxRequest& request) {
    if (Handler()) Handler()(request);
    else {
        // The last-resort report comes before any window: it holds the whole task.
        const UINT modality = request.kind == ByteMessageBoxRequest::Kind::StartupReport ? MB_TASKMODAL : 0;
        const auto owner = reinterpret_cast<HWND>(request.owner);
        const DisabledThreadWindows modal({owner});
        MessageBoxA(owner, request.text.c_str(), request.caption.c_str(), MB_ICONSTOP | MB_OK | modality);
    }
}

void SetMessageBoxHandler(ByteMessageBoxHandler handler) { Handler() = std::move(handler); }

bool AskYesNoBox(const ByteMessageBoxRequest& request) {
    if (Questions()) return Questions()(request);
    const auto owner = reinterpret_cast<HWND>(request.owner);
    const DisabledThreadWindows modal({owner});
    return MessageBoxA(owner, request.text.c_str(), request.caption.c_str(), MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void SetQuestionHandler(ByteQuestionHandler handler) { Questions() = std::move(handler); }
