#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer from what tools/build-windows.sh built:
# <build folder>/quilvane-<version>-x64.msi, packed by wixl (cmake/Msi.cmake).
#   tools/build-msi.sh [build folder] [jobs] [targets: msi (the default), msi_next]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${1:-build-win}")
JOBS=${2:-$(nproc)}
TARGETS=("${@:3}")
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(msi)
. tools/windows-steps.sh

step "packages"
install_missing wixl msitools
done_step "packages"

step "${TARGETS[*]}"
cmake --build "$BUILD" -j "$JOBS" --target "${TARGETS[@]}"
done_step "${TARGETS[*]}"
