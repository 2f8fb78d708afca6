#!/usr/bin/env bash
# Makes a sample installation root from the readable sources under sample/:
#   scripts/make_sample.sh <build-dir> <dest-root>
# <build-dir> must hold an already built vakdata (and vakprint, which is copied when present,
# and vakhelp, which builds the help files when present).
# The root gets DADES\*.dat (created from the dictionaries and filled from the CSV files),
# ddf\*.xdf, Nera.ini, TMP\Sessio.ini and TMP\NeraTerm.ini, TEXTOS\*.txt, FORMS\*.QFM and
# LOCALE\*.LNG (code page 850 with CR LF), AJUDA\*.HLP (built from AJUDA/*.txt) and
# EXE\VAKPRINT.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 <build-dir> <dest-root>" >&2
  exit 1
fi
build=$(cd "$1" && pwd)
root=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
sample="$source_dir/sample"
vakdata="$build/vakdata"
if [[ ! -x "$vakdata" ]]; then
  echo "$0: $vakdata is not built" >&2
  exit 1
fi

mkdir -p "$root"/{DADES,ddf,TEXTOS,FORMS,LOCALE,AJUDA,EXE,TMP}
root=$(cd "$root" && pwd)

# UTF-8 text to code page 850 with CR LF line ends.
to_suite_text() {
  iconv -f UTF-8 -t CP850 "$1" | sed 's/\r*$/\r/' >"$2"
}

# name on disk : lower-case name of the sources
for pair in Textos:textos FinquesV:finquesv DepartaV:departav CobramV:cobramv; do
  name=${pair%%:*}
  source=${pair##*:}
  "$vakdata" dict "$sample/data/$source.keys" "$root/ddf/$name.xdf" >/dev/null
  rm -f "$root/DADES/$name.dat"
  "$vakdata" create "$root/DADES/$name.dat" "$root/ddf/$name.xdf" >/dev/null
  if [[ -f "$sample/data/$source.csv" ]]; then
    if ! "$vakdata" import "$root/DADES/$name.dat" "$sample/data/$source.layout" \
      "$sample/data/$source.csv"; then
      # The texts are optional for a run: their file stays empty, with the reason shown above.
      [[ $name == Textos ]] || exit 2
      echo "$0: DADES/$name.dat left empty" >&2
    fi
  fi
done

[[ -f "$sample/config/Nera.ini" ]] && to_suite_text "$sample/config/Nera.ini" "$root/Nera.ini"
for file in Sessio.ini NeraTerm.ini; do
  [[ -f "$sample/config/$file" ]] && to_suite_text "$sample/config/$file" "$root/TMP/$file"
done
shopt -s nullglob
for text in "$sample"/TEXTOS/*.txt "$sample"/FORMS/*.QFM "$sample"/LOCALE/*.LNG; do
  dir=$(basename "$(dirname "$text")")
  to_suite_text "$text" "$root/$dir/$(basename "$text")"
done
# Help sources to fixed-length help files: AJUDA/<topic>.txt gives AJUDA\<topic>.HLP.
if [[ -x "$build/vakhelp" ]]; then
  for help in "$sample"/AJUDA/*.txt; do
    "$build/vakhelp" "$help" "$root/AJUDA/$(basename "$help" .txt).HLP"
  done
else
  echo "$0: $build/vakhelp is not built; AJUDA left empty" >&2
fi
if [[ -x "$build/vakprint" ]]; then
  cp "$build/vakprint" "$root/EXE/VAKPRINT"
fi
echo "sample installation in $root"
echo "run with VAKROOT=$root/ VAKEXE=$root/EXE/ VAKTMP=$root/TMP/"
