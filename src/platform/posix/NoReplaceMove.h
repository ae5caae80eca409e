// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <sys/stat.h>

#include "platform/FileSystem.h"

// The system calls the no-replace move makes, in one place, so that tests can
// force the fallback a file system without RENAME_NOREPLACE takes, and act
// between its steps as another program would.
class MoveCalls {
public:
    virtual ~MoveCalls() = default;
    virtual int RenameNoReplace(const char* from, const char* to);
    virtual int CreateExclusive(const char* path);  // a descriptor, or -1
    virtual int Rename(const char* from, const char* to);
    virtual int Unlink(const char* path);
    virtual int Lstat(const char* path, struct stat* info);
};

MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to, MoveCalls& calls);

// The Japanese reason for an error the move can meet.
Bytes MoveFailureReason(int error);
