#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer that make msi builds, tested under Wine with the same
# program one version on (tests/msi_install_test.sh); each step prints its time.
#   tools/test-msi.sh [build folder] [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${1:-build-win}")
JOBS=${2:-$(nproc)}
. tools/windows-steps.sh

step "packages"
install_missing wine wine64 xvfb xauth xdotool imagemagick locales fonts-ipafont-gothic fonts-ipafont-mincho \
  g++-mingw-w64-x86-64-posix
done_step "packages"

tools/build-msi.sh "$BUILD" "$JOBS" msi msi_next

step "window probe"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -static tests/win32_window_probe.cpp -o "$BUILD/msi/probe.exe" -lshell32
done_step "window probe"

step "install, start, upgrade and uninstall under Wine"
xvfb-run -a -s "-screen 0 1600x1000x24" tests/msi_install_test.sh "$(cat "$BUILD/msi/msi.path")" \
  "$(cat "$BUILD/msi/msi_next.path")" "$BUILD/msi/probe.exe" tests/data/nonembedded-japanese.pdf "$BUILD/msi/test"
done_step "install, start, upgrade and uninstall under Wine"
