#!/bin/sh
# tamanote-cli stats --by model (or BY=month, …) over 30 full diaries (30 years of 32766 cards), as a
# whole process, against iconv converting the same 30 files from code page 932 to
# UTF-8; then the peak memory of the same command. With FILL=path/to/fill_playdata, every
# card first gets play data in tamanote.db (hall terms and 機種スペック too), so that the
# statistics also work out each card's figures.
# Usage: [FILL=build/bench/fill_playdata] [BY=month] bench/stats_vs_iconv.sh [path/to/tamanote-cli]
#        (default: build/src/tamanote-cli)
set -eu
cli=${1:-build/src/tamanote-cli}
fill=${FILL:-}
runs=${RUNS:-5}
by=${BY:-model}
dir=${BENCH_DIR:-$(mktemp -d)}
[ -n "${BENCH_DIR:-}" ] || trap 'rm -rf "$dir"' EXIT

if [ ! -f "$dir/bench.2020.dat" ]; then
python3 - "$dir" <<'PY'
import datetime, random, sys
folder = sys.argv[1]
def f(s, w):
    b = s.encode('cp932')
    return b + b' ' * (w - len(b))
stores = [f('店舗%d' % i, 20) for i in range(40)]
models = [f('機種%d' % i, 30) for i in range(150)]
days = '月火水木金土日'
rnd = random.Random(12345)
for year in range(1991, 2021):
    out = bytearray()
    start = datetime.date(year, 1, 1)
    for i in range(32766):
        d = start + datetime.timedelta(days=i * 365 // 32766)
        m = rnd.randrange(150)
        s = 9 + rnd.randrange(10)
        out += f(d.strftime('%Y%m%d') + days[d.weekday()], 10) + b'%2d%02d' % (s, rnd.randrange(60))
        out += b'%2d%02d' % (s + rnd.randrange(5), rnd.randrange(60)) + rnd.choice(stores)
        out += str(m % 5 + 1).encode() + models[m] + b'%04d' % rnd.randrange(500) + b'%04d' % rnd.randrange(900)
        out += rnd.choice([b'111', b'222', b'333', b'444']) + f('よかった' if i % 3 else '', 160)
    open('%s/bench.%d.dat' % (folder, year), 'wb').write(out)
PY
fi

if [ -n "$fill" ] && [ ! -f "$dir/tamanote.db" ]; then
    "$fill" "$dir" >/dev/null
fi

files=$(ls "$dir"/bench.*.dat)
if command -v hyperfine >/dev/null 2>&1; then
    hyperfine -N --warmup 1 --runs "$runs" \
        "iconv -f CP932 -t UTF-8 $(echo $files)" \
        "$cli --data $dir stats --user bench --from 1991 --to 2020 --by $by --json"
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
    # shellcheck disable=SC2086
    i=$(best iconv -f CP932 -t UTF-8 $files)
    c=$(best "$cli" --data "$dir" stats --user bench --from 1991 --to 2020 --by $by --json)
    echo "iconv (30 files): ${i} ms   tamanote-cli stats --by $by: ${c} ms   ratio: $(echo "scale=2; $c / $i" | bc)"
fi
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "peak resident: %M KB" "$cli" --data "$dir" stats --user bench --from 1991 --to 2020 \
        --by $by --json >/dev/null
fi
