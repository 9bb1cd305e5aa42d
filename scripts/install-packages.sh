#!/usr/bin/env bash
# Installs the Debian packages Tavrel builds, runs and tests with.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
PACKAGES=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-translations-l10n
  fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth xdotool imagemagick poppler-utils
  cups cups-client cups-bsd printer-driver-cups-pdf
  desktop-file-utils appstream shared-mime-info man-db
  dpkg-dev fakeroot file
)
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${PACKAGES[@]}"
