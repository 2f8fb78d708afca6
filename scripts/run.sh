#!/usr/bin/env bash
# Runs the program in this terminal on a fresh copy of the sample installation, so a run never
# changes the checked-in sample. Builds what is missing first.
#   scripts/run.sh [CAT|SPA|GLG|OCI]      the operator's language (Catalan by default)
# The copy lives in build/sample-run/; after the program ends this says where the letters are.
# ZEM_BUILD_DIR names another build folder (the tests run the sanitizer build this way).
set -euo pipefail
cd "$(dirname "$0")/.."

language=${1:-CAT}
case "$language" in
  CAT | SPA | GLG | OCI) ;;
  *)
    echo "usage: $0 [CAT|SPA|GLG|OCI]" >&2
    exit 2
    ;;
esac

build=${ZEM_BUILD_DIR:-build}
if ! log=$(scripts/setup.sh "$build" 2>&1); then
  printf '%s\n' "$log" >&2
  echo "run: the build failed" >&2
  exit 1
fi

root=$(cd "$build" && pwd)/sample-run
rm -rf "$root"
scripts/make_sample.sh "$build" "$root" >/dev/null
# The terminal file holds the session's language.
sed -i "s/^Idioma=.*\r\$/Idioma=$language\r/" "$root/TMP/NeraTerm.ini"

export VAKROOT="$root/" VAKEXE="$root/EXE/" VAKTMP="$root/TMP/"
unset VAKTERM
set +e
"$build/zembralo"
code=$?
set -e

printed=$(ls "$root"/TMP/vakprint.* 2>/dev/null | grep -v '\.tmp$' || true)
if [[ -n "$printed" ]]; then
  echo "The spooler's output of the last run:"
  printf '  %s\n' $printed
else
  echo "No run was printed (the parameter screen was left with Esc)."
fi
exit "$code"
