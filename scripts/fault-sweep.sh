#!/usr/bin/env bash
# Tears every write of every writing operation after every possible number of bytes K
# (the fault suite samples K for writes longer than one record), and cuts the power at
# every call, then prints the counts for docs/reliability.md. Needs a built tree.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
TAMA_FAULT_EVERY_K=1 "$build/tests/fault/tst_faultinjection" tornWrites lostWrites 2>&1 |
  grep -E 'QINFO|^FAIL|Totals' | sed 's/^QINFO  : tst_FaultInjection::[a-zA-Z]*([^)]*) //'
