#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The core and the Win32 backend, cross-built with mingw-w64 and tested under
# Wine with code page 932. Everything it makes stays in the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${1:-build-windows}")
JOBS=${2:-$(nproc)}
mkdir -p "$BUILD"
. tools/windows-steps.sh

step "packages"
install_missing g++-mingw-w64-x86-64-posix wine wine64 libgtest-dev googletest locales cmake make xvfb xauth \
  python3 xdotool imagemagick fonts-ipafont-gothic fonts-ipafont-mincho
done_step "packages"

# Before HOME moves below: the cache is the user's.
build_mupdf

# Wine reports code page 932 only under a Japanese locale; it is made here,
# not installed on the system. ALSA's null device lets MCI play with no sound card.
step "Wine prefix"
export LOCPATH="$BUILD/locale"
if [ ! -e "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$LOCPATH"
  localedef --no-warnings=ascii -c -i ja_JP -f UTF-8 "$LOCPATH/ja_JP.UTF-8" || [ -e "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]
fi
# Only Wine and ctest take the locale: this shell would not find it.
japanese=(env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8)
# No Mono or Gecko set-up: a console program needs neither.
export WINEPREFIX="$BUILD/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$BUILD/home"
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME"
echo 'pcm.!default { type null }' > "$HOME/.asoundrc"
if [ ! -e "$WINEPREFIX/system.reg" ]; then
  "${japanese[@]}" wine wineboot --init
  # Windows' Japanese fonts are not here: the IPA fonts stand in, proportional
  # for proportional, as Windows would draw them.
  for pair in "ＭＳ Ｐゴシック=IPAPGothic" "MS PGothic=IPAPGothic" "MS UI Gothic=IPAPGothic" \
              "ＭＳ ゴシック=IPAGothic" "MS Gothic=IPAGothic" "ＭＳ 明朝=IPAMincho" "MS Mincho=IPAMincho"; do
    "${japanese[@]}" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null
  done
  wineserver --wait
fi
done_step "Wine prefix"

step "GoogleTest cross build"
if [ ! -e "$BUILD/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$BUILD/googletest" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$BUILD/gtest" >/dev/null
  cmake --build "$BUILD/googletest" -j "$JOBS" >/dev/null
  cmake --install "$BUILD/googletest" >/dev/null
fi
done_step "GoogleTest cross build"

step "Quilvane cross build"
cmake -S . -B "$BUILD/quilvane" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Debug \
  -DQUILVANE_PLATFORM=win32 -DCMAKE_PREFIX_PATH="$BUILD/gtest" -DQUILVANE_MUPDF_PREFIX="$mupdf" >/dev/null
cmake --build "$BUILD/quilvane" -j "$JOBS"
done_step "Quilvane cross build"

step "tests under Wine"
(cd "$BUILD/quilvane" && "${japanese[@]}" ctest --output-on-failure -j "$JOBS")
done_step "tests under Wine"
wineserver --kill || true
