// SPDX-License-Identifier: GPL-3.0-or-later
// The file-system services on Win32's ANSI calls: the names are bytes in the
// system code page, and the platform matches wildcards and ignores case itself.
#include <windows.h>

#include <array>

#include "core/CodePage.h"
#include "core/Paths.h"
#include "platform/FileSystem.h"
#include "platform/FolderSnapshot.h"

PathStyle NativePathStyle() { return PathStyle::Windows; }

namespace {

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DirEntry EntryOf(const WIN32_FIND_DATAA& data) { return {data.cFileName, IsFolder(data.dwFileAttributes)}; }

// Fixed disks and cards report through this system's own driver; a network
// share through its server, where the server supports it (the request fails
// where not, and the folder's times decide instead).
bool ReportsCanReachUs(const Bytes& folder) {
    char root[MAX_PATH];
    if (!GetVolumePathNameA(folder.c_str(), root, sizeof root)) return false;
    switch (GetDriveTypeA(root)) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_RAMDISK:
    case DRIVE_REMOTE:
        return true;
    default:
        return false;
    }
}

ULONGLONG LastWritten(HANDLE folder) {
    FILETIME written{};
    GetFileTime(folder, nullptr, nullptr, &written);
    return (ULONGLONG(written.dwHighDateTime) << 32) | written.dwLowDateTime;
}

// Reports name a file by its long name or by its short one, which the kept
// listing does not hold: a removal under what may be a short name cannot be
// applied. A "?" stands for a character the code page lacks, which the
// platform's own conversion may have written otherwise.
bool Applicable(const Bytes& name, bool added) {
    if (name.find('?') != Bytes::npos) return false;
    return added || name.size() > 12 || name.find('~') == Bytes::npos;
}

}  // namespace

// The reports of ReadDirectoryChangesW, polled without waiting at each search.
struct FolderWatch::State {
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE reported = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    OVERLAPPED overlapped{};
    ULONGLONG written = 0;  // the folder's last write when its reports were last taken
    alignas(DWORD) std::array<char, 64 * 1024> buffer;

    // The event is cleared here, so that a wait below means a new report.
    bool Ask() {
        ResetEvent(reported);
        overlapped = OVERLAPPED{};
        overlapped.hEvent = reported;
        return ReadDirectoryChangesW(folder, buffer.data(), buffer.size(), FALSE,
                                     FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, nullptr, &overlapped,
                                     nullptr);
    }

    // Takes every report that has come; false on a lost report or an error.
    bool Drain(std::vector<FolderChange>& changes, std::size_t limit) {
        DWORD bytes = 0;
        while (GetOverlappedResult(folder, &overlapped, &bytes, FALSE)) {
            if (bytes == 0) return false;  // more changes than the buffer holds
            for (const char* at = buffer.data();;) {
                const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(at);
                const bool added =
                    record->Action != FILE_ACTION_REMOVED && record->Action != FILE_ACTION_RENAMED_OLD_NAME;
                Bytes name = FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(record->FileName),
                                                      record->FileNameLength / sizeof(WCHAR)));
                if (!Applicable(name, added) || changes.size() >= limit) return false;
                changes.push_back({std::move(name), added});
                if (record->NextEntryOffset == 0) break;
                at += record->NextEntryOffset;
            }
            if (!Ask()) return false;
        }
        return GetLastError() == ERROR_IO_INCOMPLETE;
    }
};

FolderWatch::FolderWatch() : state_(std::make_unique<State>()) {}

FolderWatch::~FolderWatch() {
    Stop();
    if (state_->reported) CloseHandle(state_->reported);
}

bool FolderWatch::Start(const Bytes& folder) {
    if (!state_->reported || !ReportsCanReachUs(folder)) return false;
    state_->folder = CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (state_->folder == INVALID_HANDLE_VALUE) return false;
    state_->written = LastWritten(state_->folder);
    if (state_->Ask()) return true;
    Stop();
    return false;
}

void FolderWatch::Stop() {
    if (state_->folder == INVALID_HANDLE_VALUE) return;
    // The system writes into the buffer until the request is over.
    DWORD bytes;
    if (CancelIoEx(state_->folder, &state_->overlapped))
        GetOverlappedResult(state_->folder, &state_->overlapped, &bytes, TRUE);
    CloseHandle(state_->folder);
    state_->folder = INVALID_HANDLE_VALUE;
}

bool FolderWatch::Take(std::vector<FolderChange>& changes, std::size_t limit) {
    const ULONGLONG written = LastWritten(state_->folder);
    const std::size_t before = changes.size();
    if (!state_->Drain(changes, limit)) return false;
    // Windows reports a change before the call that made it returns; Wine a
    // few ms later. A folder written since with nothing reported waits for it.
    if (written != state_->written && changes.size() == before) {
        if (WaitForSingleObject(state_->reported, 50) != WAIT_OBJECT_0 || !state_->Drain(changes, limit)) return false;
    }
    state_->written = written;
    return true;
}

namespace {
// FILETIME's 100 ns since 1601 as nanoseconds since 1970.
std::int64_t UnixNanoseconds(const FILETIME& t) {
    const ULONGLONG ticks = (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return (std::int64_t(ticks) - 116444736000000000LL) * 100;
}
}  // namespace

std::optional<FolderStamp> FreshFolderStamp(const Bytes& folder) {
    HANDLE handle = CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    FILE_BASIC_INFO info{};
    const bool read = GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info);
    CloseHandle(handle);
    if (!read) return std::nullopt;
    const auto ns = [](LARGE_INTEGER t) {
        FILETIME f{DWORD(t.QuadPart), DWORD(t.QuadPart >> 32)};
        return UnixNanoseconds(f);
    };
    return FolderStamp{ns(info.LastWriteTime), ns(info.ChangeTime)};
}

std::int64_t SteadyClockNow() {
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const std::int64_t perSecond = frequency.QuadPart;
    return count.QuadPart / perSecond * 1000000000 + count.QuadPart % perSecond * 1000000000 / perSecond;
}

void WaitNanoseconds(std::int64_t ns) { Sleep(DWORD((ns + 999999) / 1000000)); }

// FindExInfoBasic and the large fetch: no short names made, fewer calls.
std::vector<DirEntry> ReadFolderEntries(const Bytes& folder) {
    std::vector<DirEntry> found;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileExA((WithTrailingDelimiter(folder) + "*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return found;
    do found.push_back(EntryOf(data));
    while (FindNextFileA(find, &data));
    FindClose(find);
    return found;
}

std::optional<DirEntry> EntryNamed(const Bytes& folder, const Bytes& name) {
    return FindFirstMatch(WithTrailingDelimiter(folder) + name);
}

std::optional<DirEntry> FindFirstMatch(const Bytes& searchPath) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(searchPath.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(find);
    return EntryOf(data);
}

bool PathExists(const Bytes& path) { return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const Bytes& path) { return !path.empty() && IsFolder(GetFileAttributesA(path.c_str())); }
