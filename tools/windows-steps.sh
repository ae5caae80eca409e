# SPDX-License-Identifier: GPL-3.0-or-later
# What the Windows build scripts share: timed steps, packages installed only
# when missing, the MuPDF and readers prefixes and the Wine prefix. Sourced,
# with BUILD and JOBS set.
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)
step_start=0
step() { step_start=$(date +%s); echo "== $1"; }
done_step() { echo "== $1: $(( $(date +%s) - step_start )) s"; }

install_missing() {
  local missing
  missing=$(for p in "$@"; do dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"; done)
  if [ -n "$missing" ]; then
    echo "installing:" $missing
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
  fi
}

# A library cross-built once into the user's cache by its script
# (tools/build-<name>.sh); sets `built` to its prefix, the script's last line.
cross_build() {
  step "$2 cross build"
  mkdir -p "$BUILD"
  "tools/build-$1.sh" "$JOBS" | tee "$BUILD/$1.log"
  built=$(tail -n 1 "$BUILD/$1.log")
  done_step "$2 cross build"
}

# The viewer's MuPDF; sets `mupdf` to its prefix.
build_mupdf() { cross_build mupdf "MuPDF"; mupdf=$built; }

# The name readers' TagLib, Leptonica and Tesseract likewise; sets `readers`.
build_readers() { cross_build readers "TagLib, Leptonica and Tesseract"; readers=$built; }

# A Wine prefix in the build folder, everything it makes staying there.
# Exports the prefix, HOME and LOCPATH; sets `japanese` to the env command
# that gives Wine its locale.
wine_prefix() {
  step "Wine prefix"
  # Wine reports code page 932 only under a Japanese locale; it is made here,
  # not installed on the system. ALSA's null device lets MCI play with no sound card.
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
}
