#!/bin/sh
# tamanote-cli import of a pRecord file of 30,000 visits over 8 years, as a whole process:
# the dry run (the preview's work: reading, planning against the stored diaries) and
# import --yes into an empty data folder (the plan again under the lock, the snapshot,
# the appends to 8 diaries, 40 halls, 150 models, the play data). CPU time (user + system)
# and peak RSS from /usr/bin/time -v, best of RUNS runs. Targets: --yes ≤ 1 s CPU and
# ≤ 60 MB peak.
# Usage: bench/import_bench.sh [path/to/tamanote-cli]   (default: build/src/tamanote-cli)
set -eu
cli=${1:-build/src/tamanote-cli}
runs=${RUNS:-5}
rows=${ROWS:-30000}
here=$(dirname "$0")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

csv=$dir/precord.csv
python3 "$here/make_precord_csv.py" "$csv" "$rows" 8
echo "file: $rows rows, $(wc -c <"$csv") bytes"

# Prints "CPU_SECONDS PEAK_KB" of one run of the command.
measure() {
    /usr/bin/time -v -o "$dir/time" "$@" >/dev/null 2>"$dir/err" || {
        cat "$dir/err" >&2
        exit 1
    }
    awk -F': ' '/User time/ { u = $2 } /System time/ { s = $2 } /Maximum resident/ { m = $2 }
                END { printf "%.3f %d\n", u + s, m }' "$dir/time"
}

# Best CPU time and the peak of that run, over the runs; setup runs before each.
best() {
    label=$1
    setup=$2
    shift 2
    b=""
    for _ in $(seq "$runs"); do
        eval "$setup"
        r=$(measure "$@")
        if [ -z "$b" ] || [ "$(echo "$r" | awk -v b="$b" '{ split(b, x, " "); print ($1 < x[1]) }')" = 1 ]; then
            b=$r
        fi
    done
    echo "$b" | awk -v l="$label" '{ printf "%-34s CPU %.3f s   peak %.1f MB\n", l, $1, $2 / 1024 }'
}

fresh() {
    rm -rf "$dir/data"
    mkdir "$dir/data"
}
args="import --user bench --from $csv --category デジパチ"
# shellcheck disable=SC2086 # a list of plain words
best "dry run (preview), empty folder" fresh "$cli" --data "$dir/data" $args
# shellcheck disable=SC2086
best "import --yes, empty folder" fresh "$cli" --data "$dir/data" $args --yes
# shellcheck disable=SC2086
best "dry run, all rows stored already" : "$cli" --data "$dir/data" $args
