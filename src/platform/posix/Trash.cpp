// SPDX-License-Identifier: GPL-3.0-or-later
// The freedesktop trash: the home trash for files on its file system, and a
// trash at the top of any other file system (.Trash/$uid, else .Trash-$uid).
// Each file gets an info/NAME.trashinfo entry, made first and exclusively,
// so that the name in files/ is ours; then the file moves in.
#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/Paths.h"
#include "platform/posix/NoReplaceMove.h"

namespace {

bool MakeFolder(const Bytes& folder) { return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST; }

// The folder and those above it that are missing (~/.local/share may not be there yet).
bool MakeFolders(const Bytes& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != Bytes::npos; slash = folder.find('/', slash + 1))
        if (!MakeFolder(folder.substr(0, slash))) return false;
    return MakeFolder(folder);
}

Bytes HomeTrash() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/') return Bytes(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? Bytes(home) + "/.local/share/Trash" : Bytes();
}

dev_t DeviceOf(const Bytes& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? st.st_dev : static_cast<dev_t>(-1);
}

// The top folder of the file system that holds `folder` (without a trailing "/").
Bytes TopOf(Bytes folder, dev_t device) {
    while (folder.size() > 1) {
        const std::size_t slash = folder.rfind('/', folder.size() - 2);
        const Bytes parent = slash == 0 ? Bytes("/") : folder.substr(0, slash);
        if (DeviceOf(parent) != device) break;
        folder = parent;
    }
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

// The trash for a file in `folder`, and the form its Path= line takes there.
struct TrashPlace {
    Bytes root;
    Bytes top;  // Path= is relative to this top folder; empty for the home trash (absolute)
};

std::optional<TrashPlace> TrashFor(const Bytes& folder) {
    const dev_t device = DeviceOf(folder);
    const Bytes home = HomeTrash();
    if (!home.empty()) {
        Bytes existing = home;
        while (DeviceOf(existing) == static_cast<dev_t>(-1) && existing.size() > 1) existing = FolderPart(existing.substr(0, existing.size() - 1));
        if (DeviceOf(existing) == device) return TrashPlace{home, {}};
    }
    // The root file system's top is "/" itself: no second delimiter, or Path= loses a character.
    const Bytes top = WithTrailingDelimiter(TopOf(folder, device), PathStyle::Posix);
    const Bytes shared = top + ".Trash";
    struct stat st{};
    // A shared trash counts only when it is a real folder with the sticky bit: otherwise others could read ours.
    if (lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const Bytes mine = shared + "/" + std::to_string(getuid());
        if (MakeFolder(mine)) return TrashPlace{mine, top};
    }
    return TrashPlace{top + ".Trash-" + std::to_string(getuid()), top};
}

Bytes PercentEncoded(const Bytes& path) {
    static const char hex[] = "0123456789ABCDEF";
    Bytes out;
    for (unsigned char c : path) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

Bytes Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

TrashOutcome Refused(Bytes reason) { return {false, std::move(reason), {}}; }

}  // namespace

TrashOutcome MoveToTrash(const Bytes& path) {
    const Bytes name = FileNamePart(path);
    const auto place = TrashFor(FolderPart(path));
    if (!place || name.empty()) return Refused("ごみ箱が見つかりません");
    const Bytes files = place->root + "/files/", info = place->root + "/info/";
    for (const Bytes& folder : {place->root, files, info}) {
        if (!MakeFolders(folder)) return Refused("ごみ箱を作れません: " + MoveFailureReason(errno));
    }
    const Bytes recorded = place->top.empty() ? path : path.substr(place->top.size());
    const Bytes note = "[Trash Info]\nPath=" + PercentEncoded(recorded) + "\nDeletionDate=" + Now() + "\n";
    // The entry is claimed first: the name in files/ is then ours, or free.
    for (int n = 1; n < 10000; ++n) {
        const Bytes slot = n == 1 ? name : name + "." + std::to_string(n);
        const Bytes entry = info + slot + ".trashinfo";
        const int fd = open(entry.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) return Refused("ごみ箱に入れられません: " + MoveFailureReason(errno));
        const bool written = write(fd, note.data(), note.size()) == static_cast<ssize_t>(note.size());
        close(fd);
        if (!written) {
            unlink(entry.c_str());
            return Refused("ごみ箱に入れられません: " + MoveFailureReason(EIO));
        }
        const MoveOutcome moved = MoveFileNoReplace(path, files + slot);
        if (moved.moved) return {true, {}, {files + slot, entry}};
        unlink(entry.c_str());
        if (moved.reason != MoveFailureReason(EEXIST)) return Refused(moved.reason);
    }
    return Refused("ごみ箱に入れられません: " + MoveFailureReason(EEXIST));
}
