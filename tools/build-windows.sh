#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# quilvane.exe for 64-bit Windows: one static program with nothing beside it
# but its OCR language data (tessdata/), cross-built with mingw-w64 against the
# MuPDF that tools/build-mupdf.sh makes and the TagLib, Leptonica and Tesseract
# that tools/build-readers.sh makes.
#   tools/build-windows.sh [build folder] [jobs]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${1:-build-win}")
JOBS=${2:-$(nproc)}
. tools/windows-steps.sh

step "packages"
install_missing g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 cmake make python3 \
  tesseract-ocr-jpn tesseract-ocr-eng tesseract-ocr-osd
done_step "packages"

build_mupdf
build_readers

step "quilvane.exe"
cmake -S . -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DQUILVANE_PLATFORM=win32 -DQUILVANE_TESTS=OFF -DQUILVANE_MUPDF_PREFIX="$mupdf" -DQUILVANE_READERS_PREFIX="$readers" >/dev/null
cmake --build "$BUILD" -j "$JOBS" --target quilvane
x86_64-w64-mingw32-strip "$BUILD/quilvane.exe"
done_step "quilvane.exe"

# Only the system's own DLLs may be named: anything else would have to ship beside the exe.
dlls=$(x86_64-w64-mingw32-objdump -p "$BUILD/quilvane.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
system="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll winmm.dll"
for dll in $dlls; do
  case " $system " in *" $dll "*) ;; *) echo "quilvane.exe needs $dll, which Windows does not have" >&2; exit 1 ;; esac
done
echo "$BUILD/quilvane.exe: $(stat -c %s "$BUILD/quilvane.exe") bytes; DLLs:" $dlls
echo "$BUILD/tessdata: $(du -cb "$BUILD"/tessdata/*.traineddata | tail -n 1 | cut -f1) bytes:" $(ls "$BUILD/tessdata")

# ASLR (with its relocations kept), 64-bit ASLR and DEP: the linker's defaults, kept on purpose.
header=$(x86_64-w64-mingw32-objdump -p "$BUILD/quilvane.exe")
for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
  grep -qw "$flag" <<<"$header" || { echo "quilvane.exe lacks $flag in DllCharacteristics" >&2; exit 1; }
done
if grep -q "relocations stripped" <<<"$header"; then echo "quilvane.exe has no relocations: ASLR cannot move it" >&2; exit 1; fi
