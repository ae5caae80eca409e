// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <algorithm>

#include "platform/WholeFile.h"

ReadProblem ReadWholeFile(const std::u16string& path, std::uint64_t largest,
                          const std::function<char*(std::size_t)>& storage, std::optional<FileIdentity>* identity) {
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
    ReadProblem problem = ReadProblem::None;
    *identity = IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(file));
    BY_HANDLE_FILE_INFORMATION info{};
    const std::uint64_t size = *identity ? (*identity)->size : 0;
    char* data = nullptr;
    if (!*identity || GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        problem = ReadProblem::NotAFile;
    else if (size >= largest || ((data = storage(std::size_t(size))) == nullptr && size > 0))
        problem = ReadProblem::TooLarge;
    for (std::uint64_t done = 0; problem == ReadProblem::None && done < size;) {
        DWORD n = 0;
        const DWORD chunk = DWORD(std::min<std::uint64_t>(size - done, 1u << 30));
        if (!ReadFile(file, data + done, chunk, &n, nullptr) || n == 0) problem = ReadProblem::Unreadable;
        else done += n;
    }
    CloseHandle(file);
    return problem;
}
