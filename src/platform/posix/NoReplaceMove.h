// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/stat.h>

#include <functional>

#include "platform/FileSystem.h"

// The system calls the no-replace move makes, in one place, so that tests can
// force the fallbacks a file system without RENAME_NOREPLACE (or without hard
// links) takes, and act between their steps as another program would.
class MoveCalls {
public:
    virtual ~MoveCalls() = default;
    virtual int RenameNoReplace(const char* from, const char* to);
    virtual int OpenPath(const char* path);  // a descriptor that names the file, or -1
    virtual int LinkHeld(int fd, const char* to);  // a new name for the file `fd` holds
    virtual int CreateExclusive(const char* path);  // a descriptor, or -1
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
    virtual int Lstat(const char* path, struct stat* info);
};

MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to, MoveCalls& calls);

// The same file, whatever its names: one device, one inode.
inline bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Removes the name `path` while it names a file that `ours` accepts (or the
// file `held`); 0, or EEXIST when the name meant another file, which stays.
int DropName(const Bytes& path, const std::function<bool(const struct stat&)>& ours, MoveCalls& calls);
int DropName(const Bytes& path, const struct stat& held, MoveCalls& calls);

// The Japanese reason for an error the move can meet.
Bytes MoveFailureReason(int error);
