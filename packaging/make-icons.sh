#!/usr/bin/env bash
# Renders the program icon icons/tavrel.svg to the 48 and 128 pixel PNGs
# that are installed beside it in the hicolor theme (needs rsvg-convert from
# librsvg2-bin). The PNGs are kept in the repository, so a build does not
# need this.
set -euo pipefail
cd "$(dirname "$0")/icons"
for size in 48 128; do
  rsvg-convert -w "$size" -h "$size" tavrel.svg -o "tavrel-$size.png"
done
