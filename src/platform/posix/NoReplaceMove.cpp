// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/NoReplaceMove.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#include <cerrno>

#include "core/Errors.h"

int MoveCalls::RenameNoReplace(const char* from, const char* to) {
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int MoveCalls::CreateExclusive(const char* path) {
    return open(path, O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
}
int MoveCalls::Rename(const char* from, const char* to) { return rename(from, to); }
int MoveCalls::Unlink(const char* path) { return unlink(path); }
int MoveCalls::Lstat(const char* path, struct stat* info) { return lstat(path, info); }

namespace {

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// A taken target is named for what it is.
int TakenTargetError(const Bytes& to, MoveCalls& calls) {
    struct stat info{};
    return calls.Lstat(to.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? EISDIR : EEXIST;
}

// Where the file system refuses RENAME_NOREPLACE: claim the target with an
// exclusive create, then rename the file over our own claim. No hard links are
// needed, the file never has two names, and a claim is removed only while it
// is still the file we created.
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
        return calls.Lstat(to.c_str(), &now) == 0 && SameFile(now, claim);
    };
    // Another program may have replaced the claim with a file of its own.
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
        if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) error = MoveByClaim(from, to, calls);
        else if (error == EEXIST) error = TakenTargetError(to, calls);
    }
    if (error == 0) return {true, {}};
    return {false, MoveFailureReason(error)};
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
