#!/usr/bin/env bash
# Checks the installed layout of a finished build: installs it into a
# temporary prefix, runs the installed tavrel-cli (through its link in bin/,
# from another folder) on the sample register, starts the installed tavrel
# on the offscreen platform until its main window has been shown, and
# validates the desktop entry, the AppStream metainfo, the MIME type, the
# icons, the manual pages (English and Japanese), the user guide, the
# licence and changelog files; starts the
# installed tavrel with a copy of the sample register (under Xvfb when
# xvfb-run is there) and checks that it opened it; builds the Debian package
# with no locale set (scripts/package.sh), checks its Installed-Size, its
# Suggests and its xz compression, builds it again for the same bytes, and
# runs lintian on it when lintian is installed.
#
#   scripts/check-install.sh [BUILD_DIR]      (default: build)
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build}" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
P="$work/prefix/usr"
failures=0
fail() { echo "check-install: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "check-install: ok: $*"; }

cmake --install "$build" --prefix "$P" >/dev/null

# -- Layout: the program folder with its data, links in bin/ --------------
for program in tavrel tavrel-cli; do
  if [ -L "$P/bin/$program" ] && [ "$(readlink -f "$P/bin/$program")" = "$(readlink -f "$P/lib/tavrel/$program")" ] \
     && [ -x "$P/lib/tavrel/$program" ]; then
    pass "bin/$program links to lib/tavrel/$program"
  else
    fail "bin/$program is not a link to the executable lib/tavrel/$program"
  fi
done
case "$(readlink "$P/bin/tavrel")" in
  /*) fail "bin/tavrel links by an absolute path: $(readlink "$P/bin/tavrel")" ;;
esac
templates=$(find "$repo/templates" -maxdepth 1 -name '*.tpl' | wc -l)
installed=$(find "$P/lib/tavrel" -maxdepth 1 -name '*.tpl' | wc -l)
[ "$templates" -gt 0 ] && [ "$installed" -eq "$templates" ] \
  && pass "$installed templates in lib/tavrel" || fail "lib/tavrel holds $installed of $templates templates"
logos=$(find "$repo/data/tvロゴ" -type f | wc -l)
[ "$(find "$P/lib/tavrel/tvロゴ" -type f 2>/dev/null | wc -l)" -eq "$logos" ] \
  && pass "$logos sample logos in lib/tavrel/tvロゴ" || fail "lib/tavrel/tvロゴ does not hold the $logos sample logos"
for f in share/applications/tavrel.desktop share/metainfo/org.tavrel.Tavrel.metainfo.xml \
         share/mime/packages/tavrel.xml share/icons/hicolor/scalable/apps/tavrel.svg \
         share/man/man1/tavrel-cli.1.gz share/man/man1/tavrel.1.gz share/doc/tavrel/examples/sample-office.TAV \
         share/doc/tavrel/copyright share/doc/tavrel/changelog.gz \
         share/man/ja/man1/tavrel.1.gz share/man/ja/man1/tavrel-cli.1.gz share/doc/tavrel/guide/guide.css; do
  [ -f "$P/$f" ] || fail "$f is not installed"
done
# The user guide in both languages, every page and picture.
for lang in ja en; do
  pages=$(find "$repo/docs/guide/$lang" -name '*.md' | wc -l)
  got=$(find "$P/share/doc/tavrel/guide/$lang" -name '*.html' 2>/dev/null | wc -l)
  [ "$pages" -gt 0 ] && [ "$got" -eq "$pages" ] && [ -f "$P/share/doc/tavrel/guide/$lang/index.html" ] \
    && pass "the user guide ($lang): $got pages" || fail "share/doc/tavrel/guide/$lang holds $got of $pages pages"
done
images=$(find "$repo/docs/guide/images" -name '*.png' | wc -l)
[ "$(find "$P/share/doc/tavrel/guide/images" -name '*.png' 2>/dev/null | wc -l)" -eq "$images" ] \
  && pass "$images pictures of the user guide" || fail "share/doc/tavrel/guide/images does not hold the $images pictures"
for size in 48 128; do
  got=$(identify -format '%wx%h' "$P/share/icons/hicolor/${size}x${size}/apps/tavrel.png" 2>/dev/null || true)
  [ "$got" = "${size}x${size}" ] && pass "icon ${size}x${size}" || fail "the ${size}x${size} icon is '$got'"
done

# -- tavrel-cli through its link, from another folder ----------------------
sample="$P/share/doc/tavrel/examples/sample-office.TAV"
cli="$P/bin/tavrel-cli"
cd /
if expected=$("$build/tavrel-cli" list "$repo/samples/sample-office.TAV") \
   && got=$(env -u DISPLAY "$cli" list "$sample") && [ -n "$got" ] && [ "$got" = "$expected" ]; then
  pass "installed tavrel-cli lists the sample register ($(printf '%s\n' "$got" | wc -l) entries)"
else
  fail "installed tavrel-cli list differs from the build's"
fi
"$cli" check "$sample" >/dev/null && pass "check accepts the installed sample" || fail "check refuses the installed sample"
# The templates are found in the program folder behind the link.
if got=$("$cli" templates) && [ -n "$got" ] && [ "$got" = "$("$build/tavrel-cli" templates)" ]; then
  pass "installed tavrel-cli finds its templates"
else
  fail "installed tavrel-cli does not find the templates of its program folder"
fi
if "$cli" new "$work/new.TAV" --series 0 --type "$(printf '%s\n' "$got" | head -n1 | cut -f3)" --ext 100 \
   && "$cli" check "$work/new.TAV" >/dev/null; then
  pass "installed tavrel-cli makes an entry from an installed template"
else
  fail "installed tavrel-cli cannot make an entry from its templates"
fi
if "$cli" render "$sample" --entry 1 -o "$work/entry1.png" && [ -s "$work/entry1.png" ]; then
  pass "installed tavrel-cli renders entry 1"
else
  fail "installed tavrel-cli cannot render entry 1"
fi
# Read whole before matching: grep -q stops reading at the first match, and
# under pipefail a help longer than one pipe write then fails on SIGPIPE.
help=$("$cli" --help) && list_help=$("$cli" list --help) && grep -q '^Commands:' <<<"$help" \
  && grep -q '^usage: tavrel-cli list FILE' <<<"$list_help" \
  && pass "tavrel-cli --help" || fail "tavrel-cli --help"

# -- tavrel on the offscreen platform until its main window is shown -------
mkdir -p "$work/runtime" "$work/appdata"
chmod 700 "$work/runtime"
rc=0
env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work/runtime" APPDATA="$work/appdata" TAVREL_CLOSE_AFTER_SHOW=1 \
  timeout 120 "$P/bin/tavrel" >"$work/tavrel.log" 2>&1 || rc=$?
# The settings are written as the main window is destroyed after being shown.
if [ "$rc" -eq 0 ] && grep -q '^\[Position\]' "$work/appdata/tavrel/tavrel.ini" 2>/dev/null; then
  pass "installed tavrel showed its main window and closed"
else
  fail "installed tavrel (exit $rc) did not show its main window: $(head -c 2000 "$work/tavrel.log")"
fi

# -- tavrel FILE opens the register --------------------------------------
# A copy of the installed sample (installed files are read-only); the series
# of its first entry is the one chosen when the program ends.
cp "$sample" "$work/site.TAV"
chmod u+w "$work/site.TAV"
caption=$("$cli" list "$work/site.TAV" | head -n1 | cut -f2)
series=$("$cli" templates | awk -F'\t' -v c="$caption" '$2 == c { print $1; exit }')
rm -rf "$work/appdata/tavrel"
display=(env QT_QPA_PLATFORM=offscreen) where="on the offscreen platform"
if command -v xvfb-run >/dev/null; then
  display=(env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY xvfb-run -a) where="under Xvfb"
fi
# xvfb-run -a picks the first free display number, which another test
# starting Xvfb at the same moment may take too: then it is tried again.
for attempt in 1 2 3; do
  rc=0
  (cd "$work" && "${display[@]}" env XDG_RUNTIME_DIR="$work/runtime" APPDATA="$work/appdata" TAVREL_CLOSE_AFTER_SHOW=1 \
    timeout 120 "$P/bin/tavrel" site.TAV >"$work/tavrel.log" 2>&1) || rc=$?
  [ "$rc" -ne 0 ] && grep -q 'Xvfb failed to start' "$work/tavrel.log" || break
  sleep 1
done
if [ "$rc" -eq 0 ] && [ -n "$series" ] && grep -q "^SelSeriesNo=$series" "$work/appdata/tavrel/tavrel.ini" 2>/dev/null; then
  pass "installed tavrel site.TAV opened the register $where"
else
  fail "installed tavrel site.TAV (exit $rc) did not open the register (series '$series'): $(head -c 2000 "$work/tavrel.log")"
fi
out=$("$P/bin/tavrel" --version) && [ "$(printf '%s\n' "$out" | head -n1)" = "tavrel $("$cli" --version | head -n1 | cut -d' ' -f2)" ] \
  && pass "tavrel --version: $(printf '%s\n' "$out" | head -n1)" || fail "tavrel --version: $out"
rc=0
err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" "$P/bin/tavrel" 2>&1 >/dev/null) || rc=$?
[ "$rc" -eq 1 ] && [ "$(printf '%s\n' "$err" | wc -l)" -eq 1 ] && [[ "$err" == *xvfb-run*tavrel-cli* ]] \
  && pass "tavrel without a display says so: $err" || fail "tavrel without a display (exit $rc): $err"

# -- Desktop integration ---------------------------------------------------
desktop-file-validate "$P/share/applications/tavrel.desktop" && pass "desktop-file-validate" \
  || fail "desktop-file-validate"
grep -qx 'Exec=tavrel %f' "$P/share/applications/tavrel.desktop" && [ -x "$P/bin/tavrel" ] \
  || fail "the desktop entry does not start bin/tavrel with the file"
grep -qx 'MimeType=application/x-tavrel-register;' "$P/share/applications/tavrel.desktop" \
  || fail "the desktop entry does not open registers"
appstreamcli validate --no-net "$P/share/metainfo/org.tavrel.Tavrel.metainfo.xml" >/dev/null \
  && pass "appstreamcli validate --no-net" || fail "appstreamcli validate --no-net"
if XDG_DATA_DIRS="$P/share" update-mime-database "$P/share/mime" >/dev/null \
   && grep -qx '50:application/x-tavrel-register:\*\.tav' "$P/share/mime/globs2" \
   && grep -q 'application/x-tavrel-register:\*\.TAV' "$P/share/mime/globs2"; then
  pass "MIME type application/x-tavrel-register for *.TAV and *.tav"
else
  fail "the MIME type does not cover *.TAV and *.tav"
fi
# -- Manual pages, licence, changelog: one version and one date ------------
version=$("$cli" --version | head -n1 | cut -d' ' -f2)
release=$(sed -n 's/^## \([0-9.]*\) — \([0-9-]*\)$/\1 \2/p' "$repo/CHANGELOG.md" | head -n1)
date=${release#* }
[ "${release% *}" = "$version" ] && pass "CHANGELOG.md starts with $release" \
  || fail "CHANGELOG.md starts with '$release', the programs are $version"
grep -q "<release version=\"$version\" date=\"$date\"/>" "$P/share/metainfo/org.tavrel.Tavrel.metainfo.xml" \
  || fail "the metainfo has no release $version of $date"
grep -q '<project_license>MIT</project_license>' "$P/share/metainfo/org.tavrel.Tavrel.metainfo.xml" \
  || fail "the metainfo names no project licence"
for name in tavrel tavrel-cli; do
  page="$P/share/man/man1/$name.1.gz"
  warnings=$( (zcat "$page" | groff -K utf8 -man -Tutf8 -ww -z) 2>&1 || echo "groff failed")
  # awk reads the page whole: grep -m1 would stop early and, under
  # pipefail, end this script on zcat's SIGPIPE for a long page.
  th=$(zcat "$page" | awk '/^\.TH/ && !seen { print; seen = 1 }')
  if [ -z "$warnings" ] && [[ "$th" == *" 1 $date \"Tavrel $version\""* ]]; then
    pass "manual page $name.1 ($th)"
  else
    fail "manual page $name.1: $th $warnings"
  fi
done
for name in tavrel tavrel-cli; do
  page="$P/share/man/ja/man1/$name.1.gz"
  warnings=$( (MANWIDTH=80 man -L ja -l "$page" 2>&1 >/dev/null; zcat "$page" | groff -K utf8 -man -Tutf8 -ww -z 2>&1) || echo "rendering failed")
  # awk reads the page whole: grep -m1 would stop early and, under
  # pipefail, end this script on zcat's SIGPIPE for a long page.
  th=$(zcat "$page" | awk '/^\.TH/ && !seen { print; seen = 1 }')
  if [ -z "$warnings" ] && [[ "$th" == *" 1 $date \"Tavrel $version\""* ]]; then
    pass "Japanese manual page $name.1 ($th)"
  else
    fail "Japanese manual page $name.1: $th $warnings"
  fi
done
# Read whole before matching, as the help above: grep -q stopping early
# would fail the pipe on SIGPIPE.
climan=$(man -l "$P/share/man/man1/tavrel-cli.1.gz" 2>/dev/null || true)
grep -q 'replace' <<<"$climan" || fail "tavrel-cli.1 lacks the commands"
grep -q 'tavrel(1)' <<<"$climan" || fail "tavrel-cli.1 does not name tavrel(1)"
head -n1 "$P/share/doc/tavrel/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
  && grep -qx 'License: Expat' "$P/share/doc/tavrel/copyright" && pass "copyright file (Expat)" || fail "copyright file"
zcat "$P/share/doc/tavrel/changelog.gz" | cmp -s - "$repo/CHANGELOG.md" || fail "changelog.gz is not CHANGELOG.md"

# -- The Debian package, built with no locale set --------------------------
rc=0
env -u LANG -u LC_ALL -u LC_CTYPE -u LANGUAGE bash "$repo/scripts/package.sh" "$build" >"$work/package.log" 2>&1 || rc=$?
deb=$(ls "$build"/tavrel_*.deb 2>/dev/null | head -n1)
if [ "$rc" -eq 0 ] && [ -n "$deb" ] && [ "$(dpkg-deb -f "$deb" Version)" = "$version-1" ]; then
  pass "package $(basename "$deb") built with no locale set"
  contents=$(dpkg-deb -c "$deb")
  for f in ./usr/share/doc/tavrel/guide/ja/index.html ./usr/share/doc/tavrel/guide/en/index.html \
           ./usr/share/man/ja/man1/tavrel.1.gz ./usr/share/man/ja/man1/tavrel-cli.1.gz; do
    grep -qF " $f" <<<"$contents" || fail "the package lacks $f"
  done
  # Installed-Size as dpkg counts it: the files' sizes, one KiB per link and
  # folder (the links in /usr/bin are no second copy of the programs).
  mkdir -p "$work/unpacked"
  dpkg-deb -x "$deb" "$work/unpacked"
  counted=$(cd "$work/unpacked" && find . -type f -printf '%s\n' -o ! -name . -printf '1024\n' \
    | awk '{ s += int(($1 + 1023) / 1024) } END { print s }')
  [ "$(dpkg-deb -f "$deb" Installed-Size)" = "$counted" ] && pass "Installed-Size $counted KiB" \
    || fail "Installed-Size $(dpkg-deb -f "$deb" Installed-Size), the files take $counted KiB"
  [ "$(dpkg-deb -f "$deb" Suggests)" = "cups-client, xvfb" ] || fail "Suggests: $(dpkg-deb -f "$deb" Suggests)"
  ar t "$deb" | grep -qx 'data.tar.xz' && pass "compressed with xz" || fail "the data is not xz: $(ar t "$deb" | tr '\n' ' ')"
  # Built again from the same tree: the same bytes.
  cp "$deb" "$work/first.deb"
  if env -u LANG -u LC_ALL bash "$repo/scripts/package.sh" "$build" >>"$work/package.log" 2>&1 && cmp -s "$deb" "$work/first.deb"; then
    pass "a second build gives the same package"
  else
    fail "the package is not reproducible: $(tail -c 1000 "$work/package.log")"
  fi
  if command -v lintian >/dev/null; then
    tags=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true)
    if grep -qE '^E: |hardening' <<<"$tags"; then
      fail "lintian: $tags"
    else
      pass "lintian: no error, no hardening tag${tags:+ ($(printf '%s\n' "$tags" | cut -d' ' -f1,3 | tr '\n' ' '))}"
    fi
  fi
else
  fail "scripts/package.sh with no locale set (exit $rc): $(tail -c 2000 "$work/package.log")"
fi

if [ "$failures" -ne 0 ]; then
  echo "check-install: $failures check(s) failed" >&2
  exit 1
fi
echo "check-install: the installed layout is sound"
