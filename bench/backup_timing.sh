#!/bin/sh
# tamanote-cli backup as a whole process on a data folder of 31 full diaries (32766 cards
# each, 235 MB) with nothing changed since the last snapshot.
# Usage: bench/backup_timing.sh [path/to/tamanote-cli]   (default: build/src/tamanote-cli)
set -eu
cli=${1:-build/src/tamanote-cli}
runs=${RUNS:-10}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

python3 - "$dir" <<'PY'
import sys
folder = sys.argv[1]
def f(s, w):
    b = s.encode('cp932')
    return b + b' ' * (w - len(b))
card = (f('20260105月', 10) + b'1000' + b'1800' + f('ＡＢＣ', 20) + b'2' + f('ＣＲ１', 30) + b'0150' + b'0400' +
        b'111' + f('', 160))
assert len(card) == 240
users = b''
for i in range(31):
    users += f('\u3000user%d' % i, 20)
    open('%s/user%d.2026.dat' % (folder, i), 'wb').write(card * 32766)
open(folder + '/namae.dat', 'wb').write(users)
PY

# The first snapshot copies every file; what it records is trusted once the files are
# older than the couple of seconds a file system's timestamps may lag.
"$cli" --data "$dir" backup >/dev/null
sleep 3
"$cli" --data "$dir" backup >/dev/null

if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N --warmup 1 --runs "$runs" "$cli --data $dir backup"
else
    # Each run in milliseconds, then the median.
    times=""
    for _ in $(seq "$runs"); do
        t0=$(date +%s%N)
        "$cli" --data "$dir" backup >/dev/null
        times="$times $(( ($(date +%s%N) - t0) / 1000000 ))"
    done
    echo "tamanote-cli backup, nothing changed (ms):$times"
    echo "median: $(echo "$times" | tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}') ms"
fi
