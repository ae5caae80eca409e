// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

// What both viewers show, in UTF-8; each front end converts at its boundary.
namespace viewer_text {

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

}  // namespace viewer_text
