#!/usr/bin/env bash
# Installs what is missing, checks that every source follows .clang-format, builds, and
# runs every test: once in the normal build and once under AddressSanitizer +
# UndefinedBehaviorSanitizer, then fuzzes every reader for a few seconds (skip both with
# --quick).
set -euo pipefail
cd "$(dirname "$0")"

quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

jobs=$(nproc 2>/dev/null || echo 2)
phase() { echo "== $1 ($((SECONDS / 60)) min $((SECONDS % 60)) s so far)"; }

phase "format"
scripts/check-format.sh
phase "build"
cmake --preset default >/dev/null
cmake --build --preset default -j"$jobs"
phase "tests"
ctest --preset default -j"$jobs"

if [ "$quick" -eq 0 ]; then
  phase "sanitizer build"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j"$jobs"
  phase "tests under the sanitizers"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --preset asan -j"$jobs"
  phase "fuzzing"
  scripts/fuzz.sh "${TAMANOTE_FUZZ_SECONDS:-5}"
fi
phase "done"

