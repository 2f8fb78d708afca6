#!/usr/bin/env bash
# Builds the program and runs every test twice: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer; then runs every fuzz target for a few
# seconds on its seed corpus. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
scripts/setup.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

scripts/setup.sh build-asan -DZEM_SANITIZE=ON -DZEM_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=Debug
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

# Every fuzz target for a few seconds (about a minute in all).
scripts/fuzz.sh 4
