#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Static TagLib, Leptonica and Tesseract for 64-bit Windows, cross-built with
# mingw-w64 from Debian's source packages, for the name suggestions in the one
# static .exe. Only the libraries: no programs, training tools, tests or docs.
# TagLib comes whole: its base classes reach every format. Leptonica reads no
# image files (OCR gets pixels in memory), so it is built without zlib, PNG,
# JPEG, TIFF, GIF, WebP and OpenJPEG, and without messages on the console.
# Tesseract is built without OpenMP, networking, archives and ScrollView, and
# tuned for no particular CPU. Its legacy engine stays: the program reads with
# LSTM, but a page's orientation is found by the legacy classifier.
#
#   tools/build-readers.sh [jobs]
#
# The result goes to a cache folder outside the work tree, named after the
# exact source versions, this script and the toolchain file, and is reused
# while they stay the same: a second run only prints the path. The last line
# of stdout is the prefix: include/{taglib,leptonica,tesseract}, lib/*.a,
# versions.txt.
#   QUILVANE_CACHE              cache root (default ~/.cache/quilvane)
#   QUILVANE_READERS_REFRESH=1  ask the archive for the newest versions again
set -euo pipefail
SCRIPT=$(realpath "$0")
TOOLCHAIN=$(realpath "$(dirname "$SCRIPT")/../cmake/mingw-w64.cmake")
KEY_FILES=$TOOLCHAIN
JOBS=${1:-$(nproc)}
NAME=readers
PACKAGES="taglib leptonlib tesseract"
REFRESH=${QUILVANE_READERS_REFRESH:-}
. "$(dirname "$SCRIPT")/debian-sources.sh"

step "tools"
need_packages dpkg-dev cmake make xz-utils g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
done_step "tools"

WORK=$PREFIX.build
LOGS=$WORK/logs
STAGE=$PREFIX.stage
rm -rf "$WORK" "$PREFIX" "$STAGE"
mkdir -p "$LOGS" "$WORK/src" "$STAGE/include" "$STAGE/lib"

step "unpack"
unpack_sources "$WORK/src" "$LOGS/unpack.log"
done_step "unpack"

# -O2 without debug information or LTO. AVX code is built for the CPUs that
# have it, chosen at run time; GCC does not align the stack for AVX on 64-bit
# Windows, so every aligned vector move is assembled as an unaligned one.
FLAGS="-O2 -g0 -DNDEBUG -ffunction-sections -fdata-sections -w -Wa,-muse-unaligned-vector-move"
cross() {
  local name=$1 src=$2; shift 2
  logged "$LOGS/$name.log" cmake -S "$src" -B "$WORK/$name" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_C_FLAGS_RELEASE="$FLAGS" -DCMAKE_CXX_FLAGS_RELEASE="$FLAGS" -DCMAKE_INTERPROCEDURAL_OPTIMIZATION=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON "$@"
}

step "TagLib"
TAGLIB=${DIR[taglib]}
# Debian points TagLib at its packaged UTF8-CPP; the copy in the source stands in.
mkdir -p "$WORK/utf8cpp"
ln -s "$TAGLIB/3rdparty/utf8-cpp" "$WORK/utf8cpp/utf8"
cross taglib "$TAGLIB" -DBUILD_TESTING=OFF -DBUILD_EXAMPLES=OFF -DBUILD_BINDINGS=OFF -DWITH_ZLIB=OFF \
  -DCMAKE_CXX_FLAGS="-I$WORK/utf8cpp" -DCMAKE_INSTALL_PREFIX="$WORK/taglib-install"
logged "$LOGS/taglib.log" cmake --build "$WORK/taglib" -j "$JOBS" --target tag
logged "$LOGS/taglib.log" cmake --install "$WORK/taglib"
cp -r "$WORK/taglib-install/include/taglib" "$STAGE/include/"
cp "$WORK/taglib-install/lib/libtag.a" "$STAGE/lib/"
done_step "TagLib"

step "Leptonica"
LEPT=${DIR[leptonlib]}
cross leptonica "$LEPT" -DCMAKE_C_FLAGS=-DNO_CONSOLE_IO -DSW_BUILD=OFF -DBUILD_PROG=OFF -DCMAKE_INSTALL_PREFIX="$WORK/leptonica-install" \
  -DCMAKE_DISABLE_FIND_PACKAGE_GIF=ON -DCMAKE_DISABLE_FIND_PACKAGE_JPEG=ON -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON -DCMAKE_DISABLE_FIND_PACKAGE_ZLIB=ON
logged "$LOGS/leptonica.log" cmake --build "$WORK/leptonica" -j "$JOBS" --target leptonica
logged "$LOGS/leptonica.log" cmake --install "$WORK/leptonica"
cp -r "$WORK/leptonica-install/include/leptonica" "$STAGE/include/"
cp "$WORK"/leptonica-install/lib/libleptonica*.a "$STAGE/lib/libleptonica.a"
done_step "Leptonica"

step "Tesseract"
TESS=${DIR[tesseract]}
# The check for -march=native is answered no: the library must run on any x86-64.
# Lines handed to the LSTM stay images in memory, not PNG files made and read
# again, which this Leptonica could not write.
cross tesseract "$TESS" -DCMAKE_CXX_FLAGS=-DTESSERACT_IMAGEDATA_AS_PIX -DSW_BUILD=OFF -DLeptonica_DIR="$WORK/leptonica-install/lib/cmake/leptonica" \
  -DOPENMP_BUILD=OFF -DGRAPHICS_DISABLED=ON -DENABLE_LTO=OFF -DENABLE_OPENCL=OFF \
  -DBUILD_TRAINING_TOOLS=OFF -DBUILD_TESTS=OFF -DDISABLE_ARCHIVE=ON -DDISABLE_CURL=ON -DINSTALL_CONFIGS=OFF \
  -DCOMPILER_SUPPORTS_MARCH_NATIVE=OFF -DCMAKE_DISABLE_FIND_PACKAGE_TIFF=ON
logged "$LOGS/tesseract.log" cmake --build "$WORK/tesseract" -j "$JOBS" --target libtesseract
mkdir -p "$STAGE/include/tesseract"
cp "$TESS"/include/tesseract/*.h "$WORK/tesseract/include/tesseract/version.h" "$STAGE/include/tesseract/"
cp "$WORK"/tesseract/libtesseract*.a "$STAGE/lib/libtesseract.a"
done_step "Tesseract"

step "install"
cp "$APT/versions.txt" "$STAGE/versions.txt"
touch "$STAGE/.complete"
mv "$STAGE" "$PREFIX"
# Only the logs of the build are worth keeping.
mv "$LOGS" "$PREFIX/logs"
rm -rf "$WORK"
done_step "install"
echo "$PREFIX"
