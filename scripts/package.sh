#!/usr/bin/env bash
# Builds the Debian package BUILD_DIR/tavrel_VERSION-REVISION_ARCH.deb from the
# two programs, their files and the user guide (configuring BUILD_DIR,
# default build/, when it is not yet). cpack's DEB generator cannot add the
# folder tvロゴ without a UTF-8 locale, so it runs under C.UTF-8, which every
# Debian system has, whatever locale (or none) the caller has set.
#
# The package is reproducible: every time stamp in it is the date of the
# Debian changelog's entry (SOURCE_DATE_EPOCH), and two builds of the same
# tree give the same bytes. cpack counts the links in /usr/bin at the size
# of the programs they point to, so the package is put together again with
# dpkg-deb, its Installed-Size counted as dpkg-gencontrol counts it (each
# file's size in KiB rounded up, one KiB per link and folder), compressed
# with xz.
#
#   bash scripts/package.sh [BUILD_DIR]
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$repo/build}"
export LC_ALL=C.UTF-8
bash "$repo/scripts/install-packages.sh" package
[ -f "$build/CMakeCache.txt" ] || cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target tavrel tavrel-cli manpage guide
cd "$build"
entry_date=$(sed -n 's/^ -- .*>  //p' changelog.Debian | head -n1)
SOURCE_DATE_EPOCH=$(date -u -d "$entry_date" +%s)
export SOURCE_DATE_EPOCH
rm -f tavrel_*.deb
cpack -G DEB >/dev/null
deb=$(ls "$PWD"/tavrel_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -R "$deb" "$work/root"
size=$(cd "$work/root" && find . -path ./DEBIAN -prune -o -type f -printf '%s\n' -o ! -name . -printf '1024\n' \
  | awk '{ s += int(($1 + 1023) / 1024) } END { print s }')
sed -i "s/^Installed-Size: .*/Installed-Size: $size/" "$work/root/DEBIAN/control"
find "$work/root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
dpkg-deb --root-owner-group -Zxz --build "$work/root" "$deb" >/dev/null
ls "$deb"
