#!/bin/bash
# The folders of src/ form layers: platform <- core <- windows <- programs.
# A folder includes its own headers and those of folders below it; two
# folders of the same rank never include each other, and tavrel-cli sees
# the core alone. Prints every include that breaks this and fails on any.
set -u
src=${1:-$(dirname "$0")/../src}
declare -A rank=(
  [platform]=0
  [register]=1 [strip]=2 [keylabel]=3 [print]=3 [template]=4
  [windows/common]=10 [windows/strip]=11 [windows/register]=12
  [windows/keylabel]=13 [windows/print]=13 [windows/template]=13 [windows/main]=14
  [app]=20 [cli]=20)
bad=0
for folder in "${!rank[@]}"; do
  for file in "$src/$folder"/*.h "$src/$folder"/*.cpp; do
    [ -f "$file" ] || continue
    while IFS= read -r target; do
      dir=${target%/*}
      [ "$dir" = "$folder" ] && continue
      to=${rank[$dir]-}
      if [ -z "$to" ]; then
        echo "${file#$src/}: includes $target from an unknown folder"; bad=1
      elif [ "$to" -ge "${rank[$folder]}" ] || { [ "$folder" = cli ] && [ "$to" -ge 10 ]; }; then
        echo "${file#$src/}: includes $target"; bad=1
      fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\/[^"]*\)".*/\1/p' "$file")
  done
done
# A folder with sources that the table above does not know.
while IFS= read -r dir; do
  folder=${dir#$src/}
  [ -n "${rank[$folder]-}" ] || { echo "$folder: a source folder outside the layers"; bad=1; }
done < <(find "$src" -name '*.cpp' -printf '%h\n' | sort -u)
[ $bad = 0 ] && echo "layers: every include runs downward"
exit $bad
