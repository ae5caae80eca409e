// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

// The windows are laid out at 96 dpi and grow with the monitor's scaling, so
// that they stay sharp and in proportion. The per-monitor functions are
// looked up at run time: a Windows 10 older than 1607 has none of them.
constexpr int kDesignDpi = 96;

// `pixels` at 96 dpi, at `dpi`.
inline int Scaled(int pixels, int dpi) { return MulDiv(pixels, dpi, kDesignDpi); }
// The dpi `window` is shown at: its monitor's for a per-monitor aware window.
int WindowDpi(HWND window);
// The dpi a new top-level window starts at.
int SystemDpi();
// GetSystemMetrics at `dpi`.
int SystemMetricForDpi(int index, int dpi);
// The outer rectangle for client rectangle `rect` at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, int dpi);
