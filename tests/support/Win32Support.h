// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "core/Bytes.h"

// Win32 helpers for the tests, in plain types, so that tests that include
// Mci.h need no <windows.h>.

// A folder under %TEMP%, removed with what is in it when the test ends.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    Bytes operator/(const Bytes& name) const { return path_ + name; }
    const Bytes& Path() const { return path_; }  // ends in "\"

private:
    Bytes path_;
};

// Files are made through the Win32 calls: Wine stores a Shift-JIS name as
// UTF-8 on the Linux disk, and only its own calls find it again.
bool WriteFile(const Bytes& path, const Bytes& contents);
Bytes ReadFile(const Bytes& path);  // "(missing)" when it cannot be opened
// Names in a folder, sorted bytewise ("." and ".." left out), as FindFirstFileA gives them.
std::vector<Bytes> ListNames(const Bytes& folder);
bool MakeFolder(const Bytes& path);
bool CopyNewFile(const Bytes& from, const Bytes& to);
// Holds a file open, as a program using it does, until it goes: with no
// sharing, or sharing it with readers only, as Windows' media file source does.
class HeldOpen {
public:
    enum class Sharing { None, Readers };
    explicit HeldOpen(const Bytes& path, Sharing sharing = Sharing::None);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool Held() const;

private:
    std::intptr_t handle_;
};

// Runs the thread's message loop until `done` or the time limit.
bool PumpUntil(const std::function<bool()>& done, unsigned ms = 5000);
bool PostWindowMessage(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
// True for a window whose parent is HWND_MESSAGE.
bool IsMessageOnlyWindow(std::uintptr_t window);
