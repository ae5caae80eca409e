// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "platform/ByteMessageBox.h"

namespace {

ByteMessageBoxHandler& Handler() {
    static ByteMessageBoxHandler handler;
    return handler;
}

}  // namespace

void ShowStopBox(const ByteMessageBoxRequest& request) {
    if (Handler()) Handler()(request);
    else MessageBoxA(reinterpret_cast<HWND>(request.owner), request.text.c_str(), request.caption.c_str(), MB_ICONSTOP | MB_OK);
}

void SetMessageBoxHandler(ByteMessageBoxHandler handler) { Handler() = std::move(handler); }
