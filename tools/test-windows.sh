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
  python3 xdotool imagemagick fonts-ipafont-gothic fonts-ipafont-mincho tesseract-ocr-jpn tesseract-ocr-eng tesseract-ocr-osd
# The installer's test packs this build's program (cmake/Msi.cmake).
install_missing wixl msitools
done_step "packages"

# Before HOME moves below: the cache is the user's.
build_mupdf
build_readers

wine_prefix

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
  -DQUILVANE_PLATFORM=win32 -DCMAKE_PREFIX_PATH="$BUILD/gtest" -DQUILVANE_MUPDF_PREFIX="$mupdf" -DQUILVANE_READERS_PREFIX="$readers" >/dev/null
cmake --build "$BUILD/quilvane" -j "$JOBS"
cmake --build "$BUILD/quilvane" -j "$JOBS" --target msi msi_next
done_step "Quilvane cross build"

step "tests under Wine"
(cd "$BUILD/quilvane" && "${japanese[@]}" ctest --output-on-failure -j "$JOBS")
done_step "tests under Wine"
wineserver --kill || true
