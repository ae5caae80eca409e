#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a throw-away root laid out as the package is, checks
# what desktops and software centres read, and starts the installed program.
# Usage: install_test.sh CMAKE BUILD_DIR
set -eu
cmake=$1
build=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$root "$cmake" --install "$build" --prefix /usr >/dev/null
usr=$root/usr
desktop=$usr/share/applications/quilvane.desktop
metainfo=$usr/share/metainfo/io.github.quilvane.quilvane.metainfo.xml

for file in bin/quilvane lib/quilvane/quilvane-readers lib/quilvane/quilvane-pages share/applications/quilvane.desktop share/icons/hicolor/scalable/apps/quilvane.svg \
            share/metainfo/io.github.quilvane.quilvane.metainfo.xml share/man/man1/quilvane.1.gz \
            share/man/ja/man1/quilvane.1.gz share/doc/quilvane/copyright share/doc/quilvane/changelog.Debian.gz; do
  [ -s "$usr/$file" ] || fail "/usr/$file is not installed"
done

# Each manual page in its own language.
zcat "$usr/share/man/man1/quilvane.1.gz" | grep -q '^\.SH NAME' || fail "English manual page is not English"
zcat "$usr/share/man/ja/man1/quilvane.1.gz" | grep -q '^\.SH 名前' || fail "Japanese manual page is not Japanese"

desktop-file-validate "$desktop" || fail "desktop entry is invalid"
appstreamcli validate --no-net --pedantic "$metainfo" >"$root/appstream.log" 2>&1 || { cat "$root/appstream.log"; fail "metainfo is invalid"; }
# The menu starts what Exec= names and shows the icon Icon= names.
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$usr/bin/$command" ] || fail "Exec=$command is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -s "$usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not an installed icon"
grep -q "<launchable type=\"desktop-id\">quilvane.desktop</launchable>" "$metainfo" || fail "metainfo does not launch quilvane.desktop"

# A search path into the build tree would load libraries no user has.
for program in bin/quilvane lib/quilvane/quilvane-readers lib/quilvane/quilvane-pages; do
  if readelf -d "$usr/$program" | grep -Eq 'R(UN)?PATH'; then fail "the installed $program keeps a library search path"; fi
done
for helper in quilvane-readers quilvane-pages; do
  [ -x "$usr/lib/quilvane/$helper" ] || fail "the helper $helper is not a program"
done

# Started from the installed place, the program must still be running when stopped.
set +e
QT_QPA_PLATFORM=offscreen timeout 3 "$usr/bin/$command" >"$root/out.log" 2>&1
status=$?
set -e
[ "$status" -eq 124 ] || { cat "$root/out.log"; fail "the installed program exited with status $status instead of running"; }
# Qt reports a missing resource, plugin or library only as a warning.
if grep -Ei 'cannot|could not|failed|not found|error' "$root/out.log"; then fail "the installed program reported a problem"; fi
echo "installed and started: $(cd "$usr" && find . -type f | wc -l) files"
