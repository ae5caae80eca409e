// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <algorithm>

#include "support/Win32Support.h"

namespace {

void Remove(const Bytes& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const Bytes name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Remove(folder + name + "\\");
            else DeleteFileA((folder + name).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempDir::TempDir() {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    for (unsigned n = GetTickCount();; ++n) {
        path_ = Bytes(base) + "quilvane-" + std::to_string(n) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() { Remove(path_); }

bool WriteFile(const Bytes& path, const Bytes& contents) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr) && written == contents.size();
    CloseHandle(file);
    return ok;
}

std::vector<Bytes> ListNames(const Bytes& folder) {
    std::vector<Bytes> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const Bytes name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

Bytes ReadFile(const Bytes& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(missing)";
    char buffer[256];
    DWORD read = 0;
    ::ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return Bytes(buffer, read);
}

bool MakeFolder(const Bytes& path) { return CreateDirectoryA(path.c_str(), nullptr); }

bool CopyNewFile(const Bytes& from, const Bytes& to) { return CopyFileA(from.c_str(), to.c_str(), TRUE); }

HeldOpen::HeldOpen(const Bytes& path, Sharing sharing)
    : handle_(reinterpret_cast<std::intptr_t>(
          sharing == Sharing::None
              ? CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)
              : CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr))) {}

HeldOpen::~HeldOpen() {
    if (Held()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool HeldOpen::Held() const { return reinterpret_cast<HANDLE>(handle_) != INVALID_HANDLE_VALUE; }

bool PumpUntil(const std::function<bool()>& done, unsigned ms) {
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(5);
    }
    return done();
}

bool PostWindowMessage(std::uintptr_t window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostMessageA(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

bool IsMessageOnlyWindow(std::uintptr_t window) {
    for (HWND found = nullptr; (found = FindWindowExA(HWND_MESSAGE, found, nullptr, nullptr)) != nullptr;)
        if (found == reinterpret_cast<HWND>(window)) return true;
    return false;
}
