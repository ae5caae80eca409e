// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/Trash.h"

// Finding a file in the Recycle Bin after the shell has moved it there, and
// what the shell calls need around it.

// Names in the system code page, as the ANSI calls convert them.
std::wstring Wide(const Bytes& text);
// None when the name has a character the code page lacks.
std::optional<Bytes> Narrow(const std::wstring& text);

// A COM reference released when it goes.
template <class T>
class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_ != nullptr) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T** Put() { return &p_; }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

// The bin's file the shell names by `itemPath` (C:\$Recycle.Bin\<user>\$R….pdf),
// with its $I note beside it when there is one; none for a name that is not a
// full path or not in the code page.
std::optional<TrashedFile> BinFileAt(const std::wstring& itemPath);

// Looks for a file the shell has just moved to the bin from `original`.
class BinSearch {
public:
    // Notes the entries Wine's bin holds under the file's name before it moves.
    BinSearch(const std::wstring& original, const FileIdentity& identity);
    // Among the bin's items, the same file; else, in Wine's bin, the entry for
    // the name that is the same file or, copied from another disk, the one new.
    std::optional<TrashedFile> Find() const;

private:
    std::optional<TrashedFile> FromShell() const;
    std::optional<TrashedFile> FromWine() const;
    std::vector<std::wstring> WineEntries() const;

    std::wstring name_;
    FileIdentity identity_;
    std::wstring wineTrash_;  // empty when not under Wine
    std::vector<std::wstring> before_;
};
