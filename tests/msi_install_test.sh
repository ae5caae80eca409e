#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer under Wine, in a fresh prefix of its own, as a user
# without administrator rights would meet it: a quiet install puts the files,
# the Start menu shortcut and the uninstall entry where they belong; the
# program starts from the shortcut and shows a PDF, in proportion at 96 and at
# 144 dpi; the next version installs over it in place, and the older one not
# back over that; uninstalling removes all it installed and nothing of the
# user's. Screenshots go to WORK/shots.
#   msi_install_test.sh MSI NEXT_MSI PROBE_EXE PDF WORK
set -euo pipefail
msi=$(realpath "$1") next=$(realpath "$2") probe=$(realpath "$3") pdf=$(realpath "$4") work=$(realpath -m "$5")
icon_file=$(realpath "$(dirname "$0")/../res/quilvane.ico")
display=${DISPLAY:?run on a display, e.g. under xvfb-run}
rm -rf "$work"
mkdir -p "$work/shots" "$work/docs"
BUILD=$work JOBS=1
. "$(dirname "$0")/../tools/windows-steps.sh"
wine_prefix
# No desktop entries for the host from the shortcut.
export DISPLAY=$display WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
program=
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

w() { "${japanese[@]}" wine "$@"; }
fail() {
  echo "FAIL: $*" >&2
  import -window root "$work/shots/failure.png" 2>/dev/null || true
  exit 1
}
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
# A folder of the user's, as Windows names it in the environment, as a path here.
folder() { "${japanese[@]}" winepath -u "$(w cmd /c echo "%$1%" | tr -d '\r')" 2>/dev/null; }
property() { msiinfo export "$1" Property | tr -d '\r' | awk -v name="$2" '$1 == name { print $2 }'; }
value() { { w reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }
# A product code as the Installer's own keys spell it.
packed() {
  local g=${1//[\{\}-]/} out i
  out=$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")
  for ((i = 16; i < 32; i += 2)); do out+=${g:i+1:1}${g:i:1}; done
  echo "$out"
}
# The key of product $1's uninstall entry: per user, or per machine where Wine puts every entry.
uninstall_key() {
  local root key
  for root in HKCU HKLM; do
    key="$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1"
    w reg query "$key" >/dev/null 2>&1 && { echo "$key"; return 0; }
  done
  return 1
}
entries_named_quilvane() {
  local root
  for root in HKCU HKLM; do
    w reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s 2>/dev/null | tr -d '\r'
  done | grep -c "^ *DisplayName *REG_SZ *Quilvane$" || true
}
timed() {
  local start=$SECONDS
  "$@"
  echo "   ($(( SECONDS - start )) s)"
}
msiexec() { w msiexec "$@" /qn /l*v "$(winpath "$work/msiexec.log")" || fail "msiexec $1 ended with $?; see $work/msiexec.log"; }
expect_entry() {
  local key
  key=$(uninstall_key "$1") || fail "no uninstall entry for $1"
  [ "$(value "$key" DisplayName)" = Quilvane ] || fail "uninstall entry named '$(value "$key" DisplayName)'"
  [ "$(value "$key" Publisher)" = "The Quilvane developers" ] || fail "publisher '$(value "$key" Publisher)'"
  [ "$(value "$key" DisplayVersion)" = "$2" ] || fail "version '$(value "$key" DisplayVersion)', not $2"
  # Settings and the control panel show the product's icon (ARPPRODUCTICON) from the user's product key.
  local icon
  icon=$(value "HKCU\\Software\\Microsoft\\Installer\\Products\\$(packed "$1")" ProductIcon)
  [ -n "$icon" ] && cmp -s "$("${japanese[@]}" winepath -u "$icon" 2>/dev/null)" "$icon_file" || fail "not our icon for the entry: '$icon'"
  [ "$(entries_named_quilvane)" = 1 ] || fail "$(entries_named_quilvane) uninstall entries named Quilvane"
  echo "   uninstall entry $key: Quilvane $2"
}
# The installed folder holds exactly what the package holds.
expect_files_of() {
  rm -rf "$work/expected"
  msiextract -C "$work/expected" "$1" >/dev/null
  diff -r "$work/expected/Programs/Quilvane" "$installed" || fail "the installed files are not the package's"
}

pc=$(property "$msi" ProductCode) version=$(property "$msi" ProductVersion)
next_pc=$(property "$next" ProductCode) next_version=$(property "$next" ProductVersion)
[ "$(property "$msi" UpgradeCode)" = "$(property "$next" UpgradeCode)" ] || fail "the next version has another upgrade code"
[ "$pc" != "$next_pc" ] || fail "the next version has the same product code"
programs="$(folder LOCALAPPDATA)/Programs"
installed="$programs/Quilvane"
shortcut="$(folder APPDATA)/Microsoft/Windows/Start Menu/Programs/Quilvane.lnk"
documents=$(folder USERPROFILE)/Documents

echo "== quiet install of $(basename "$msi") for this user"
timed msiexec /i "$(winpath "$msi")"
expect_files_of "$msi"
[ -s "$shortcut" ] || fail "no Start menu shortcut at $shortcut"
expect_entry "$pc" "$version"
# The user's own files, beside the program's folder and in Documents.
echo "mine" > "$programs/notes.txt"
mkdir -p "$documents" && echo "mine too" > "$documents/quilvane notes.txt"

for name in "scan 001" "見積書 2026-11" "請求書 2026-10"; do cp "$pdf" "$work/docs/$name.pdf"; done
# Starts the program from the Start menu at `dpi`, shows the PDF, keeps its
# screenshot and the places of its windows, and quits from the menu.
show_at() {
  local dpi=$1 main
  w reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  w start /unix "$shortcut"
  for _ in $(seq 100); do
    main=$(xdotool search --onlyvisible --name '^Quilvane$' 2>/dev/null | head -1) && [ -n "$main" ] && break
    sleep 0.2
  done
  [ -n "$main" ] || fail "the installed program showed no window at $dpi dpi"
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key o
  local dialog=""
  for _ in $(seq 100); do
    dialog=$(xdotool search --onlyvisible --name '^開く$' 2>/dev/null | head -1) && [ -n "$dialog" ] && break
    sleep 0.2
  done
  [ -n "$dialog" ] || fail "no open dialog at $dpi dpi"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 15 "$(winpath "$work/docs/scan 001.pdf")"
  xdotool key Return
  local title="Quilvane  [$(winpath "$work/docs/scan 001.pdf")]"
  for _ in $(seq 100); do
    [ "$(xdotool getwindowname "$main")" = "$title" ] && break
    sleep 0.2
  done
  [ "$(xdotool getwindowname "$main")" = "$title" ] || fail "the PDF did not open at $dpi dpi"
  sleep 1
  w "$probe" --geometry Quilvane | tr -d '\r' > "$work/geometry-$dpi.txt"
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove 0 0
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/shots/window-$dpi.png"
  xdotool windowfocus --sync "$main"
  xdotool key --clearmodifiers alt+f
  sleep 0.3
  xdotool key q
  for _ in $(seq 100); do xdotool search --onlyvisible --name '^Quilvane' >/dev/null 2>&1 || break; sleep 0.2; done
  xdotool search --onlyvisible --name '^Quilvane' >/dev/null 2>&1 && fail "the program did not end at $dpi dpi"
  sleep 1
}

echo "== the program starts from the Start menu at 96 and at 144 dpi"
timed show_at 96
show_at 144
# Per-monitor aware (the manifest's), at the prefix's dpi.
head -n 1 "$work/geometry-96.txt" | grep -q "^dpi 96 awareness 2" || fail "at 96 dpi: $(head -n 1 "$work/geometry-96.txt")"
head -n 1 "$work/geometry-144.txt" | grep -q "^dpi 144 awareness 2" || fail "at 144 dpi: $(head -n 1 "$work/geometry-144.txt")"
# Every window, the viewer's toolbar too, half as large again and as far in,
# give or take what the frame and menu bar round away.
paste -d ' ' <(tail -n +2 "$work/geometry-96.txt") <(tail -n +2 "$work/geometry-144.txt") | awk '
  $1 != $7 || $2 != $8 { print "different windows: " $0; bad = 1; next }
  { for (i = 3; i <= 6; i++) if ($(i + 6) - 1.5 * $i > 3 || 1.5 * $i - $(i + 6) > 3) { print "not scaled: " $0; bad = 1; next } }
  END { exit bad }' || fail "the layout at 144 dpi is not the one at 96 scaled"
[ "$(wc -l < "$work/geometry-96.txt")" -gt 15 ] || fail "too few windows: $(cat "$work/geometry-96.txt")"
echo "   $(( $(wc -l < "$work/geometry-96.txt") - 1 )) windows in proportion"

echo "== $(basename "$next") installs over it in place"
timed msiexec /i "$(winpath "$next")"
uninstall_key "$pc" >/dev/null && fail "the old version's uninstall entry stayed"
expect_entry "$next_pc" "$next_version"
cmp -s "$work/expected/Programs/Quilvane/quilvane.exe" "$installed/quilvane.exe" &&
  fail "the next version's program is the same file: the upgrade would prove nothing"
expect_files_of "$next"
[ -s "$shortcut" ] || fail "the upgrade lost the Start menu shortcut"
# The older package over the newer is refused and changes nothing.
w msiexec /i "$(winpath "$msi")" /qn && fail "the older version installed over the newer"
expect_entry "$next_pc" "$next_version"
expect_files_of "$next"

echo "== uninstall removes what it installed and nothing of the user's"
timed msiexec /x "$next_pc"
[ ! -e "$installed" ] || fail "left behind: $(find "$installed")"
[ ! -e "$shortcut" ] || fail "the Start menu shortcut stayed"
uninstall_key "$next_pc" >/dev/null && fail "the uninstall entry stayed"
[ -z "$(value 'HKCU\Software\Quilvane\Installer' InstallFolder)" ] || fail "the installer's registry values stayed"
[ "$(cat "$programs/notes.txt")" = mine ] || fail "the user's file beside the program's folder is gone"
[ "$(cat "$documents/quilvane notes.txt")" = "mine too" ] || fail "the user's document is gone"

trap - EXIT
cleanup
rm -rf "$work/wineprefix" "$work/expected"
echo "MSI install test: passed; screenshots in $work/shots"
