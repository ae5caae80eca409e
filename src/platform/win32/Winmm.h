// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>

// The multimedia calls in the program's plain types. Mci.h gives the MCI
// names the platform's values, and <windows.h> defines the same names as
// macros, so the two never meet in one file: Mci.cpp sees Mci.h, and
// MciWindow.cpp sees <windows.h>.
namespace winmm {

std::uint32_t SendCommand(std::uint32_t device, std::uint32_t message, std::uintptr_t flags, std::uintptr_t params);
bool GetErrorString(std::uint32_t error, char* buffer, std::uint32_t length);

// A message-only window (parent HWND_MESSAGE) that hands each MM_MCINOTIFY
// it receives to `handler`: wParam is the outcome, lParam the device.
using NoticeHandler = void (*)(void* context, std::uint32_t outcome, std::uint32_t device);
std::uintptr_t CreateNoticeWindow(NoticeHandler handler, void* context);
void DestroyNoticeWindow(std::uintptr_t window);

// The parameter blocks as winmm lays them out (packed to the byte), checked
// against both headers.
constexpr std::size_t kOpenParamsSize = 36, kPlayParamsSize = 16, kStatusParamsSize = 24, kSeekParamsSize = 12,
                      kGenericParamsSize = 8;

}  // namespace winmm
