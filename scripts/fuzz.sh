#!/usr/bin/env bash
# Builds the fuzz targets under fuzz/ with clang (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each one for the given number of seconds
# (default 5) on its seed corpus fuzz/corpus/<target>/; what a run discovers is kept in
# build-fuzz/corpus/<target>/ for the next run. Installs clang and its libFuzzer runtime when
# missing. Exits non-zero when a target finds a fault or a property that does not hold; the
# input is then left as build-fuzz/<target>-crash-* (or -leak-, -timeout-, -oom-).
# Usage: scripts/fuzz.sh [seconds [target...]]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-5}
shift || true
build_dir=build-fuzz

runtime_present() {
  command -v clang >/dev/null 2>&1 &&
    [ -f "$(clang --print-runtime-dir 2>/dev/null)/libclang_rt.fuzzer-x86_64.a" ]
}
if ! runtime_present; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "fuzz: clang with its libFuzzer runtime is missing; run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq clang >/dev/null
  # The libFuzzer runtime comes with the clang runtime package of the installed version.
  version=$(clang --version | sed -n 's/.*clang version \([0-9]*\).*/\1/p' | head -n 1)
  apt-get install -y -qq "libclang-rt-${version}-dev" >/dev/null 2>&1 || true
  runtime_present || { echo "fuzz: no libFuzzer runtime for clang ${version}" >&2; exit 1; }
fi

CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DZEM_FUZZ=ON -DZEM_BENCHMARKS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(sed -n '/^set(ZEM_FUZZ_TARGETS/,/)/p' fuzz/CMakeLists.txt |
    sed 's/set(ZEM_FUZZ_TARGETS//; s/)//' | tr ' ' '\n' | sed '/^$/d')
fi
cmake --build "$build_dir" --target "${targets[@]/#/fuzz_}"

failed=()
for target in "${targets[@]}"; do
  found="$build_dir/corpus/$target"
  mkdir -p "$found"
  echo "fuzz: $target for ${seconds}s"
  # Inputs that run long (a template whose codes multiply its lines) are mutated less often than
  # quick ones, so that they do not take the run over; new memory is not filled with a pattern
  # (it only makes the reads of uninitialised bytes, which this build does not check, repeatable).
  if ! ASAN_OPTIONS=detect_leaks=1:max_malloc_fill_size=0 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len=8192 \
    -entropic_scale_per_exec_time=1 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$build_dir/$target-" \
    "$found" "fuzz/corpus/$target" >"$build_dir/fuzz-$target.log" 2>&1; then
    tail -n 30 "$build_dir/fuzz-$target.log" >&2
    failed+=("$target")
  fi
  # Executions and coverage of the run.
  grep -E '^#[0-9]+[[:space:]]+DONE' "$build_dir/fuzz-$target.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: faults found by ${failed[*]} (logs in $build_dir/fuzz-<target>.log)" >&2
  exit 1
fi
