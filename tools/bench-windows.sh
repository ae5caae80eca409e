#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the user of quilvane.exe feels under Wine: Down in the folder list of
# 1,000 and of 100,000 PDFs, from the key to the frame on the screen of a
# virtual display, beside a bare Win32 list of 100,000 rows; quiet and with a
# core kept busy. The Release exe, the baseline window and the probe stay in
# the build folder; the folders of PDFs under /tmp/quilvane-bench-UID/.
#   tools/bench-windows.sh [build folder] [jobs] [--quick]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${1:-build-win}")
JOBS=${2:-$(nproc)}
QUICK=${3:-}
. tools/windows-steps.sh

step "packages"
install_missing wine wine64 locales xvfb xauth g++ cmake make pkg-config libx11-dev libxext-dev libxtst-dev \
  fonts-ipafont-gothic fonts-ipafont-mincho
done_step "packages"

tools/build-windows.sh "$BUILD" "$JOBS"

step "baseline window and probe"
cmake --build "$BUILD" -j "$JOBS" --target win32_bare_list
cmake -S bench/wine -B "$BUILD/probe" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD/probe" -j "$JOBS"
done_step "baseline window and probe"

wine_prefix
# The open dialog starts where the prefix's last one ended: perhaps among 100,000 files.
"${japanese[@]}" wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f >/dev/null 2>&1 || true
wineserver --wait  # the server of the display-less shell goes before the display's programs come

step "figures"
trap 'wineserver --kill 2>/dev/null || true' EXIT
# Wide enough for the three windows side by side: each is read back where nothing covers it.
# Wine's programs end before the display does.
"${japanese[@]}" xvfb-run -a -s "-screen 0 2100x1080x24" bash -c '"$@"; status=$?; wineserver --kill; exit $status' probe \
  "$BUILD/probe/bench_felt_wine" "$BUILD/quilvane.exe" "$BUILD/win32_bare_list.exe" "$PWD/tests/data/page-a4.pdf" $QUICK
done_step "figures"
