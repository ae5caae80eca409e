// SPDX-License-Identifier: GPL-3.0-or-later
// The file-system services on Win32's ANSI calls: the names are bytes in the
// system code page, and the platform matches wildcards and ignores case itself.
#include <windows.h>

#include "core/Paths.h"
#include "platform/FileSystem.h"

PathStyle NativePathStyle() { return PathStyle::Windows; }

namespace {

unsigned long fullReads = 0;

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DirEntry EntryOf(const WIN32_FIND_DATAA& data) { return {data.cFileName, IsFolder(data.dwFileAttributes)}; }

}  // namespace

DirectorySearch::DirectorySearch(const Bytes& searchPath) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(searchPath.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do entries_.push_back(EntryOf(data));
    while (FindNextFileA(find, &data));
    FindClose(find);
    ++fullReads;
    SortNaturally(entries_);  // NTFS's own order is not natural
    next_ = 1;
}

std::optional<DirEntry> FindFirstMatch(const Bytes& searchPath) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(searchPath.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(find);
    return EntryOf(data);
}

unsigned long FolderReadCount() { return fullReads; }

bool PathExists(const Bytes& path) { return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const Bytes& path) { return !path.empty() && IsFolder(GetFileAttributesA(path.c_str())); }
