#!/usr/bin/env bash
# Renders the strips of a large register to PDF with tavrel-cli print and
# reports time and peak memory, side by side with `tavrel-cli check` of the
# same register (reading and walking every strip) as the reference, for
# half and all of the entries (memory should grow linearly with the pages).
# Budget: 1,000 strips of 100 cells under 30 s (goal under 10 s). The same
# strips several to an A4 sheet (cut marks, captions) in the same run: no
# slower than one per page, peak memory under 100 MB; and the layout of
# 10,000 entries under 50 ms (bench_sheetlayout).
#   bench/bench_print.sh [BUILD_DIR] [ENTRIES] [CELLS]
set -euo pipefail
BUILD="${1:-build}"
ENTRIES="${2:-1000}"
CELLS="${3:-100}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen
"$BUILD/bench/genregister" "$WORK/big.TAV" "$ENTRIES" "$CELLS"
measure() { # label command...
  local label="$1"; shift
  /usr/bin/time -f "%e %M" -o "$WORK/t" "$@" > /dev/null 2> "$WORK/err" || { cat "$WORK/err"; exit 1; }
  read -r secs kb < "$WORK/t"
  printf "%-44s %7.2f s  %7d KB peak\n" "$label" "$secs" "$kb"
}
echo "register: $ENTRIES entries x $CELLS cells, $(du -h "$WORK/big.TAV" | cut -f1)"
measure "reference: tavrel-cli check" "$BUILD/tavrel-cli" check "$WORK/big.TAV"
measure "print $((ENTRIES / 2)) strips to PDF" "$BUILD/tavrel-cli" print "$WORK/big.TAV" --entries "1-$((ENTRIES / 2))" -o "$WORK/half.pdf"
measure "print $ENTRIES strips to PDF" "$BUILD/tavrel-cli" print "$WORK/big.TAV" -o "$WORK/all.pdf"
echo "PDF: $(pdfinfo "$WORK/all.pdf" | awk '/^Pages/ {print $2}') pages, $(du -h "$WORK/all.pdf" | cut -f1)"
measure "print $ENTRIES strips on A4 sheets" "$BUILD/tavrel-cli" print "$WORK/big.TAV" -o "$WORK/sheets.pdf" \
  --sheet A4 --cut-marks --captions --rotate
echo "PDF: $(pdfinfo "$WORK/sheets.pdf" | awk '/^Pages/ {print $2}') sheets, $(du -h "$WORK/sheets.pdf" | cut -f1)"
measure "print $ENTRIES strips one per page again" "$BUILD/tavrel-cli" print "$WORK/big.TAV" -o "$WORK/all.pdf"
if [ -x "$BUILD/bench/bench_sheetlayout" ]; then "$BUILD/bench/bench_sheetlayout" 10000; fi
