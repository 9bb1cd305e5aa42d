#!/usr/bin/env bash
# Builds the user guide and the Japanese manual pages of a build and checks
# them: both languages have the same pages, the table of contents on each
# language's first page (index) lists every page, every link between pages
# (and its #part) and every picture is there, nothing is fetched from the
# network (the guide is read offline), every picture is one that
# scripts/guide-screenshots.sh makes, and the manual pages render without a
# warning (man -L ja -l, groff -ww).
#
#   scripts/check-guide.sh [BUILD_DIR]      (default: build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
source="$repo/docs/guide"
guide="$build/guide"
failures=0
fail() { echo "check-guide: FAIL: $*" >&2; failures=$((failures + 1)); }

if ! out=$(cmake --build "$build" --target guide manpage 2>&1); then
  echo "$out" >&2
  echo "check-guide: FAIL: the guide or the manual pages do not build" >&2
  exit 1
fi

pages() { (cd "$source/$1" && ls -- *.md | sed 's/\.md$//' | sort); }
[ "$(pages ja)" = "$(pages en)" ] || fail "docs/guide/ja and docs/guide/en hold different pages: $(diff <(pages ja) <(pages en) | grep '^[<>]' | tr '\n' ' ')"

shots=$(cat "$repo/scripts/guide-screenshots.sh")
count=0
for lang in ja en; do
  index="$guide/$lang/index.html"
  [ -f "$index" ] || { fail "$lang/index.html was not built"; continue; }
  for name in $(pages "$lang"); do
    html="$guide/$lang/$name.html"
    count=$((count + 1))
    [ -f "$html" ] || { fail "$lang/$name.html was not built"; continue; }
    if [ "$name" != index ] && ! grep -q "href=\"$name\.html\"" "$index"; then
      fail "$lang/index.html does not list the page $name.html"
    fi
    # Nothing loaded from elsewhere: no remote style sheet, script, picture or frame.
    if grep -Eqi '<(script|img|iframe|link)[^>]*(src|href)="(https?:)?//|@import|url\((https?:)?//' "$html"; then
      fail "$lang/$name.html loads something from the network"
    fi
    while IFS= read -r target; do
      case "$target" in
        http://* | https://* | mailto:*) continue ;;
      esac
      file="${target%%#*}"
      part=""
      [[ "$target" == *#* ]] && part="${target#*#}"
      if [ -z "$file" ]; then
        path="$html"
      else
        path="$guide/$lang/$file"
      fi
      if [ ! -f "$path" ]; then
        fail "$lang/$name.html: broken link or missing picture: $target"
      elif [ -n "$part" ] && ! grep -q "id=\"$part\"" "$path"; then
        fail "$lang/$name.html: $target names no part of its page"
      fi
      case "$file" in
        ../images/*)
          grep -qF "${file#../images/}" <<<"$shots" \
            || fail "$lang/$name.html: ${file#../} is not made by scripts/guide-screenshots.sh" ;;
      esac
    done < <(grep -oE '(href|src)="[^"]*"' "$html" | sed -E 's/^(href|src)="//; s/"$//' | grep -v '^$' | sort -u)
  done
done
[ "$count" -gt 2 ] || fail "only $count guide pages"

# The manual pages in Japanese render without a warning.
for page in "$build"/man-ja/tavrel.1.gz "$build"/man-ja/tavrel-cli.1.gz; do
  name=$(basename "$page" .gz)
  [ -f "$page" ] || { fail "man-ja/$name.gz was not built"; continue; }
  warnings=$( (MANWIDTH=80 man -L ja -l "$page" 2>&1 >/dev/null; zcat "$page" | groff -K utf8 -man -Tutf8 -ww -z 2>&1) || echo "rendering failed")
  [ -z "$warnings" ] || fail "man -L ja -l $name: $warnings"
  text=$(MANWIDTH=80 man -L ja -l "$page" 2>/dev/null || true)
  grep -q '^名前' <<<"$text" || fail "$name (ja) has no section 名前"
done

if [ "$failures" -ne 0 ]; then
  echo "check-guide: $failures problem(s)" >&2
  exit 1
fi
echo "check-guide: $count pages in two languages and the Japanese manual pages are sound"
