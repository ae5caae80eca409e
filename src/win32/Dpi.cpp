// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/Dpi.h"

namespace {

template <typename Function>
Function User32(const char* name) {
    static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    // Through void (*)(): the one function pointer type any other converts to without a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

int WindowDpi(HWND window) {
    static const auto forWindow = User32<decltype(&GetDpiForWindow)>("GetDpiForWindow");
    const UINT dpi = forWindow != nullptr && window != nullptr ? forWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

int SystemDpi() {
    static const auto forSystem = User32<decltype(&GetDpiForSystem)>("GetDpiForSystem");
    const UINT dpi = forSystem != nullptr ? forSystem() : 0;
    return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    static const auto forDpi = User32<decltype(&GetSystemMetricsForDpi)>("GetSystemMetricsForDpi");
    return forDpi != nullptr ? forDpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi) {
    static const auto forDpi = User32<decltype(&AdjustWindowRectExForDpi)>("AdjustWindowRectExForDpi");
    if (forDpi != nullptr) forDpi(&rect, style, hasMenu, exStyle, static_cast<UINT>(dpi));
    else AdjustWindowRectEx(&rect, style, hasMenu, exStyle);
}
