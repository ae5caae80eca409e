# SPDX-License-Identifier: GPL-3.0-or-later
# What the Windows build scripts share: timed steps, packages installed only
# when missing, and the MuPDF prefix. Sourced, with BUILD and JOBS set.
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

# The viewer's MuPDF, built once into the user's cache; sets `mupdf` to its prefix.
build_mupdf() {
  step "MuPDF cross build"
  mkdir -p "$BUILD"
  tools/build-mupdf.sh "$JOBS" | tee "$BUILD/mupdf.log"
  mupdf=$(tail -n 1 "$BUILD/mupdf.log")
  done_step "MuPDF cross build"
}
