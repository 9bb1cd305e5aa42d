#!/usr/bin/env bash
# Builds the Debian package BUILD_DIR/tavrel_VERSION-REVISION_ARCH.deb from the
# two programs and their files (configuring BUILD_DIR, default build/, when
# it is not yet). cpack's DEB generator cannot add the folder tvロゴ without
# a UTF-8 locale, so it runs under C.UTF-8, which every Debian system has,
# whatever locale (or none) the caller has set.
#
#   bash scripts/package.sh [BUILD_DIR]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build}"
export LC_ALL=C.UTF-8
bash "$repo/scripts/install-packages.sh" package
[ -f "$build/CMakeCache.txt" ] || cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target tavrel tavrel-cli manpage
cd "$build"
rm -f tavrel_*.deb
cpack -G DEB
ls "$PWD"/tavrel_*.deb
