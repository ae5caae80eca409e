// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/FolderSnapshot.h"
#include "platform/win32/NoReplaceMove.h"

namespace {

constexpr DWORD kChunk = 1 << 16;

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};

// Reads up to `size` bytes; fewer only at the end. False on an error.
bool ReadFull(HANDLE file, char* data, DWORD size, DWORD& got) {
    got = 0;
    while (got < size) {
        DWORD n = 0;
        if (!ReadFile(file, data + got, size - got, &n, nullptr)) return false;
        if (n == 0) break;
        got += n;
    }
    return true;
}

// ERROR_SUCCESS, or the error of the step that failed; a difference read back is ERROR_CRC.
DWORD Copy(HANDLE in, HANDLE out) {
    std::vector<char> buffer(kChunk), again(kChunk);
    for (;;) {
        DWORD n = 0, written = 0;
        if (!ReadFull(in, buffer.data(), kChunk, n)) return GetLastError();
        if (n == 0) break;
        if (!WriteFile(out, buffer.data(), n, &written, nullptr)) return GetLastError();
        if (written != n) return ERROR_HANDLE_DISK_FULL;
    }
    if (!FlushFileBuffers(out)) return GetLastError();
    FILETIME created, accessed, written;
    if (GetFileTime(in, &created, &accessed, &written)) SetFileTime(out, &created, &accessed, &written);
    LARGE_INTEGER start{}, sizeIn{}, sizeOut{};
    if (!GetFileSizeEx(in, &sizeIn) || !GetFileSizeEx(out, &sizeOut)) return GetLastError();
    if (sizeIn.QuadPart != sizeOut.QuadPart) return ERROR_CRC;
    if (!SetFilePointerEx(in, start, nullptr, FILE_BEGIN) || !SetFilePointerEx(out, start, nullptr, FILE_BEGIN))
        return GetLastError();
    for (;;) {
        DWORD a = 0, b = 0;
        if (!ReadFull(in, buffer.data(), kChunk, a) || !ReadFull(out, again.data(), kChunk, b)) return GetLastError();
        if (a != b || std::memcmp(buffer.data(), again.data(), a) != 0) return ERROR_CRC;
        if (a == 0) return ERROR_SUCCESS;
    }
}

}  // namespace

MoveOutcome SystemMoveAcrossVolumes(const Bytes& from, const Bytes& to, const FileIdentity* expected) {
    // Held with no sharing but reading: no other program writes it, renames it
    // or saves over its name until it is gone, and it goes through this handle.
    Handle in{CreateFileA(from.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
    if (in.h == INVALID_HANDLE_VALUE) return {false, MoveFailureReason(GetLastError(), from)};
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(in.h) != FILE_TYPE_DISK || !GetFileInformationByHandle(in.h, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
        return {false, kNotARegularFile};
    if (expected != nullptr) {
        const std::optional<FileIdentity> held = IdentityOfOpenFile(reinterpret_cast<std::intptr_t>(in.h));
        if (!held || !SameFile(*held, *expected)) return {false, kReplacedMeanwhile};
    }
    // CREATE_NEW never opens a file that is there; no sharing while it is written.
    Handle out{CreateFileA(to.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (out.h == INVALID_HANDLE_VALUE) return {false, MoveFailureReason(GetLastError(), to)};
    FILE_DISPOSITION_INFO gone{TRUE};
    DWORD error = Copy(in.h, out.h);
    if (error == ERROR_SUCCESS) {
        if (SetFileInformationByHandle(in.h, FileDispositionInfo, &gone, sizeof gone)) return {true, {}};
        error = GetLastError();
    }
    // Removed through the handle that made it: never another program's file under the name.
    SetFileInformationByHandle(out.h, FileDispositionInfo, &gone, sizeof gone);
    return {false, MoveFailureReason(error, error == ERROR_CRC ? to : from)};
}

MoveOutcome SystemRemoveFile(const Bytes& path) {
    if (DeleteFileA(path.c_str())) return {true, {}};
    return {false, MoveFailureReason(GetLastError(), path)};
}
