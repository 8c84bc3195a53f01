#!/usr/bin/env bash
# Fails when a C or C++ file differs from .clang-format (Debian's clang-format).
# With --fix, formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' '*.h.in' 2>/dev/null || find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' -o -name '*.c')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/tamanote-format.$$; then
  grep -o '^[^:]*:[0-9]*:[0-9]*: error' /tmp/tamanote-format.$$ | cut -d: -f1 | sort -u | sed 's/^/format: differs from .clang-format: /' >&2
  echo "format: run scripts/check-format.sh --fix" >&2
  rm -f /tmp/tamanote-format.$$
  exit 1
fi
rm -f /tmp/tamanote-format.$$
echo "format: every file follows .clang-format"
