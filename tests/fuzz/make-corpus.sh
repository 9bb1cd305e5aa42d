#!/usr/bin/env bash
# Writes the seed corpora of the fuzz harnesses into tests/fuzz/corpus/ from
# a built tavrel-cli (default build/tavrel-cli) and the templates: the sample
# register, a register per template, the sample in the older layout, key
# label files of every series, settings files, pictures, command lines and CSVs.
# Damaged registers (damaged-*.TAV) come from the malformed-input test:
#   TAVREL_MALFORMED_CORPUS=tests/fuzz/corpus/register build/test_malformed registers
set -euo pipefail
cd "$(dirname "$0")/../.."
CLI=${1:-build/tavrel-cli}
OUT=tests/fuzz/corpus
mkdir -p $OUT/register $OUT/template $OUT/keylabel $OUT/settings $OUT/picture $OUT/cli $OUT/csv
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

cp samples/sample-office.TAV $OUT/register/sample-office.TAV
i=0
for tpl in templates/*.tpl; do
  type=$(basename "$tpl" .tpl)
  cp "$tpl" "$OUT/template/t$i.tpl"
  for s in 0 1 2 3 4 5 6 7; do
    if "$CLI" new "$OUT/register/t$i.TAV" --series $s --type "$type" --ext 20$i --dept 総務部 --user 山田 >/dev/null 2>&1; then
      break
    fi
  done
  i=$((i + 1))
done
for s in 0 1 2 3 4 5 6 7; do
  rm -f "$tmp"/TAVKey*.ini
  "$CLI" keylabels --series $s --write-defaults --settings-dir "$tmp" >/dev/null
  { printf "\\x0$s"; cat "$tmp"/TAVKey*.ini; } >"$OUT/keylabel/series$s.bin"
done
printf '[Main]\r\nLeft=10\r\nTop=20\r\nWidth=800\r\n\r\n[Folder]\r\nRegister=/home/user/示名条\r\n' |
  iconv -f UTF-8 -t CP932 >$OUT/settings/main.ini
printf '\xEF\xBB\xBF[main]\r\n left = "5" \r\n[Print]\r\nAdjustV=-1.5\r\n[Main]\r\nTop=7\r\n' >$OUT/settings/bom-quoted.ini
convert -size 5x3 xc:red BMP3:"$tmp/p.bmp"
convert -size 5x3 xc:blue "$tmp/p.jpg"
{ printf '.bmp\n'; cat "$tmp/p.bmp"; } >$OUT/picture/bmp.bin
{ printf '.jpg\n'; cat "$tmp/p.jpg"; } >$OUT/picture/jpeg.bin
{ printf '.JPEG\n'; base64 -w0 "$tmp/p.jpg"; } >$OUT/picture/jpeg-base64.bin
printf 'list\nr.TAV' >$OUT/cli/list
printf 'check\nr.TAV' >$OUT/cli/check
printf 'convert\nr.TAV\nout.TAV' >$OUT/cli/convert
printf 'new\nn.TAV\n--series\n3\n--type\nｕＬ－６ボタン電話機\n--ext\n300' >$OUT/cli/new
printf 'new\nr.TAV\n--series\n3\n--type\nｕＬ－６ボタン電話機\n--ext\n301\n--copy-from\n1' >$OUT/cli/new-copy
printf 'render\nr.TAV\n--entry\n1\n--view\noverview\n-o\nr.png' >$OUT/cli/render
printf 'text\nr.TAV\n--entry\n1\n--cell\n0\n内線\n201' >$OUT/cli/text
printf 'format\nr.TAV\n--entries\nall\n--cells\n0-2\n--size\n12\n--bold\n1\n--align\n3\n--color\n255' >$OUT/cli/format
printf 'picture\nr.TAV\n--entry\n2\n--cell\n1\n--attach\np.bmp' >$OUT/cli/picture
printf 'print\nr.TAV\n-o\nout.pdf\n--entries\n2\n--adjust-v\n1.5' >$OUT/cli/print
printf 'find\nr.TAV\n総務' >$OUT/cli/find
printf 'replace\nr.TAV\n総務部\n経理部\n--entries\n1-2' >$OUT/cli/replace
printf 'keylabels\n--series\n3\n--write-defaults\n--settings-dir\nsettings' >$OUT/cli/keylabels
printf 'templates\n--series\n7' >$OUT/cli/templates
# CSVs: the sample's export in both encodings, plain rows with copies, a
# header row in another order with faulty rows, a short one with an open
# quote, and UTF-16.
"$CLI" export samples/sample-office.TAV -o $OUT/csv/sample-cp932.csv --encoding cp932 --force >/dev/null
"$CLI" export samples/sample-office.TAV -o $OUT/csv/sample-utf8.csv --encoding utf8 --force >/dev/null
printf '501,総務部,山田 太郎,0,Ｋ－１２ボタン電話機\r\n502,"経理部, 第一課",佐藤,3,ｕＬ－６ボタン電話機\r\n503,営業部,鈴木,1,,201\r\n504,営業部,高橋,ｕＬシリーズ主装置,,502\r\n' |
  iconv -f UTF-8 -t CP932 >$OUT/csv/plain-copies.csv
printf 'ext,name,dept,series,type,date,copy\n601,"田中 ""一""",総務,3,ｕＬ－６ボタン電話機,2024/05/06 07:08,\n602,"複数\n行",x,3,ｕＬ－６ボタン電話機,,\n603, 前後空白 ,x,9,ｕＬ－６ボタン電話機,2024/13/01 00:00,\n601,重複,x,3,ｕＬ－６ボタン電話機,,\n604,x,x,3,無いタイプ,,999\n"605,x\n' >$OUT/csv/header-english.csv
printf '内線番号,部署\r\n701,総務部\r\n\r\n702,"未閉' >$OUT/csv/header-short.csv
printf '番号,内線,タイプ,シリーズ,氏名\r\n1,801,ｕＬ－６ボタン電話機,3,山田\r\n2,802,ｕＬ－６ボタン電話機,3,\x01制御\r\n' |
  iconv -f UTF-8 -t UTF-16 >$OUT/csv/utf16.csv
du -sh $OUT
