#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A static MuPDF for 64-bit Windows, cross-built with mingw-w64 from Debian's
# source packages, for the one static .exe. Only what renders PDF pages is
# built: no XPS, SVG, CBZ, images, HTML/EPUB, JavaScript, ICC or OCR, and no
# tools. HarfBuzz and gumbo serve only the HTML layout, so they are left out.
#
#   tools/build-mupdf.sh [jobs]
#
# The result goes to a cache folder outside the work tree, named after the
# exact source versions and this script, and is reused while both stay the
# same: a second run only prints the path. The last line of stdout is the
# prefix: include/mupdf/..., lib/*.a, versions.txt.
#   QUILVANE_CACHE            cache root (default ~/.cache/quilvane)
#   QUILVANE_MUPDF_REFRESH=1  ask the archive for the newest versions again
set -euo pipefail
SCRIPT=$(realpath "$0")
JOBS=${1:-$(nproc)}
NAME=mupdf
PACKAGES="mupdf zlib libjpeg-turbo openjpeg2 freetype jbig2dec"
REFRESH=${QUILVANE_MUPDF_REFRESH:-}
HOST=x86_64-w64-mingw32
# Debian's own Python: a python3 earlier on PATH may be a slow wrapper.
PY=/usr/bin/python3
. "$(dirname "$SCRIPT")/debian-sources.sh"

step "tools"
need_packages dpkg-dev make patch python3 xz-utils gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
done_step "tools"

WORK=$PREFIX.build
LOGS=$WORK/logs
rm -rf "$WORK" "$PREFIX"
mkdir -p "$LOGS" "$WORK/src"

step "unpack"
unpack_sources "$WORK/src" "$LOGS/unpack.log"
done_step "unpack"

step "configure"
MUPDF=${DIR[mupdf]} ZLIB=${DIR[zlib]} JPEG=${DIR[libjpeg-turbo]} OPJ=${DIR[openjpeg2]}/src/lib/openjp2
FT=${DIR[freetype]} JBIG2=${DIR[jbig2dec]}
GEN=$WORK/generated
mkdir -p "$GEN"

# Fills a CMake configure_file template: @NAME@ and #cmakedefine from the
# given NAME=value pairs; names not given stay undefined.
configure_file() {
  local in=$1 out=$2; shift 2
  "$PY" - "$in" "$out" "$@" <<'EOF'
import re, sys
src, dst, pairs = sys.argv[1], sys.argv[2], dict(a.split("=", 1) for a in sys.argv[3:])
def line(l):
    m = re.match(r"#cmakedefine\s+(\w+)(.*)", l)
    if m:
        name = m.group(1)
        if not pairs.get(name):
            return "/* #undef %s */" % name
        l = "#define " + name + m.group(2)
    return re.sub(r"@(\w+)@", lambda m: pairs.get(m.group(1), ""), l)
with open(src) as f, open(dst, "w") as g:
    g.write("\n".join(line(l) for l in f.read().split("\n")))
EOF
}

# libjpeg-turbo: 8-bit, no SIMD, arithmetic coding and memory source on.
jpeg_version=$(sed -n 's/^set(VERSION \([0-9.]*\))/\1/p' "$JPEG/CMakeLists.txt")
IFS=. read -r jmaj jmin jrev <<<"$jpeg_version"
configure_file "$JPEG/jconfig.h.in" "$GEN/jconfig.h" JPEG_LIB_VERSION=62 VERSION="$jpeg_version" \
  LIBJPEG_TURBO_VERSION_NUMBER="$(printf '%d%03d%03d' "$jmaj" "$jmin" "$jrev")" \
  C_ARITH_CODING_SUPPORTED=1 D_ARITH_CODING_SUPPORTED=1 MEM_SRCDST_SUPPORTED=1 BITS_IN_JSAMPLE=8
configure_file "$JPEG/jconfigint.h.in" "$GEN/jconfigint.h" BUILD=quilvane \
  INLINE='__inline__ __attribute__((always_inline))' THREAD_LOCAL=__thread \
  CMAKE_PROJECT_NAME=libjpeg-turbo VERSION="$jpeg_version" SIZE_T=8
configure_file "$JPEG/jversion.h.in" "$GEN/jversion.h" \
  COPYRIGHT_YEAR="$(sed -n 's/^set(COPYRIGHT_YEAR "\(.*\)")/\1/p' "$JPEG/CMakeLists.txt")"
JPEG_SRC=$(sed -n '/^set(JPEG_SOURCES jcapimin/,/)/p' "$JPEG/CMakeLists.txt" | tr -d '()' | sed 's/set//; s/JPEG_SOURCES//')
JPEG_SRC+=" jaricom.c jcarith.c jdarith.c jsimd_none.c"

# OpenJPEG: the library without its tools. Its allocator (opj_malloc.c) is left
# out because MuPDF supplies opj_malloc and friends on its own allocator.
opj_version=$(sed -n 's/^set(OPENJPEG_VERSION_\(MAJOR\|MINOR\|BUILD\) \([0-9]*\))/\2/p' "${DIR[openjpeg2]}/CMakeLists.txt" | paste -sd.)
IFS=. read -r omaj omin obld <<<"$opj_version"
configure_file "$OPJ/opj_config.h.cmake.in" "$GEN/opj_config.h" OPJ_HAVE_STDINT_H=1 \
  OPENJPEG_VERSION_MAJOR="$omaj" OPENJPEG_VERSION_MINOR="$omin" OPENJPEG_VERSION_BUILD="$obld"
configure_file "$OPJ/opj_config_private.h.cmake.in" "$GEN/opj_config_private.h" OPJ_HAVE_INTTYPES_H=1 \
  PACKAGE_VERSION="$opj_version" OPJ_HAVE_MALLOC_H=1 OPJ_HAVE__ALIGNED_MALLOC=1
OPJ_SRC="bio.c cio.c dwt.c event.c function_list.c ht_dec.c image.c invert.c j2k.c jp2.c mct.c mqc.c
  openjpeg.c pi.c sparse_array.c t1.c t2.c tcd.c tgt.c thread.c"

# FreeType with MuPDF's own slim module and option set.
FT_SRC="base/ftbase.c base/ftbbox.c base/ftbitmap.c base/ftdebug.c base/ftgasp.c base/ftglyph.c
  base/ftinit.c base/ftstroke.c base/ftsynth.c base/ftsystem.c base/fttype1.c cff/cff.c cid/type1cid.c
  psaux/psaux.c pshinter/pshinter.c psnames/psnames.c raster/raster.c sfnt/sfnt.c smooth/smooth.c
  truetype/truetype.c type1/type1.c"

JBIG2_SRC="jbig2.c jbig2_arith.c jbig2_arith_iaid.c jbig2_arith_int.c jbig2_generic.c jbig2_halftone.c
  jbig2_huffman.c jbig2_hufftab.c jbig2_image.c jbig2_mmr.c jbig2_page.c jbig2_refinement.c
  jbig2_segment.c jbig2_symbol_dict.c jbig2_text.c"

ZLIB_SRC="adler32.c compress.c crc32.c deflate.c inffast.c inflate.c inftrees.c trees.c uncompr.c zutil.c"

# MuPDF: the document types and features go into config.h, so that programs
# built against the prefix see the same configuration as the library.
sed -i '/^#define FZ_CONFIG_H/a\
\
/* Built for Quilvane: PDF rendering only. */\
#define FZ_ENABLE_XPS 0\
#define FZ_ENABLE_SVG 0\
#define FZ_ENABLE_CBZ 0\
#define FZ_ENABLE_IMG 0\
#define FZ_ENABLE_HTML 0\
#define FZ_ENABLE_EPUB 0\
#define FZ_ENABLE_OCR_OUTPUT 0\
#define FZ_ENABLE_DOCX_OUTPUT 0\
#define FZ_ENABLE_ODT_OUTPUT 0\
#define FZ_ENABLE_JS 0\
#define FZ_ENABLE_ICC 0' "$MUPDF/include/mupdf/fitz/config.h"
# HTML is off, so gumbo's HTML5 parser goes; the XML parser stays.
logged "$LOGS/patch.log" patch -d "$MUPDF" -p1 <<'EOF'
--- a/source/fitz/xml.c
+++ b/source/fitz/xml.c
@@ -26,7 +26,9 @@
 #include <stdlib.h>
 #include <stdio.h>
 
+#if FZ_ENABLE_HTML
 #include <gumbo.h>
+#endif
 
 /* #define FZ_XML_SEQ */
 
@@ -1011,6 +1013,8 @@
 	pool used for Gumbo's parse tree all at once.
 */
 
+#if FZ_ENABLE_HTML
+
 struct mem_gumbo {
 	fz_context *ctx;
 	fz_pool *pool;
@@ -1170,6 +1174,16 @@
 	return xml;
 }
 
+#else
+
+fz_xml *
+fz_parse_xml_from_html5(fz_context *ctx, fz_buffer *buf)
+{
+	fz_throw(ctx, FZ_ERROR_GENERIC, "HTML5 parsing is not built in");
+}
+
+#endif
+
 fz_xml *fz_xml_find_dfs(fz_xml *item, const char *tag, const char *att, const char *match)
 {
 	/* Skip over any DOC object. */
EOF
# font.c and harfbuzz.c include HarfBuzz's headers, but with HTML off nothing
# calls HarfBuzz: empty headers stand in for it.
mkdir -p "$GEN/nohb"
: >"$GEN/nohb/hb.h"
: >"$GEN/nohb/hb-ft.h"
# The CMaps come as text; MuPDF compiles them in as C tables.
mkdir -p "$MUPDF/source/pdf/cmaps"
(cd "$MUPDF" && ls resources/cmaps | xargs -P "$JOBS" -I{} sh -c '/usr/bin/python3 scripts/cmapdump.py resources/cmaps/{} >source/pdf/cmaps/{}.h') \
  >"$LOGS/cmaps.log" 2>&1 || { tail -n 20 "$LOGS/cmaps.log" >&2; exit 1; }
# The base 14 fonts that Debian's source carries as C arrays (URW's look-alikes)
# stay in as the last resort; every other built-in font is absent from the source.
# The DOCX/ODT writer needs the extract library even when it is switched off.
MUPDF_SRC="$(cd "$MUPDF" && ls source/fitz/*.c source/pdf/*.c generated/resources/fonts/urw/*.c | grep -v '^source/fitz/output-docx.c$')"

# One makefile, one target per library, so each step is timed on its own.
MK=$WORK/Makefile
{
  echo "CC := $HOST-gcc-posix"
  echo "AR := $HOST-ar"
  echo "CFLAGS := -O2 -g0 -DNDEBUG -ffunction-sections -fdata-sections -w"
  echo ".DELETE_ON_ERROR:"
} >"$MK"
# add_lib NAME SOURCE_DIR "FLAGS" FILES...: lib/libNAME.a from FILES under SOURCE_DIR.
add_lib() {
  local name=$1 dir=$2 flags=$3 objs="" f o; shift 3
  printf 'DIR_%s := %s\nFLAGS_%s := %s\n' "$name" "$dir" "$name" "$flags" >>"$MK"
  for f in "$@"; do
    o=obj/$name/${f%.c}.o
    objs+=" $o"
    printf '%s: $(DIR_%s)/%s\n\t@mkdir -p $(@D)\n\t@echo "  CC $@"; $(CC) $(CFLAGS) $(FLAGS_%s) -c $< -o $@\n' \
      "$o" "$name" "$f" "$name" >>"$MK"
  done
  printf 'lib/lib%s.a:%s\n\t@mkdir -p $(@D)\n\trm -f $@\n\t$(AR) rcs $@ $^\n' "$name" "$objs" >>"$MK"
}
add_lib z "$ZLIB" "-I$ZLIB" $ZLIB_SRC
add_lib jpeg "$JPEG" "-I$GEN -I$JPEG" $JPEG_SRC
add_lib openjp2 "$OPJ" "-I$GEN -I$OPJ -DOPJ_STATIC" $OPJ_SRC
add_lib freetype "$FT/src" "-I$FT/include -I$MUPDF/scripts/freetype -DFT2_BUILD_LIBRARY \
-DFT_CONFIG_MODULES_H='\"slimftmodules.h\"' -DFT_CONFIG_OPTIONS_H='\"slimftoptions.h\"'" $FT_SRC
# jbig2.h empties "inline" unless it is a macro, which turns mingw's inline
# C library functions into duplicate definitions.
add_lib jbig2dec "$JBIG2" "-DHAVE_STDINT_H -Dinline=inline" $JBIG2_SRC
add_lib mupdf "$MUPDF" "-I$MUPDF/include -I$FT/include -I$MUPDF/scripts/freetype -I$ZLIB -I$GEN -I$JPEG \
-I$OPJ -I$JBIG2 -I$GEN/nohb -DSHARE_JPEG -DOPJ_STATIC -DTOFU -DTOFU_CJK -DTOFU_SIL -DTOFU_NOTO" $MUPDF_SRC
done_step "configure"

for lib in z jpeg openjp2 freetype jbig2dec mupdf; do
  step "lib$lib"
  logged "$LOGS/lib$lib.log" make -C "$WORK" -f "$MK" -j "$JOBS" "lib/lib$lib.a"
  done_step "lib$lib"
done

step "install"
STAGE=$PREFIX.stage
rm -rf "$STAGE"
mkdir -p "$STAGE/include" "$STAGE/lib"
cp -r "$MUPDF/include/mupdf" "$STAGE/include/"
cp "$WORK"/lib/*.a "$STAGE/lib/"
cp "$APT/versions.txt" "$STAGE/versions.txt"
touch "$STAGE/.complete"
mv "$STAGE" "$PREFIX"
# Only the logs of the build are worth keeping.
mv "$LOGS" "$PREFIX/logs"
rm -rf "$WORK"
done_step "install"
echo "$PREFIX"
