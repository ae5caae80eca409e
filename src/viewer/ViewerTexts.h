// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "core/CodePage.h"

// What both viewers and their hosts show, in UTF-8; each converts at its boundary.
namespace viewer_text {

// UTF-8 text in the system code page, as the program's byte strings are
// (Shift-JIS under code page 932).
inline Bytes InSystemCodePage(const char* utf8) { return FromUtf16(ToUtf16(utf8, CodePage::FromNumber(65001))); }

// Notices shown in place of a page.
inline constexpr char kMissing[] = "ファイルが見つかりません";
inline constexpr char kUnreadable[] = "ファイルを読み取れません";
inline constexpr char kNotAPdf[] = "PDF として読み込めないファイルです";
inline constexpr char kTooLarge[] = "ファイルが大きすぎて表示できません";
inline constexpr char kEncrypted[] = "パスワードで保護された PDF は表示できません";

// The toolbar: buttons and their tips.
inline constexpr char kPreviousPage[] = "前のページ";
inline constexpr char kNextPage[] = "次のページ";
inline constexpr char kZoomOut[] = "－";
inline constexpr char kZoomOutTip[] = "縮小";
inline constexpr char kZoomIn[] = "＋";
inline constexpr char kZoomInTip[] = "拡大";

// "n / N" for page n (from 0) of N; "- / -" with no document.
inline std::string PageLabel(int page, int count) {
    return count == 0 ? "- / -" : std::to_string(page + 1) + " / " + std::to_string(count);
}

// Error descriptions of refused names; %1 is the name.
inline constexpr char kUnknownLayout[] = "ページレイアウト \"%1\" には対応していません。";
inline constexpr char kUnknownView[] = "表示方法 \"%1\" には対応していません。";
inline constexpr char16_t kSource[] = u"Quilvane.PdfViewer";

// What the host raises.
inline constexpr char kOleError[] = "OLE エラー ";  // and the code in hex
inline constexpr char kActivationFailed[] = "OLE コントロールのアクティベートに失敗しました";
inline constexpr char kNoWindow[] = "OLE コントロールのウィンドウハンドルの取得に失敗しました";
inline constexpr char kNoInterface[] = "Interface はサポートされていません";

}  // namespace viewer_text
