// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/Bytes.h"

// File-system services in the code-page form the program uses: byte-string
// paths, wildcard search, folder test and a move that never replaces a file.

struct DirEntry {
    Bytes name;        // the name as stored, byte for byte
    bool isDirectory;  // the directory attribute
};

// "*" and "?" wildcards, letter case ignored (ASCII), as the platform matches.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// A search over a folder for a pattern, given as one search path (folder +
// pattern). It yields every kind of entry (hidden ones, folders, "." and "..")
// in natural order, and is ended when the object goes. It walks the folder's
// listing as it stood when the search began, matching as it goes.
class DirectorySearch {
public:
    explicit DirectorySearch(const Bytes& searchPath);
    ~DirectorySearch();
    DirectorySearch(const DirectorySearch&) = delete;
    DirectorySearch& operator=(const DirectorySearch&) = delete;

    // The entry under the cursor; only valid while Found().
    bool Found() const { return current_ != nullptr; }
    const DirEntry& Current() const { return *current_; }
    // Moves to the next entry; false when there is none.
    bool Next();
    // The version of the listing this search walks (see KeptFolderVersion).
    unsigned long ListingVersion() const;

private:
    struct Walk;
    std::unique_ptr<Walk> walk_;
    const DirEntry* current_ = nullptr;
};

// Puts entries in natural order, as the folder list shows them.
void SortNaturally(std::vector<DirEntry>& entries);

// The first entry the platform finds for a search path, or none.
std::optional<DirEntry> FindFirstMatch(const Bytes& searchPath);

// A number that stays the same while the kept listing of `folder` (as a
// search path's folder part names it) does not change, and only then; 0 when
// the folder is not kept up to date (it is read at every search). It reads
// nothing but the change reports.
unsigned long KeptFolderVersion(const Bytes& folder);

// What changed in the kept listing of `folder` since it had version `since`:
// each name touched, with its entry now (none when it is gone). None when only
// a fresh listing can tell. Ask right after KeptFolderVersion.
struct ListingChange {
    Bytes name;
    std::optional<DirEntry> now;
};
std::optional<std::vector<ListingChange>> KeptFolderChangesSince(const Bytes& folder, unsigned long since);

// How many times a folder has been read in full, not from the kept listing.
unsigned long FolderReadCount();

// True when something of any kind is stored under exactly this path.
bool PathExists(const Bytes& path);

// True for a folder (a trailing delimiter allowed); false for a file or nothing.
bool FolderExists(const Bytes& path);

struct MoveOutcome {
    bool moved = false;
    Bytes reason;  // the platform's reason when not moved
    bool otherVolume = false;  // refused only because `to` is on another file system
    Bytes leftBehind = {};  // moved, but something that goes with it stayed: what, and why
};
// Renames `from` to `to`; never replaces a file that exists at `to`, even one
// that appears a moment before the move.
MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to);
// Removes a file (`moved` when it is gone).
MoveOutcome RemoveFile(const Bytes& path);
// As MoveFileNoReplace, and to another file system too: there `from` is
// copied, flushed and compared, and removed only while its name still holds
// that very file, unchanged. On any failure `from` stays and nothing is left
// at `to`, except when another program saved a new version under `from`
// meanwhile: then both stay, and the reason says so. With `expected`, only
// that file is moved (struct FileIdentity; see FileIdentity.h).
struct FileIdentity;
MoveOutcome MoveFileAnywhere(const Bytes& from, const Bytes& to, const FileIdentity* expected = nullptr);
