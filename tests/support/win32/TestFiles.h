// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real files in a temporary folder, made through the platform's own calls.
#include "platform/FileSystem.h"
#include "support/Win32Support.h"

// As the POSIX fixtures have it.
inline bool Exists(const Bytes& path) { return PathExists(path); }

// Under Wine the Recycle Bin is the freedesktop trash of the test's own home
// (tools/test-windows.sh sets HOME to the build folder), never the user's.
class TestTrash {
public:
    explicit TestTrash(const Bytes&) {}
};
