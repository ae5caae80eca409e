#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the .deb with apt on this machine (no container is at hand), starts
# the desktop entry's command under Xvfb, takes a screenshot, checks the window,
# then removes the package again unless it was installed before.
# Usage: package_test.sh PACKAGE_BUILD_DIR
set -eu
dir=$(cd "$1" && pwd)
deb=$(ls "$dir"/quilvane_*.deb)
shot=$dir/screenshot.png
sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
fail() { echo "FAIL: $*" >&2; exit 1; }

if dpkg-query -W -f='${Status}' quilvane 2>/dev/null | grep -q 'install ok installed'; then keep=1; else keep=0; fi
cleanup() { [ "$keep" = 1 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq quilvane >/dev/null; }
trap cleanup EXIT
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --reinstall "$deb" >/dev/null

[ "$(command -v quilvane)" = /usr/bin/quilvane ] || fail "quilvane is not /usr/bin/quilvane on PATH"
# The menu's command, without field codes.
command=$(sed -n 's/^Exec=//p' /usr/share/applications/quilvane.desktop | sed 's/ *%[a-zA-Z]//g')
rm -f "$shot"
QUILVANE_COMMAND=$command QUILVANE_SHOT=$shot xvfb-run -a -s "-screen 0 1280x800x24" sh -c '
  $QUILVANE_COMMAND & pid=$!
  sleep 3
  kill -0 $pid 2>/dev/null || { echo "FAIL: the program exited" >&2; exit 1; }
  status=0
  window=$(xdotool search --name "^Quilvane" | head -n 1)
  if [ -z "$window" ]; then echo "FAIL: no window named Quilvane" >&2; status=1
  elif ! xprop -id "$window" _NET_WM_ICON | grep -q "^_NET_WM_ICON(CARDINAL) ="; then echo "FAIL: the window has no icon" >&2; status=1
  fi
  if xdotool search --name "エラー" >/dev/null; then echo "FAIL: an error box is open" >&2; status=1; fi
  import -window root "$QUILVANE_SHOT"
  kill $pid; wait $pid 2>/dev/null || true
  exit $status'
[ -s "$shot" ] || fail "no screenshot"
echo "package installed, started from its desktop entry; screenshot: $shot"
