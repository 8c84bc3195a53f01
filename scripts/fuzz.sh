#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# replays every saved crash (fuzz/regressions/<target>/), then fuzzes each target for
# SECONDS (default 60), starting from fuzz/corpus/<target>/. A crash stops the script and
# leaves its input in the build folder: add it to fuzz/regressions/<target>/ once fixed.
# TAMANOTE_FUZZ_RUNS=N runs each target for N executions instead of SECONDS (the deep
# runs: TAMANOTE_FUZZ_RUNS=10000000 TAMANOTE_FUZZ_RSS_MB=4096 scripts/fuzz.sh), and
# TAMANOTE_FUZZ_TARGETS="fuzz_a fuzz_b" picks the targets. TAMANOTE_FUZZ_TIMEOUT=S (default
# 10) is the seconds one input may take: raise it when the fuzzers share the machine at a
# low priority, where a starved process would be reported as a slow input.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${TAMANOTE_FUZZ_BUILD:-build-fuzz}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
targets=(fuzz_record_user fuzz_record_card fuzz_record_store fuzz_record_model
         fuzz_codec fuzz_userlist fuzz_modellist fuzz_foldercheck fuzz_journal
         fuzz_manifest fuzz_merge fuzz_csv)
[ -n "${TAMANOTE_FUZZ_TARGETS:-}" ] && read -r -a targets <<<"$TAMANOTE_FUZZ_TARGETS"
runs=${TAMANOTE_FUZZ_RUNS:-}
rss=${TAMANOTE_FUZZ_RSS_MB:-1024}
if [ -n "$runs" ]; then limit=(-runs="$runs"); else limit=(-max_total_time="$seconds"); fi

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTAMANOTE_FUZZ=ON -DTAMANOTE_BUILD_TESTS=OFF -DTAMANOTE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzz_all -j"$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in "${targets[@]}"; do
  bin="$build/fuzz/$t"
  if [ -d "fuzz/regressions/$t" ] && [ -n "$(ls -A "fuzz/regressions/$t")" ]; then
    "$bin" "fuzz/regressions/$t"/* >/dev/null 2>&1 || { echo "fuzz: $t fails on a saved crash" >&2; "$bin" "fuzz/regressions/$t"/*; exit 1; }
  fi
  work="$build/corpus/$t"
  mkdir -p "$work"
  seeds=()
  [ -d "fuzz/corpus/$t" ] && seeds=("fuzz/corpus/$t")
  # fuzz/<target>.options: libFuzzer flags of the target's own, such as a smaller -max_len.
  own=()
  [ -f "fuzz/$t.options" ] && { read -r -a own <"fuzz/$t.options" || [ ${#own[@]} -gt 0 ]; }
  started=$SECONDS
  if ! "$bin" "${limit[@]}" "${own[@]}" -timeout="${TAMANOTE_FUZZ_TIMEOUT:-10}" -rss_limit_mb="$rss" -print_final_stats=0 \
      -artifact_prefix="$build/$t-" "$work" "${seeds[@]}" >"$build/$t.log" 2>&1; then
    echo "fuzz: $t found a crash; input and log in $build/" >&2
    tail -40 "$build/$t.log" >&2
    exit 1
  fi
  echo "fuzz: $t $(grep -o 'Done [0-9]* runs' "$build/$t.log" || echo ran) in $((SECONDS - started)) s, no crash"
done
