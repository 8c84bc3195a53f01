#!/bin/sh
# tamanote-cli list --json on a full diary (32766 cards), as a whole process, against
# iconv converting the same file from code page 932 to UTF-8.
# Usage: bench/cli_vs_iconv.sh [path/to/tamanote-cli]   (default: build/src/tamanote-cli)
set -eu
cli=${1:-build/src/tamanote-cli}
runs=${RUNS:-10}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

python3 - "$dir" <<'PY'
import datetime, random, sys
folder = sys.argv[1]
def f(s, w):
    b = s.encode('cp932')
    return b + b' ' * (w - len(b))
stores = ['店舗%d' % i for i in range(40)]
models = ['機種%d' % i for i in range(150)]
files = ['hirapati.dat', 'DEGIpati.dat', 'CRpati.dat', 'KENpati.dat', 'SLOTpati.dat']
open(folder + '/patishop.dat', 'wb').write(b''.join(f(s, 80) for s in stores))
for c, name in enumerate(files):
    open(folder + '/' + name, 'wb').write(b''.join(f(m, 160) for i, m in enumerate(models) if i % 5 == c))
rnd = random.Random(12345)
days = '月火水木金土日'
out = bytearray()
for i in range(32766):
    d = datetime.date(1999, 1, 1) + datetime.timedelta(days=i * 365 // 32766)
    m = rnd.randrange(150)
    s = 9 + rnd.randrange(10)
    out += f(d.strftime('%Y%m%d') + days[d.weekday()], 10) + f('%2d%02d' % (s, rnd.randrange(60)), 4)
    out += f('%2d%02d' % (s + rnd.randrange(5), rnd.randrange(60)), 4) + f(rnd.choice(stores), 20)
    out += str(m % 5 + 1).encode() + f(models[m], 30) + b'%04d' % rnd.randrange(500) + b'%04d' % rnd.randrange(900)
    out += rnd.choice([b'111', b'222', b'333', b'444']) + f('よかった' if i % 3 else '', 160)
open(folder + '/bench.1999.dat', 'wb').write(out)
PY

diary="$dir/bench.1999.dat"
if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N --warmup 2 --runs "$runs" \
        "iconv -f CP932 -t UTF-8 $diary" \
        "$cli --data $dir list --user bench --year 1999 --json"
else
    # Best of several runs, in milliseconds.
    best() {
        b=999999
        for _ in $(seq "$runs"); do
            t0=$(date +%s%N)
            "$@" >/dev/null
            t=$(( ($(date +%s%N) - t0) / 1000000 ))
            [ "$t" -lt "$b" ] && b=$t
        done
        echo "$b"
    }
    i=$(best iconv -f CP932 -t UTF-8 "$diary")
    c=$(best "$cli" --data "$dir" list --user bench --year 1999 --json)
    echo "iconv: ${i} ms   tamanote-cli list --json: ${c} ms   ratio: $(echo "scale=2; $c / $i" | bc)"
fi
