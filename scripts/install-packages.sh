#!/usr/bin/env bash
# Installs the Debian packages Tavrel needs, by what is to be done:
#
#   scripts/install-packages.sh run       build and run tavrel and tavrel-cli
#   scripts/install-packages.sh package   also build the Debian package and
#                                         the user guide (pandoc)
#   scripts/install-packages.sh [all]     also run every test (Xvfb, CUPS with
#                                         a PDF queue, image and PDF tools,
#                                         desktop file and AppStream checks,
#                                         lintian)
#
# Nothing is fetched when every package is installed already.
set -euo pipefail
RUN=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-translations-l10n
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth
)
PACKAGE=(dpkg-dev fakeroot file pandoc)
TEST=(
  xdotool imagemagick poppler-utils
  cups cups-client cups-bsd printer-driver-cups-pdf
  desktop-file-utils appstream shared-mime-info man-db lintian
)
case "${1:-all}" in
  run) PACKAGES=("${RUN[@]}") ;;
  package) PACKAGES=("${RUN[@]}" "${PACKAGE[@]}") ;;
  all) PACKAGES=("${RUN[@]}" "${PACKAGE[@]}" "${TEST[@]}") ;;
  *) echo "usage: scripts/install-packages.sh [run|package|all]" >&2; exit 2 ;;
esac
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
