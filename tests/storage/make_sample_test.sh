#!/usr/bin/env bash
# Builds a sample root with scripts/make_sample.sh and checks that every data file holds as
# many records as its CSV source has rows, and that the text files arrived in code page 850
# with CR LF line ends.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
vakdata="$build/vakdata"
if [[ ! -x "$vakdata" ]]; then
  cmake --build "$build" --target vakdata >/dev/null
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
bash "$source_dir/scripts/make_sample.sh" "$build" "$root" >"$work/log" 2>&1 || {
  cat "$work/log"
  echo "FAIL: make_sample.sh failed"
  exit 1
}

failures=0
# CSV rows: records, not lines (a quoted value may hold a line end); none of the sample
# values does, so data lines after the header are the rows.
for pair in Textos:textos FinquesV:finquesv DepartaV:departav CobramV:cobramv; do
  name=${pair%%:*}
  csv="$source_dir/sample/data/${pair##*:}.csv"
  [[ -f $csv ]] || continue
  expected=$(($(grep -c . "$csv") - 1))
  actual=$("$vakdata" stat "$root/DADES/$name.dat" | awk '$1 == "records" { print $2 }')
  if [[ "$actual" != "$expected" ]]; then
    echo "FAIL: $name.dat holds ${actual:-no} records, $csv has $expected rows"
    failures=$((failures + 1))
  fi
  [[ -f "$root/ddf/$name.xdf" ]] || { echo "FAIL: ddf/$name.xdf missing"; failures=$((failures + 1)); }
done

# The key layout the program relies on: key 0 of the receipts is 10 bytes and allows
# duplicates; the texts have a second key of group and code.
"$vakdata" stat "$root/DADES/CobramV.dat" | grep -q "key 0: length 10" ||
  { echo "FAIL: receipts key 0"; failures=$((failures + 1)); }
"$vakdata" stat "$root/DADES/Textos.dat" | grep -q "key 1: length 16" ||
  { echo "FAIL: texts key 1"; failures=$((failures + 1)); }

# Converted text: CR LF line ends and no UTF-8 left (an accented letter is one byte).
for file in "$root"/Nera.ini "$root"/TMP/*.ini "$root"/TEXTOS/*.txt "$root"/FORMS/*.QFM \
  "$root"/LOCALE/*.LNG; do
  [[ -f $file ]] || continue
  if grep -q $'[^\r]$' "$file"; then
    echo "FAIL: $file has lines without CR"
    failures=$((failures + 1))
  fi
  if iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1 && LC_ALL=C grep -q $'[\x80-\xff]' "$file"; then
    echo "FAIL: $file is still UTF-8"
    failures=$((failures + 1))
  fi
done

# The help files: one per source, whole 80-byte lines, no line ends (when vakhelp is built).
if [[ -x "$build/vakhelp" ]]; then
  for source in "$source_dir"/sample/AJUDA/*.txt; do
    help="$root/AJUDA/$(basename "$source" .txt).HLP"
    size=$(stat -c %s "$help" 2>/dev/null || echo 0)
    if [[ $size -eq 0 || $((size % 80)) -ne 0 || $(tr -d '\r\n' <"$help" | wc -c) -ne $size ]]; then
      echo "FAIL: $help is not a file of whole 80-byte lines"
      failures=$((failures + 1))
    fi
  done
fi

if [[ $failures -ne 0 ]]; then
  cat "$work/log"
  exit 1
fi
echo "sample root checked"
