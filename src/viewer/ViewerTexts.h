// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// What both viewers and their hosts show. UTF-16, so that the texts are the
// same whatever code page the compiler writes narrow literals in; each front
// end converts at its boundary (FromUtf16 gives the system code page's bytes).
namespace viewer_text {

// Notices shown in place of a page.
inline constexpr char16_t kMissing[] = u"ファイルが見つかりません";
inline constexpr char16_t kUnreadable[] = u"ファイルを読み取れません";
inline constexpr char16_t kNotAPdf[] = u"PDF として読み込めないファイルです";
inline constexpr char16_t kTooLarge[] = u"ファイルが大きすぎて表示できません";
inline constexpr char16_t kEncrypted[] = u"パスワードで保護された PDF は表示できません";

// A page that could not be drawn, then why (PageFailureNotice).
inline constexpr char16_t kPageNotShown[] = u"このページは表示できません";
inline constexpr char16_t kPageTooSlow[] = u"（時間がかかりすぎます）";
inline constexpr char16_t kPageTooLarge[] = u"（大きすぎます）";
inline constexpr char16_t kPageBroken[] = u"（壊れています）";

// The toolbar: buttons and their tips.
inline constexpr char16_t kPreviousPage[] = u"前のページ";
inline constexpr char16_t kNextPage[] = u"次のページ";
inline constexpr char16_t kZoomOut[] = u"－";
inline constexpr char16_t kZoomOutTip[] = u"縮小";
inline constexpr char16_t kZoomIn[] = u"＋";
inline constexpr char16_t kZoomInTip[] = u"拡大";

// "n / N" for page n (from 0) of N; "- / -" with no document.
inline std::string PageLabel(int page, int count) {
    return count == 0 ? "- / -" : std::to_string(page + 1) + " / " + std::to_string(count);
}

// Error descriptions of refused names; %1 is the name.
inline constexpr char16_t kUnknownLayout[] = u"ページレイアウト \"%1\" には対応していません。";
inline constexpr char16_t kUnknownView[] = u"表示方法 \"%1\" には対応していません。";
inline constexpr char16_t kSource[] = u"Quilvane.PdfViewer";

// What the host raises.
inline constexpr char16_t kOleError[] = u"OLE エラー ";  // and the code in hex
inline constexpr char16_t kActivationFailed[] = u"OLE コントロールのアクティベートに失敗しました";
inline constexpr char16_t kNoWindow[] = u"OLE コントロールのウィンドウハンドルの取得に失敗しました";
inline constexpr char16_t kNoInterface[] = u"Interface はサポートされていません";

}  // namespace viewer_text
