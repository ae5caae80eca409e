// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <cstring>
#include <vector>

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

MoveOutcome CopyToNewFile(const Bytes& from, const Bytes& to) {
    Handle in{CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
    if (in.h == INVALID_HANDLE_VALUE) return {false, MoveFailureReason(GetLastError(), from)};
    // CREATE_NEW never opens a file that is there; no sharing while it is written.
    Handle out{CreateFileA(to.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (out.h == INVALID_HANDLE_VALUE) return {false, MoveFailureReason(GetLastError(), to)};
    const DWORD error = Copy(in.h, out.h);
    if (error == ERROR_SUCCESS) return {true, {}};
    // Removed through the handle that made it: never another program's file under the name.
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(out.h, FileDispositionInfo, &gone, sizeof gone);
    return {false, MoveFailureReason(error, to)};
}

MoveOutcome SystemRemoveFile(const Bytes& path) {
    if (DeleteFileA(path.c_str())) return {true, {}};
    return {false, MoveFailureReason(GetLastError(), path)};
}
