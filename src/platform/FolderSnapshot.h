// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "core/Bytes.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"

// The last folder read, kept up to date from the platform's change reports,
// so that stepping through a folder of 100,000 files reads it once. The
// decisions live in FolderSnapshot.cpp; each backend gives the reports, the
// read and the look-up of one name below.

struct ByNaturalOrder {
    bool operator()(const DirEntry& a, const DirEntry& b) const;
};
using SortedEntries = std::set<DirEntry, ByNaturalOrder>;

// Every entry of `folder` (empty: the current one) in natural order, as a
// fresh read gives them, "." and ".." included. Later changes go to a copy
// while the caller holds this one. `version` gets the listing's version (see
// KeptFolderVersion), 0 when the folder is read at every search.
std::shared_ptr<const SortedEntries> KeptFolderEntries(const Bytes& folder, unsigned long* version = nullptr);

// What the platform reported for one name in the watched folder.
struct FolderChange {
    Bytes name;
    bool added;  // made or moved in; otherwise removed or moved away
};

// The platform's change reports for one folder at a time.
class FolderWatch {
public:
    FolderWatch();
    ~FolderWatch();
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;

    // Starts before the folder is read; false where the reports cannot be
    // trusted (a file system that other machines change) or not had.
    bool Start(const Bytes& folder);
    void Stop();
    // Appends what was reported since the last call; false when reports were
    // lost, or more than `limit` came, and only a fresh read will do.
    bool Take(std::vector<FolderChange>& changes, std::size_t limit);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A folder's own times, fetched afresh from the server where there is one,
// in nanoseconds since 1970 on that server's clock. Where no change reports
// are trusted, the kept listing stands while these stay the same; they prove
// it once we have seen them stand for their clock tick, so that a change in
// the same tick cannot hide.
struct FolderStamp {
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    bool operator==(const FolderStamp&) const = default;
};
std::optional<FolderStamp> FreshFolderStamp(const Bytes& folder);
// This machine's steady clock in nanoseconds, which no one sets: the waits
// are timed on it, as a server's clock may be minutes off ours.
std::int64_t SteadyClockNow();
// Waits so long on this thread (<chrono> does not build with Windows' narrow literals).
void WaitNanoseconds(std::int64_t ns);

// Our own move of one file, from `from` to `to` (either may be empty), told
// to the kept listing: made before the move, Made() after it succeeds. The
// listing takes the change itself, so a late report cannot leave it out;
// kept by the folder's times, a read in the background proves it, so the
// step after a rename on a share reads nothing in full.
class OwnFolderChange {
public:
    OwnFolderChange(const Bytes& from, const Bytes& to);
    void Made();

private:
    Bytes from_, to_;
    bool kept_ = false;
    std::optional<FolderStamp> before_;
};

// The backend's own move and removal, which tell the kept listing nothing.
MoveOutcome SystemMoveNoReplace(const Bytes& from, const Bytes& to);
MoveOutcome SystemRemoveFile(const Bytes& path);
// To another file system: copied, flushed with its folder and compared, then
// the source goes only while its name holds the very file copied, unchanged.
// With `expected`, only that file is moved.
MoveOutcome SystemMoveAcrossVolumes(const Bytes& from, const Bytes& to, const FileIdentity* expected);
// Why such a move was refused, beyond the platform's own errors.
inline const Bytes kNotARegularFile = "通常のファイルではないため、別のドライブには移動できません";
inline const Bytes kReplacedMeanwhile = "別のファイルに置き換えられています";
inline const Bytes kWrittenMeanwhile = "移動中に別のプログラムがファイルを書き換えたため、移動しませんでした";
inline const Bytes kBothKept = "移動中に別のプログラムが同じ名前で保存したため、移動先のコピーと元のファイルの両方を残しました";

// For tests: behave as on a share, where no change reports are trusted.
void IgnoreFolderReports(bool ignore);
// For tests: the folders' times from `source`, as a share keeping a clock of
// its own gives them (nullptr: from the file system).
using FolderStampSource = std::optional<FolderStamp> (*)(const Bytes& folder);
void UseFolderStamps(FolderStampSource source);

// Every entry of a folder as the platform lists it, in its own order.
std::vector<DirEntry> ReadFolderEntries(const Bytes& folder);
// The entry stored under `name` in `folder` now, named as a read names it.
std::optional<DirEntry> EntryNamed(const Bytes& folder, const Bytes& name);
