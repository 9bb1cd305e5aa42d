#!/usr/bin/env bash
# Takes every picture of the user guide (docs/guide/images/) from the real
# program: tavrel of a build under Xvfb, driven by key presses and clicks
# (xdotool), each window grabbed with ImageMagick's import; the printed
# pages come from tavrel-cli's PDF output (pdftoppm). Run it after a change
# that shows on the screen, then look at the pictures and commit them.
#
#   bash scripts/guide-screenshots.sh [BUILD_DIR]      (default: build)
#
# The print previews and the fine adjustment need a printer: a CUPS
# scheduler with a PDF queue is started for the run (scripts/cups-queue.sh)
# unless one runs already. TAVREL_SHOTS_NO_PRINTER=1 leaves those five
# pictures as they are. A picture of a command the build does not have yet
# (tavrel-cli print --sheet) is skipped with a note.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
out="$repo/docs/guide/images"

if [ -z "${TAVREL_SHOTS_DISPLAY:-}" ]; then
  for tool in xvfb-run xdotool import pdftoppm; do
    command -v "$tool" >/dev/null || { echo "guide-screenshots: $tool is missing (bash scripts/install-packages.sh all)" >&2; exit 1; }
  done
  if [ -z "${TAVREL_SHOTS_NO_PRINTER:-}" ]; then
    trap 'tavrel_cups_stop' EXIT
    # shellcheck source=cups-queue.sh
    source "$repo/scripts/cups-queue.sh" start
  fi
  rc=0
  TAVREL_SHOTS_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x900x24" bash "$0" "$build" || rc=$?
  exit "$rc"
fi

mkdir -p "$out"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export APPDATA="$work/appdata" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/data"
mkdir -p "$APPDATA" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$repo/samples/sample-office.TAV" "$work/site.TAV"
chmod u+w "$work/site.TAV"
cli="$build/tavrel-cli"

pause() { sleep "${1:-0.8}"; }
# Keys one at a time: a menu must be open before its item's letter comes.
key() { local k; for k in "$@"; do xdotool key --clearmodifiers "$k"; pause; done; }
type_text() { xdotool type --delay 60 "$1"; pause; }
# The newest visible window whose title is exactly $1, waited for up to 15 s.
window() {
  local i w
  for i in $(seq 1 30); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | tail -n1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.5
  done
  echo "guide-screenshots: no window $1 came up" >&2
  import -window root "$work/failed.png" && cp "$work/failed.png" "${TMPDIR:-/tmp}/guide-screenshots-failed.png"
  return 1
}
geometry() { xdotool getwindowgeometry --shell "$1"; }
# A window alone.
shoot_window() {
  import -window "$(window "$1")" "$out/$2"
  echo "guide-screenshots: $2"
}
# The screen around the main window (menus and the in-place editor are
# windows of their own).
shoot_main() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(geometry "$main")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1"
  echo "guide-screenshots: $1"
}
# Keyboard focus back to the main window once a dialog has closed (there is
# no window manager to give it back).
back_to_main() { xdotool windowfocus --sync "$main"; pause 0.3; }
# A click at x,y in the main window.
click_main() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(geometry "$main")"
  xdotool mousemove $((X + $1)) $((Y + $2)); pause 0.3
  xdotool click "${3:-1}"; pause
}
double_click_main() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(geometry "$main")"
  xdotool mousemove $((X + $1)) $((Y + $2)); pause 0.3
  xdotool click --repeat 2 --delay 80 1; pause
}
# Page 1 of a PDF as a picture, 60 dots per inch.
pdf_page() {
  pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$1" "$out/${2%.png}"
  echo "guide-screenshots: $2"
}

# -- Printed pages, from tavrel-cli ------------------------------------------
"$cli" print "$work/site.TAV" --entries 1 -o "$work/strip.pdf"
pdf_page "$work/strip.pdf" printed-page.png
"$cli" print-list "$work/site.TAV" -o "$work/list.pdf"
pdf_page "$work/list.pdf" list-page.png
"$cli" calibrate --format A -o "$work/calibration.pdf"
pdf_page "$work/calibration.pdf" calibration-page.png
if grep -q -- '--sheet' <<<"$("$cli" print --help)"; then
  "$cli" print "$work/site.TAV" --sheet A4 --cut-marks --captions -o "$work/sheet.pdf"
  pdf_page "$work/sheet.pdf" sheet-page.png
else
  echo "guide-screenshots: no sheet printing in this build; sheet-page.png not taken"
fi

# -- The main window with the sample register --------------------------------
"$build/tavrel" "$work/site.TAV" >"$work/tavrel.log" 2>&1 &
pid=$!
main=$(window Tavrel)
xdotool windowmove "$main" 0 0
pause 2
key alt+v a
shoot_main overview.png
# The detail view as it stays once shown (the first layout is made before
# the window has its final size).
key alt+v d
shoot_main main-window.png

key alt+h
shoot_main help-menu.png
key Escape Escape

# The entry dialog, as 示名条の作成 opens it.
key alt+s n
type_text 205
shoot_window 示名条の作成 entry-dialog.png
key Escape
back_to_main

# Key 13 of entry 1 edited in place.
double_click_main "${TAVREL_SHOTS_CELL_X:-262}" "${TAVREL_SHOTS_CELL_Y:-360}"
type_text '会議室'
shoot_main cell-editing.png
key Escape

# The picture dialog on the selected cell, a sample logo loaded through its
# 取込み button.
key alt+e g
picture=$(window 画像取込み)
eval "$(geometry "$picture" | sed 's/^/P_/')"
xdotool mousemove $((P_X + 48)) $((P_Y + P_HEIGHT - 21)); pause 0.3
xdotool click 1; pause
window '画像ﾌｧｲﾙ読み込み' >/dev/null
type_text "$build/tvロゴ/tavrel.bmp"
key Return
shoot_window 画像取込み picture-dialog.png
key Escape
back_to_main

key alt+k h
shoot_window キーラベル設定 keylabel-dialog.png
key Escape
back_to_main

# Find: the occurrence shown in the cell's editor.
key ctrl+f
type_text 保留
key Return
shoot_main find-dialog.png
key Escape
back_to_main

# CSV: the import preview of a small file with one faulty row.
printf '%s\r\n' '内線番号,部署,使用者名,主装置のシリーズ,示名条のタイプ' \
  '205,総務部,山本 一郎,ｕＬシリーズ主装置,ｕＬ－１８ボタン電話機' \
  '206,総務部,木村 二郎,ｕＬシリーズ主装置,ｕＬ－６ボタン電話機' \
  '201,総務部,重複,ｕＬシリーズ主装置,ｕＬ－１８ボタン電話機' >"$work/phones.csv"
key alt+f i
type_text "$work/phones.csv"
key Return
shoot_window CSV取込み csv-import.png
key Escape
back_to_main

# Printing needs a printer (a print queue).
if lpstat -p 2>/dev/null | grep -q '^printer '; then
  key alt+f p
  shoot_window 示名条印刷プレビュー print-preview.png
  # The preview's 用紙... button (the fourth of its bar): plain paper in
  # the dialog, then the first sheet in the preview.
  preview=$(window 示名条印刷プレビュー)
  eval "$(geometry "$preview" | sed 's/^/V_/')"
  xdotool mousemove $((V_X + 267)) $((V_Y + 14)); pause 0.3
  xdotool click 1; pause
  window 印刷する用紙 >/dev/null
  key alt+s
  shoot_window 印刷する用紙 sheet-dialog.png
  key Return
  pause 1.5
  shoot_window 示名条印刷プレビュー sheet-preview.png
  key Escape
  back_to_main
  key alt+f l
  shoot_window 示名条一覧印刷プレビュー list-preview.png
  key Escape
  back_to_main
  key alt+f e
  shoot_window プリンタの微調整 adjust-dialog.png
  key Escape
  back_to_main
else
  echo "guide-screenshots: no printer; print-preview.png, sheet-dialog.png, sheet-preview.png, list-preview.png and adjust-dialog.png not taken"
fi

# The register was changed for the pictures: the program is ended without
# saving it (the copy is removed with the work folder).
