// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "platform/FileIdentity.h"

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t nativeHandle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(reinterpret_cast<HANDLE>(nativeHandle), &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                        (std::uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
                        std::int64_t((std::uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                     info.ftLastWriteTime.dwLowDateTime),
                        std::int64_t((std::uint64_t(info.ftCreationTime.dwHighDateTime) << 32) |
                                     info.ftCreationTime.dwLowDateTime)};
}

std::optional<FileIdentity> IdentityOfPath(const Bytes& path) {
    // No access asked: only the attributes are read, and no other program is kept out.
    HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    auto identity = IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(file));
    CloseHandle(file);
    return identity;
}
