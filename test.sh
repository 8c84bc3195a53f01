#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in the normal build and
# once under AddressSanitizer + UndefinedBehaviorSanitizer, then fuzzes every reader for
# a few seconds (skip both with --quick).
set -euo pipefail
cd "$(dirname "$0")"

quick=0
[ "${1:-}" = "--quick" ] && quick=1

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

jobs=$(nproc 2>/dev/null || echo 2)

cmake --preset default >/dev/null
cmake --build --preset default -j"$jobs"
ctest --preset default -j"$jobs"

if [ "$quick" -eq 0 ]; then
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j"$jobs"
  ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --preset asan -j"$jobs"
  scripts/fuzz.sh "${TAMANOTE_FUZZ_SECONDS:-10}"
fi
