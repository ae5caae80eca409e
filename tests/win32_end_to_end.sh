#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# quilvane.exe under Wine on a virtual display, driven by keys and clicks as a
# user would: open a PDF through the open dialog, rename it by picking the
# next file, type-to-select in Japanese, meet the forbidden-character box and
# the confirmation dialog (which holds the history window too), play an MP3,
# meet the box of a missing device (after which the play button has no focus),
# and quit from the menu. Screenshots of each step go to SHOTS.
#   win32_end_to_end.sh QUILVANE_EXE PROBE_EXE DATA_DIR SHOTS_DIR
set -euo pipefail
exe=$(realpath "$1") probe=$(realpath "$2") data=$(realpath "$3") shots=$(realpath -m "$4")
mkdir -p "$shots"
rm -f "$shots"/*.png
work=$(mktemp -d /tmp/quilvane-e2e.XXXXXX)
folder="$work/docs"
mkdir -p "$folder"
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cp "$data/invoice-text.pdf" "$folder/scan 001.pdf"
cp "$data/pages-landscape.pdf" "$folder/見積書 002.pdf"
cp "$data/page-a4.pdf" "$folder/請求書 003.pdf"
cp "$data/page-a4.pdf" "$folder/表紙 004.pdf"
cp "$data/page-a4.pdf" "$folder/ｱﾝｹｰﾄ 005.pdf"
# Typed paths stay ASCII: xdotool cannot type Japanese into Wine, which has no input method here.
cp "$data/tone-1s.mp3" "$folder/track 1.mp3"
cp "$data/tone-1s.mp3" "$folder/録音 2.mp3"
echo "words, not sound" > "$folder/x broken.mp3"
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }

fail() {
  echo "FAIL: $*" >&2
  import -window root "$shots/failure.png" 2>/dev/null || true
  exit 1
}
shot() { sleep 0.5; import -window root "$shots/$1.png"; }
# Waits for a window titled exactly $1; prints its X id.
window_named() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.2
  done
  fail "no window titled $1"
}
window_gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  fail "window $1 stayed"
}
# The main window's controls as the program shows them, one per line.
controls() { wine "$probe" "${1:-Quilvane}" 2>/dev/null | tr -d '\r'; }
# Types characters (UTF-16 units in hex) into the main window's list, as an input method would.
type_chars() { wine "$probe" Quilvane "$@" 2>/dev/null || fail "could not type into the list"; }
expect_control() {
  for _ in $(seq 50); do
    controls "${2:-Quilvane}" | grep -q -- "$1" && return 0
    sleep 0.2
  done
  controls "${2:-Quilvane}" >&2 || true
  fail "no control matching: $1"
}
expect_title() {
  local title=""
  for _ in $(seq 100); do
    title=$(xdotool getwindowname "$main" 2>/dev/null || true)
    [ "$title" = "$1" ] && return 0
    sleep 0.2
  done
  fail "title is '$title', not '$1'"
}
open_through_dialog() {
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key o
  local dialog
  dialog=$(window_named "開く")
  shot "$2"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 15 "$(winpath "$1")"
  xdotool key Return
  window_gone "開く"
}

# The open dialog starts where the prefix's last one ended; that may be a huge folder.
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f >/dev/null 2>&1 || true
wine "$exe" &
program=$!
main=$(window_named Quilvane)
shot 01-start
expect_control "Button 102 1 1 PDFファイルを開く"

echo "== open a PDF by typing its path in the open dialog"
open_through_dialog "$folder/scan 001.pdf" 02-open-dialog
expect_title "Quilvane  [$(winpath "$folder/scan 001.pdf")]"
expect_control "ListBox 106 1 1  rows=5 selected=0"
expect_control "Edit 105 1 1 scan 001"
shot 03-pdf-shown

# Clicks land at the layout's places, below the menu bar. Without a window
# manager Wine's X window is the menu bar and the client area.
eval "$(xdotool getwindowgeometry --shell "$main")"
menu=$(( HEIGHT - 494 ))
click() { xdotool mousemove --window "$main" "$1" $(( menu + $2 )) click 1; sleep 0.2; }
name_box() { click 150 71; xdotool key --clearmodifiers End shift+Home; }
row() { echo $(( 152 + 13 * $1 )); }

echo "== Alt+Down opens the names read from the page; Enter puts one in; the rename takes it"
sleep 2  # read off the window's thread
name_box
xdotool key --clearmodifiers alt+Down
sleep 0.5
shot 03b-name-candidates
controls > "$shots/controls-with-name-list.txt"
xdotool key Return
expect_control "Edit 105 1 1 2026-03-31"
click 40 100
expect_title "Quilvane  [$(winpath "$folder/2026-03-31.pdf")]"
expect_control "ListBox 106 1 1  rows=5 selected=0"

echo "== type a name and pick the next file: the current one is renamed"
name_box
xdotool type --delay 15 "renamed one"
click 100 "$(row 1)"
expect_title "Quilvane  [$(winpath "$folder/見積書 002.pdf")]"
[ -e "$folder/renamed one.pdf" ] && [ ! -e "$folder/2026-03-31.pdf" ] || fail "2026-03-31.pdf was not renamed: $(ls "$folder")"
expect_control "ListBox 106 1 1  rows=5 selected=1"
shot 04-renamed-and-next

echo "== in the list, type-to-select and the arrow keys pick as a click does"
xdotool type --delay 15 "r"
expect_title "Quilvane  [$(winpath "$folder/renamed one.pdf")]"
xdotool key Down
expect_title "Quilvane  [$(winpath "$folder/見積書 002.pdf")]"
expect_control "ListBox 106 1 1  rows=5 selected=1"

echo "== type-to-select in Japanese: 表 (95 5C in code page 932) and half-width ｱ"
sleep 0.6
type_chars 8868
expect_title "Quilvane  [$(winpath "$folder/表紙 004.pdf")]"
expect_control "ListBox 106 1 1  rows=5 selected=3"
shot 04b-type-to-select-japanese
sleep 0.6
type_chars FF71
expect_title "Quilvane  [$(winpath "$folder/ｱﾝｹｰﾄ 005.pdf")]"
sleep 0.6
type_chars 898B
expect_title "Quilvane  [$(winpath "$folder/見積書 002.pdf")]"

echo "== a forbidden character gets the error box and renames nothing"
name_box
xdotool type --delay 15 "bad:name"
click 40 100
window_named "エラー" >/dev/null
shot 05-forbidden-character
xdotool key Return
window_gone "エラー"
[ -e "$folder/見積書 002.pdf" ] || fail "a refused name moved the file: $(ls "$folder")"

echo "== with confirmation on, the dialog asks はい / いいえ, and はい renames"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+s
sleep 0.3
xdotool key Down Right Return
sleep 0.3
# The history window stays open beside the main one.
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key Down Down Return
history=$(window_named "リネーム履歴")
expect_control "^QuilvaneForm [0-9]* 1 1 リネーム履歴" "リネーム履歴"
xdotool windowfocus --sync "$main"
name_box
xdotool type --delay 15 "renamed two"
click 40 100
window_named "確認" >/dev/null
# The dialog holds every window of the program, not only its owner.
expect_control "^QuilvaneForm [0-9]* 1 0 リネーム履歴" "リネーム履歴"
expect_control "Button 100 1 1 はい" "確認"
expect_control "Button 101 1 1 いいえ" "確認"
expect_control "Static 102 1 1 見積書 002.pdf" "確認"
expect_control "Static 104 1 1 renamed two.pdf" "確認"
shot 06-confirmation
xdotool key Return
window_gone "確認"
[ -e "$folder/renamed two.pdf" ] || fail "はい did not rename: $(ls "$folder")"
expect_title "Quilvane  [$(winpath "$folder/renamed two.pdf")]"
expect_control "^QuilvaneForm [0-9]* 1 1 リネーム履歴" "リネーム履歴"
# Its 閉じる button, at the layout's place below whatever caption Wine draws.
eval "$(xdotool getwindowgeometry --shell "$history")"
xdotool mousemove --window "$history" 422 $(( HEIGHT - 281 + 260 )) click 1
window_gone "リネーム履歴"

echo "== MP3 mode: open an MP3, autoplay plays it, 停止 and 再生 toggle"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+m
sleep 0.3
xdotool key Down Return
expect_control "Button 102 1 1 MP3ファイルを開く"
expect_control "Button 107 1 1 自動再生"
open_through_dialog "$folder/track 1.mp3" 07-open-mp3
expect_title "Quilvane  [$(winpath "$folder/track 1.mp3")]"
expect_control "ListBox 106 1 1  rows=3 selected=0"
expect_control "Button 108 1 1 停止"
shot 08-mp3-playing
name_box
click 268 19
expect_control "Button 108 1 1 再生"
# The play button takes no focus: typing goes on in the name box.
xdotool type --delay 15 "abc"
expect_control "Edit 105 1 1 abc"
click 268 19
expect_control "Button 108 1 1 停止"

echo "== a recording that does not open leaves no device; after its box 再生 has no focus"
name_box
xdotool type --delay 15 "track 1"
click 100 "$(row 1)"
window_named "Quilvane" >/dev/null
xdotool key Return
window_gone "Quilvane"
click 268 19
window_named "Quilvane" >/dev/null
shot 09-no-device
xdotool key Return
window_gone "Quilvane"
expect_control "ListBox 106 1 1 .* focus$"
controls | grep -q "^Button 108 .* focus$" && fail "the play button took the focus"
xdotool mousemove 0 0  # no hover frame on the button in the picture
shot 10-focus-after-the-box

echo "== quit from the menu"
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+f
sleep 0.3
xdotool key q
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.2; done
kill -0 "$program" 2>/dev/null && fail "the program did not end"
wait "$program" || fail "the program ended with $?"
program=
echo "end to end: passed"
