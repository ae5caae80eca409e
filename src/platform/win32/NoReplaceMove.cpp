// SPDX-License-Identifier: GPL-3.0-or-later
// MoveFileA never replaces an existing file: without MOVEFILE_REPLACE_EXISTING
// the system refuses a taken name, also one that differs only in case.
#include <windows.h>

#include "core/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FolderSnapshot.h"
#include "platform/win32/NoReplaceMove.h"

Bytes MoveFailureReason(DWORD error, const Bytes& to) {
    switch (error) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return FolderExists(to) ? "同じ名前のフォルダがあります" : "同じ名前のファイルが既にあります";
    case ERROR_ACCESS_DENIED:
        // A folder at the target is refused as access denied by some file systems.
        return FolderExists(to) ? "同じ名前のフォルダがあります" : "アクセスが拒否されました";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "ファイルが見つかりません";
    case ERROR_WRITE_PROTECT: return "読み取り専用のドライブです";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "ファイルは使用中です";
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW: return "ファイル名が長すぎます";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY: return "ファイル名が正しくありません";
    case ERROR_NOT_SAME_DEVICE: return "別のドライブには移動できません";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "ディスクに空きがありません";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return "メモリが足りません";
    case ERROR_NOT_READY:
    case ERROR_SEM_TIMEOUT: return "ドライブが応答しません。もう一度お試しください";
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED: return "ネットワーク上のファイルが見つかりません。フォルダを開き直してください";
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return "このドライブでは名前を変更できません";
    case ERROR_CRC:
    case ERROR_IO_DEVICE: return "ディスクの読み書きでエラーが発生しました";
    default: return Format("予期しないエラーが発生しました (エラー番号 %lu)", static_cast<unsigned long>(error));
    }
}

MoveOutcome SystemMoveNoReplace(const Bytes& from, const Bytes& to) {
    if (MoveFileA(from.c_str(), to.c_str())) return {true, {}};
    const DWORD error = GetLastError();
    return {false, MoveFailureReason(error, to), error == ERROR_NOT_SAME_DEVICE};
}
