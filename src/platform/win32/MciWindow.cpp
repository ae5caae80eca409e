// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>
#include <mmsystem.h>

#include "platform/win32/Winmm.h"

// The player hands its parameter blocks straight to winmm.
static_assert(sizeof(MCI_OPEN_PARMSA) == winmm::kOpenParamsSize);
static_assert(offsetof(MCI_OPEN_PARMSA, wDeviceID) == 8 && offsetof(MCI_OPEN_PARMSA, lpstrElementName) == 20);
static_assert(sizeof(MCI_PLAY_PARMS) == winmm::kPlayParamsSize && offsetof(MCI_PLAY_PARMS, dwTo) == 12);
static_assert(sizeof(MCI_STATUS_PARMS) == winmm::kStatusParamsSize && offsetof(MCI_STATUS_PARMS, dwItem) == 16);
static_assert(sizeof(MCI_SEEK_PARMS) == winmm::kSeekParamsSize && sizeof(MCI_GENERIC_PARMS) == winmm::kGenericParamsSize);

namespace {

// The handler and its context live in the window's own bytes: the window owns
// nothing, so no failure during its creation can free anything twice.
constexpr int kHandlerSlot = 0, kContextSlot = sizeof(LONG_PTR);

struct Receiver {
    winmm::NoticeHandler handler;
    void* context;
};

LRESULT CALLBACK NoticeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* receiver = static_cast<const Receiver*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(window, kHandlerSlot, reinterpret_cast<LONG_PTR>(receiver->handler));
        SetWindowLongPtrA(window, kContextSlot, reinterpret_cast<LONG_PTR>(receiver->context));
    } else if (message == MM_MCINOTIFY) {
        if (auto handler = reinterpret_cast<winmm::NoticeHandler>(GetWindowLongPtrA(window, kHandlerSlot)))
            handler(reinterpret_cast<void*>(GetWindowLongPtrA(window, kContextSlot)), static_cast<std::uint32_t>(wParam),
                    static_cast<std::uint32_t>(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

const char* NoticeWindowClass() {
    static const char* const name = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = NoticeWindowProc;
        windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "QuilvaneMciNotify";
        RegisterClassExA(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

}  // namespace

namespace winmm {

std::uint32_t SendCommand(std::uint32_t device, std::uint32_t message, std::uintptr_t flags, std::uintptr_t params) {
    return mciSendCommandA(device, message, flags, params);
}

bool GetErrorString(std::uint32_t error, char* buffer, std::uint32_t length) {
    return mciGetErrorStringA(error, buffer, length) != FALSE;
}

std::uintptr_t CreateNoticeWindow(NoticeHandler handler, void* context) {
    Receiver receiver{handler, context};
    HWND window = CreateWindowExA(0, NoticeWindowClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), &receiver);
    return reinterpret_cast<std::uintptr_t>(window);
}

void DestroyNoticeWindow(std::uintptr_t window) {
    if (window != 0) DestroyWindow(reinterpret_cast<HWND>(window));
}

}  // namespace winmm
