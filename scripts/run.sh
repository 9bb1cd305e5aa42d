#!/usr/bin/env bash
# Installs what is missing, builds the two programs (not the tests), and
# runs Tavrel. With a display the desktop program starts; without one the
# command-line companion works on the sample register (list, check, strip
# pictures, and the strips printed to out/strips.pdf) and says how to start
# the program under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-packages.sh run
bash scripts/build.sh tavrel tavrel-cli
SAMPLE=samples/sample-office.TAV
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/tavrel
fi
echo "No display: start the program with  xvfb-run -a ./build/tavrel"
echo
echo "== Entries of $SAMPLE =="
./build/tavrel-cli list "$SAMPLE"
echo
./build/tavrel-cli check "$SAMPLE" && echo "check: the sample register is sound"
mkdir -p out
./build/tavrel-cli render "$SAMPLE" --entry 1 --view detail -o out/entry1-detail.png
./build/tavrel-cli render "$SAMPLE" --entry 1 --view overview -o out/entry1-overview.png
echo "Strip pictures of entry 1: out/entry1-detail.png, out/entry1-overview.png"
./build/tavrel-cli print "$SAMPLE" -o out/strips.pdf
echo "Printed the strips of every entry of $SAMPLE to out/strips.pdf (one page per entry, each on its paper)."
echo "To put them on paper: lp out/strips.pdf"
