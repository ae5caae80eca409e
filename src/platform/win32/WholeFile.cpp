// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <algorithm>

#include "platform/ReadOnlyFile.h"

ReadOnlyFile::~ReadOnlyFile() {
    if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

ReadProblem ReadOnlyFile::Open(const std::u16string& path, std::optional<FileIdentity>* identity) {
    identity->reset();
    // Others may rename, write or delete the file meanwhile, as while it is shown.
    // Backup semantics open a folder too, so that it is refused as not a file, as on Linux.
    HANDLE file = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadProblem::Missing
                                                                               : ReadProblem::Unreadable;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    *identity = IdentityOfOpenFile(handle_);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!*identity || GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return ReadProblem::NotAFile;
    size_ = (*identity)->size;
    return ReadProblem::None;
}

bool ReadOnlyFile::ReadAt(char* data, std::uint64_t size, std::uint64_t at) {
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    LARGE_INTEGER position{};
    position.QuadPart = LONGLONG(at);
    if (size > 0 && !SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
    for (std::uint64_t done = 0; done < size;) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::uint64_t>(size - done, 1u << 30));
        if (!ReadFile(file, data + done, chunk, &n, nullptr) || n == 0) return false;
        done += n;
    }
    return true;
}
