# SPDX-License-Identifier: GPL-3.0-or-later
# What the static cross builds share: Debian source packages fetched through a
# private apt, pinned in versions.txt, and a cache folder per build named after
# those versions and the build script. Sourced with these set:
#   SCRIPT    the build script (its text is part of the cache key)
#   NAME      the cache folder's name: $ROOT/NAME-win64-<key>
#   PACKAGES  the source packages
#   REFRESH   1 to ask the archive for the newest versions again
#   KEY_FILES other files whose text is part of the key (may be unset)
# It sets ROOT, APT, PREFIX and SUDO, and exits printing PREFIX when that is
# finished already. Otherwise it returns holding the build's lock.
ROOT=$(realpath -m "${QUILVANE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quilvane}")
APT=$ROOT/$NAME-apt
SUDO=$([ "$(id -u)" = 0 ] || echo sudo)

step_start=0
step() { step_start=$(date +%s); echo "== $1"; }
done_step() { echo "== $1: $(( $(date +%s) - step_start )) s"; }
# Runs a command with its output in a log; on failure shows the log's tail.
logged() {
  local log=$1; shift
  if ! "$@" >>"$log" 2>&1; then
    echo "failed: $*" >&2
    tail -n 40 "$log" >&2
    echo "(full log: $log)" >&2
    exit 1
  fi
}

need_packages() {
  local missing
  missing=$(for p in "$@"; do dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed' || echo "$p"; done)
  [ -z "$missing" ] && return
  echo "installing:" $missing
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# A private apt that knows source packages: its own lists, cache and sources,
# on the same Debian mirrors the system uses. The system's state is untouched.
APT_OPTS=(-o "Dir::State::Lists=$APT/lists" -o "Dir::Cache=$APT/cache"
  -o "Dir::Etc::sourcelist=$APT/sources.list" -o "Dir::Etc::sourceparts=$APT/sources.list.d"
  -o "APT::Sandbox::User=$(id -un)" -o "Acquire::Languages=none")
apt_private() { apt-get "${APT_OPTS[@]}" "$@"; }

apt_lists() {
  [ -e "$APT/lists/.complete" ] && return
  mkdir -p "$APT/lists/partial" "$APT/cache/archives/partial" "$APT/sources.list.d"
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg opt=""
  [ -e "$keyring" ] && opt="[signed-by=$keyring] "
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT) $(ORIGIN)' 'Created-By: Packages' |
    awk '$3 == "main" && $4 == "Debian" && !seen[$1 " " $2]++ { print $1, $2 }' |
    while read -r uri suite; do echo "deb-src $opt$uri $suite main"; done >"$APT/sources.list"
  if [ ! -s "$APT/sources.list" ]; then
    local codename
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    printf 'deb-src %shttp://deb.debian.org/debian %s main\n' "$opt" "$codename" "$opt" "$codename-updates" >"$APT/sources.list"
    printf 'deb-src %shttp://deb.debian.org/debian-security %s main\n' "$opt" "$codename-security" >>"$APT/sources.list"
  fi
  logged "$APT/apt.log" apt_private update
  touch "$APT/lists/.complete"
}

# Downloads pkg=version into the shared download folder; false when the
# mirror lacks a file (mirrors may hold only part of the security pool).
fetch_source() {
  local pkg=$1 version=$2
  [ -e "$APT/sources/${pkg}_${version#*:}.dsc" ] && return
  mkdir -p "$APT/sources"
  (cd "$APT/sources" && apt_private source --download-only "$pkg=$version") >>"$APT/apt.log" 2>&1 &&
    [ -e "$APT/sources/${pkg}_${version#*:}.dsc" ]
}

# Newest first, by Debian's own version order.
sort_versions() {
  local sorted=() v i
  for v in "$@"; do
    i=0
    while [ $i -lt ${#sorted[@]} ] && dpkg --compare-versions "${sorted[$i]}" gt "$v"; do i=$((i + 1)); done
    [ $i -lt ${#sorted[@]} ] && [ "${sorted[$i]}" = "$v" ] && continue
    sorted=("${sorted[@]:0:$i}" "$v" "${sorted[@]:$i}")
  done
  printf '%s\n' "${sorted[@]}"
}

# The newest version of each package that the mirrors can deliver, kept in
# versions.txt so that later runs neither update nor ask the network.
resolve_versions() {
  apt_lists
  local pkg versions version chosen out=""
  for pkg in $PACKAGES; do
    mapfile -t versions < <(apt-cache "${APT_OPTS[@]}" showsrc --only-source "$pkg" 2>/dev/null | sed -n 's/^Version: //p')
    [ ${#versions[@]} -gt 0 ] || { echo "no source package $pkg" >&2; exit 1; }
    chosen=""
    for version in $(sort_versions "${versions[@]}"); do
      if fetch_source "$pkg" "$version"; then chosen=$version; break; fi
      echo "$pkg $version: not on the mirror, trying an older one"
    done
    [ -n "$chosen" ] || { echo "cannot download any version of $pkg"; tail -n 20 "$APT/apt.log"; exit 1; } >&2
    out+="$pkg=$chosen"$'\n'
  done
  printf '%s' "$out" >"$APT/versions.txt.new"
  mv "$APT/versions.txt.new" "$APT/versions.txt"
}

# Unpacks each pinned package into $1/<package>, with Debian's patches, and
# records the folder in DIR[<package>].
declare -A DIR
unpack_sources() {
  local into=$1 log=$2 pkg version
  while IFS== read -r pkg version; do
    if ! fetch_source "$pkg" "$version"; then
      apt_lists
      fetch_source "$pkg" "$version" || { echo "cannot download $pkg=$version" >&2; tail -n 20 "$APT/apt.log" >&2; exit 1; }
    fi
    DIR[$pkg]=$into/$pkg
    logged "$log" dpkg-source -x "$APT/sources/${pkg}_${version#*:}.dsc" "${DIR[$pkg]}"
  done <"$APT/versions.txt"
}

step "source versions"
if [ "$REFRESH" = 1 ]; then
  rm -f "$APT/lists/.complete" "$APT/versions.txt"
fi
[ -s "$APT/versions.txt" ] || resolve_versions
key=$( (cat "$APT/versions.txt"; for f in "$SCRIPT" ${KEY_FILES:-}; do sha256sum <"$f"; done) | sha256sum | cut -c1-12)
PREFIX=$ROOT/$NAME-win64-$key
sed 's/^/  /' "$APT/versions.txt"
done_step "source versions"

if [ -e "$PREFIX/.complete" ]; then
  echo "$PREFIX"
  exit 0
fi
# One cold build at a time; a run that waited finds the prefix made.
exec 9>"$ROOT/$NAME-win64.lock"
flock 9
if [ -e "$PREFIX/.complete" ]; then
  echo "$PREFIX"
  exit 0
fi
