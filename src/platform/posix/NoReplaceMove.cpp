// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/NoReplaceMove.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <string>

#include "core/Errors.h"
#include "core/Paths.h"

int MoveCalls::RenameNoReplace(const char* from, const char* to) {
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int MoveCalls::OpenPath(const char* path) { return open(path, O_PATH | O_NOFOLLOW | O_CLOEXEC); }
int MoveCalls::LinkHeld(int fd, const char* to) {
    // Through /proc the link is made to the file we hold, not to whatever its
    // old name means by now. Without /proc the claim takes over.
    const std::string held = "/proc/self/fd/" + std::to_string(fd);
    if (linkat(AT_FDCWD, held.c_str(), AT_FDCWD, to, AT_SYMLINK_FOLLOW) == 0) return 0;
    if (errno == ENOENT && access("/proc/self/fd", F_OK) != 0) errno = EOPNOTSUPP;
    return -1;
}
int MoveCalls::CreateExclusive(const char* path) {
    return open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
}
int MoveCalls::Rename(const char* from, const char* to) { return rename(from, to); }
int MoveCalls::Unlink(const char* path) { return unlink(path); }
int MoveCalls::Lstat(const char* path, struct stat* info) { return lstat(path, info); }

namespace {

// A taken target is named for what it is.
int TakenTargetError(const Bytes& to, MoveCalls& calls) {
    struct stat info{};
    return calls.Lstat(to.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? EISDIR : EEXIST;
}

// Errors with which a file system says it has no hard links.
bool NoHardLinks(int error) { return error == EPERM || error == EOPNOTSUPP || error == ENOSYS || error == EMLINK; }

constexpr int kUseClaim = -1;

// Removes the name `path` while it names the file `held`. There is no call
// that removes a name only if it still means a given file, so whatever the
// name means is first moved aside, atomically and destroying nothing, under a
// fresh name no other program knows, and removed there once it proves to be
// ours. Another program's file that came in under the name meanwhile goes
// back. What remains open is the few microseconds the fresh name exists:
// another program would have to find it in a listing and save over it in that
// time (make stress measures how long it lives).
}  // namespace

int DropName(const Bytes& path, const std::function<bool(const struct stat&)>& ours, MoveCalls& calls) {
    static std::atomic<unsigned> serial{0};
    const Bytes aside = FolderPart(path, PathStyle::Posix) + ".~quilvane-" + std::to_string(getpid()) + "-" +
                        std::to_string(serial++) + ".tmp";
    if (calls.Rename(path.c_str(), aside.c_str()) != 0) return errno;
    struct stat now{};
    if (calls.Lstat(aside.c_str(), &now) == 0 && ours(now)) return calls.Unlink(aside.c_str()) == 0 ? 0 : errno;
    // Not ours: it goes back under its name, unless a third file took that.
    if (link(aside.c_str(), path.c_str()) == 0) calls.Unlink(aside.c_str());
    return EEXIST;
}

int DropName(const Bytes& path, const struct stat& held, MoveCalls& calls) {
    return DropName(path, [&held](const struct stat& now) { return SameFile(now, held); }, calls);
}

namespace {

// Where the file system refuses RENAME_NOREPLACE (NFS, many FUSE mounts): a
// hard link gives the file its new name, refusing a taken name atomically and
// writing nothing; then the old name goes, while it still names our file.
int MoveByLink(const Bytes& from, const Bytes& to, MoveCalls& calls) {
    const int fd = calls.OpenPath(from.c_str());
    if (fd < 0) return errno;
    struct FdCloser {
        int fd;
        ~FdCloser() { close(fd); }
    } closer{fd};
    struct stat held{};
    if (fstat(fd, &held) != 0) return EIO;
    if (!S_ISREG(held.st_mode)) return kUseClaim;
    if (calls.LinkHeld(fd, to.c_str()) != 0) {
        if (errno == EEXIST) return TakenTargetError(to, calls);
        return NoHardLinks(errno) ? kUseClaim : errno;
    }
    const int error = DropName(from, held, calls);
    if (error == 0) return 0;
    // Our file left its old name some other way (another program moved or
    // removed it) or cannot leave it. Where it still has another name, the
    // new one goes again, so the file never stays under two names; where the
    // new name is its last, the file stays under it: never lose a file.
    struct stat now{};
    if (fstat(fd, &now) == 0 && now.st_nlink <= 1) return 0;
    DropName(to, held, calls);
    return error == EEXIST ? ENOENT : error;
}

// Where there are no hard links either (FAT over FUSE, some SMB servers):
// claim the target with an exclusive create, then rename the file over our own
// claim while it is still the empty file we made. Another program that renames
// the claim away keeps it; one that saves into it changes its size or time,
// and the rename is refused. The check and the rename are two calls: this
// window cannot be closed without the kernel's help.
int MoveByClaim(const Bytes& from, const Bytes& to, MoveCalls& calls) {
    struct stat source{};
    if (calls.Lstat(from.c_str(), &source) != 0) return errno;
    const int fd = calls.CreateExclusive(to.c_str());
    if (fd < 0) return errno == EEXIST ? TakenTargetError(to, calls) : errno;
    struct stat claim{};
    const bool known = fstat(fd, &claim) == 0;
    close(fd);
    if (!known) return EIO;  // a claim we cannot recognise is never touched again
    const auto stillOurClaim = [&] {
        struct stat now{};
        return calls.Lstat(to.c_str(), &now) == 0 && SameFile(now, claim) && now.st_size == 0 &&
               now.st_mtim.tv_sec == claim.st_mtim.tv_sec && now.st_mtim.tv_nsec == claim.st_mtim.tv_nsec &&
               now.st_ctim.tv_sec == claim.st_ctim.tv_sec && now.st_ctim.tv_nsec == claim.st_ctim.tv_nsec;
    };
    if (!stillOurClaim()) return EEXIST;
    if (calls.Rename(from.c_str(), to.c_str()) == 0) return 0;
    const int error = errno;
    if (stillOurClaim()) calls.Unlink(to.c_str());
    return error;
}

}  // namespace

MoveOutcome MoveFileNoReplace(const Bytes& from, const Bytes& to, MoveCalls& calls) {
    int error = 0;
    if (calls.RenameNoReplace(from.c_str(), to.c_str()) != 0) {
        error = errno;
        if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
            error = MoveByLink(from, to, calls);
            if (error == kUseClaim) error = MoveByClaim(from, to, calls);
        } else if (error == EEXIST) {
            error = TakenTargetError(to, calls);
        }
    }
    if (error == 0) return {true, {}};
    return {false, MoveFailureReason(error), error == EXDEV};
}

Bytes MoveFailureReason(int error) {
    switch (error) {
    case EACCES:
    case EPERM: return "アクセスが拒否されました";
    case EEXIST:
    case ENOTEMPTY: return "同じ名前のファイルが既にあります";
    case EISDIR: return "同じ名前のフォルダがあります";
    case ENOENT: return "ファイルが見つかりません";
    case ENOTDIR: return "フォルダが見つかりません";
    case EROFS: return "読み取り専用のドライブです";
    case EBUSY:
    case ETXTBSY: return "ファイルは使用中です";
    case ENAMETOOLONG: return "ファイル名が長すぎます";
    case EINVAL:
    case EILSEQ: return "ファイル名が正しくありません";
    case EXDEV: return "別のドライブには移動できません";
    case ENOSPC:
    case EDQUOT: return "ディスクに空きがありません";
    case EMLINK: return "フォルダのファイル数が上限に達しています";
    case ELOOP: return "シンボリック リンクが多すぎます";
    case EIO: return "ディスクの読み書きでエラーが発生しました";
    case ENOMEM: return "メモリが足りません";
    case ESTALE: return "ネットワーク上のファイルが見つかりません。フォルダを開き直してください";
    case ENOSYS:
    case EOPNOTSUPP: return "このドライブでは名前を変更できません";
    case EAGAIN:
    case EINTR: return "ドライブが応答しません。もう一度お試しください";
    default: return Format("予期しないエラーが発生しました (エラー番号 %d)", error);
    }
}
