#!/usr/bin/env bash
# Sources the bash completion of tamanote-cli and completes lines against a small data
# folder made here, checking COMPREPLY.
# Usage: test-completion.sh PATH/TO/tamanote-cli PATH/TO/tamanote-cli.bash
# shellcheck disable=SC2034 # the lines in w are read through a name reference
set -uo pipefail
cli=$(realpath "$1")
completion=$2
export LC_ALL=C.UTF-8 # names are cut by characters, not bytes
PATH="$(dirname "$cli"):$PATH"
export PATH

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
data=$tmp/data
mkdir -p "$data/backups/20261208-101500-manual" "$data/backups/20261209-080000-daily"

# One fixed-width field: the text in code page 932, padded with spaces.
field() {
    local bytes
    bytes=$(printf '%s' "$1" | iconv -f UTF-8 -t CP932 | wc -c)
    printf '%s' "$1" | iconv -f UTF-8 -t CP932
    printf "%$(($2 - bytes))s" ''
}
# namae.dat: a 2-byte mark and an 18-byte name.
{
    field '　' 2; field 'Taro Y' 18
    field '自' 2; field '山田' 18
    field '　' 2; field 'Hanako Suzuki' 18
} >"$data/namae.dat"
# patishop.dat: a 20-byte name and 60 reserved bytes.
{
    field 'ＡＢＣホール' 20; field '' 60
    field '大当り' 20; field '' 60
} >"$data/patishop.dat"
# DEGIpati.dat: a 30-byte model name and 130 bytes of details.
{ field '海物語' 30; field '' 130; } >"$data/DEGIpati.dat"
# Diaries only need to exist; the long name's diary holds its first nine characters.
: >"$data/Taro Y.2025.dat"
: >"$data/Taro Y.2026.dat"
: >"$data/山田.2024.dat"
: >"$data/Hanako Su.2023.dat"
cp "$data/namae.dat" "$data/backups/20261208-101500-manual/namae.dat"
cp "$data/patishop.dat" "$data/backups/20261208-101500-manual/patishop.dat"
echo '{}' >"$data/backups/20261208-101500-manual/manifest.json"

# The fixture must read back as intended, or every check below means nothing.
users=$("$cli" --data "$data" users) || { echo "FAIL: tamanote-cli users on the fixture"; exit 1; }
expected_users=$'1\t\tTaro Y\n2\t自\t山田\t(起動時に開く)\n3\t\tHanako Suzuki'
[ "$users" = "$expected_users" ] || { printf 'FAIL: fixture users:\n%s\n' "$users"; exit 1; }
stores=$("$cli" --data "$data" stores) || { echo "FAIL: tamanote-cli stores on the fixture"; exit 1; }
[ "$stores" = $'ＡＢＣホール\n大当り' ] || { printf 'FAIL: fixture stores:\n%s\n' "$stores"; exit 1; }

# shellcheck source=/dev/null
source "$completion"

failures=0
checks=0
sort=$(command -v sort) # a check below runs without PATH
# check "WORD WORD ... CUR" EXPECTED...: completes the last word of the line (words split
# as bash splits them, given as an array) and compares the sorted replies.
check() {
    local -n words=$1
    shift
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMP_LINE="${words[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _tamanote_cli tamanote-cli "${words[-1]}" "${words[-2]:-}"
    local got want
    got=$(printf '%s\n' "${COMPREPLY[@]}" | "$sort")
    want=$(printf '%s\n' "$@" | "$sort")
    [ ${#COMPREPLY[@]} -eq 0 ] && got=""
    [ $# -eq 0 ] && want=""
    checks=$((checks + 1))
    if [ "$got" != "$want" ]; then
        failures=$((failures + 1))
        printf 'FAIL: %s\n  want: %s\n  got:  %s\n' "${words[*]}" "${want//$'\n'/ | }" "${got//$'\n'/ | }"
    fi
}

all_commands=(users cards stores models model-list check organise list report graph stats calendar backups backup restore merge play halls-terms model-specs chodama limits import)
w=(tamanote-cli ''); check w "${all_commands[@]}"
w=(tamanote-cli ca); check w cards calendar
w=(tamanote-cli --data "$data" back); check w backups backup
w=(tamanote-cli --); check w --data --help --version
w=(tamanote-cli --data "$data" cards --); check w --user --year --json --csv --encoding --layout
w=(tamanote-cli --data "$data" cards --json --); check w --user --year --csv --encoding --layout
w=(tamanote-cli --data "$data" cards --csv --layout ''); check w precord pshare
w=(tamanote-cli --data "$data" import ''); check w --user --from --format --map --category --start --json --yes
w=(tamanote-cli --data "$data" import --user 山田 --format ''); check w precord pshare columns
w=(tamanote-cli --data "$data" import --format p); check w precord pshare
w=(tamanote-cli --data "$data" import --start ''); check w
w=(tamanote-cli --data "$data" import --category 一); check w 一般電役
w=(tamanote-cli --data "$data" merge ''); check w --user --year --from --yes
w=(tamanote-cli --data "$data" backup ''); check w
w=(tamanote-cli --data "$data" check --fix-names ''); check w --json --yes
w=(tamanote-cli --data "$data" play --card 3 --); check w --user --year --spins --own-balls --hits --machine --chodama-used --chodama-deposited --clear --yes
w=(tamanote-cli --data "$data" halls-terms ''); check w set
w=(tamanote-cli --data "$data" halls-terms --); check w --json
w=(tamanote-cli --data "$data" halls-terms set --store 大 --); check w --from --lend --exchange --fee --yes
w=(tamanote-cli --data "$data" model-specs set --category 羽物 --); check w --model --prob --payout --border --yes
w=(tamanote-cli --data "$data" model-specs set --model ''); check w 海物語
w=(tamanote-cli --data "$data" play --spins ''); check w
w=(tamanote-cli --data "$data" chodama ''); check w add remove
w=(tamanote-cli --data "$data" chodama --); check w --user --store --json
w=(tamanote-cli --data "$data" chodama add --store 大 --); check w --user --kind --balls --date --note --dry-run
w=(tamanote-cli --data "$data" chodama add --kind ''); check w deposit replay settle adjust
w=(tamanote-cli --data "$data" chodama remove --); check w --uid --user --dry-run
w=(tamanote-cli --data "$data" chodama add --store ''); check w ＡＢＣホール 大当り
w=(tamanote-cli --data "$data" limits --); check w --user --json
w=(tamanote-cli --data "$data" limits set --user 山田 --); check w --kind --value --dry-run
w=(tamanote-cli --data "$data" limits set --kind ''); check w investment visits hours

# Users, escaped for the shell, or as they are inside an opened quote.
w=(tamanote-cli --data "$data" cards --user ''); check w 'Taro\ Y' '山田' 'Hanako\ Suzuki'
w=(tamanote-cli --data "$data" cards --user Ta); check w 'Taro\ Y'
w=(tamanote-cli --data "$data" cards --user "'Ta"); check w 'Taro Y'
w=(tamanote-cli --data "$data" cards --user 山); check w 山田
w=(tamanote-cli --data "$data" cards --user '=' ''); check w 'Taro\ Y' '山田' 'Hanako\ Suzuki'
w=(tamanote-cli --data "$data" cards --user=Ha); check w 'Hanako\ Suzuki'

# Years of the user on the line, of every diary without one.
w=(tamanote-cli --data "$data" cards --user 'Taro\ Y' --year ''); check w 2025 2026
w=(tamanote-cli --data "$data" cards --user "'Taro Y'" --year 2026); check w 2026
w=(tamanote-cli --data "$data" report --year ''); check w 2023 2024 2025 2026
w=(tamanote-cli --data "$data" list --user 山田 --year ''); check w 2024
w=(tamanote-cli --data "$data" list --user 'Hanako\ Suzuki' --year ''); check w 2023
w=(tamanote-cli --data "$data" stats --user 'Taro\ Y' --from ''); check w 2025 2026
w=(tamanote-cli --data "$data" stats --user 'Taro\ Y' --from 2025 --to ''); check w 2025 2026

# --data=DIR as bash splits it, and a data folder given after the command.
w=(tamanote-cli --data '=' "$data" users --); check w --json
w=(tamanote-cli users --data "$data" --json --user ''); check w 'Taro\ Y' '山田' 'Hanako\ Suzuki'

# Halls, models and fixed values.
w=(tamanote-cli --data "$data" model-list --store ''); check w ＡＢＣホール 大当り
w=(tamanote-cli --data "$data" list --store 大 --store ''); check w ＡＢＣホール 大当り
w=(tamanote-cli --data "$data" list --model ''); check w 海物語
w=(tamanote-cli --data "$data" models --category ''); check w 羽物 デジパチ 権利物 一般電役 ＣＲデジパチ
w=(tamanote-cli --data "$data" cards --encoding ''); check w utf-8 cp932
w=(tamanote-cli --data "$data" list --sort date --sort c); check w cashout
w=(tamanote-cli --data "$data" list --user x --sort date --); check w --year --store --model --all --sort --json --csv
w=(tamanote-cli --data "$data" graph --style ''); check w line bar
w=(tamanote-cli --data "$data" graph --series 'profit,'); check w profit,cashout profit,investment
w=(tamanote-cli --data "$data" graph --series c); check w cashout
w=(tamanote-cli --data "$data" stats --by ''); check w hall model category daytype weekday hour month year
w=(tamanote-cli --data "$data" stats --by h); check w hall hour
w=(tamanote-cli --data "$data" calendar --month 1); check w 1 10 11 12

# Snapshots for restore, and the files of the one named.
w=(tamanote-cli --data "$data" restore ''); check w 20261208-101500-manual 20261209-080000-daily
w=(tamanote-cli --data "$data" restore 20261208-101500-manual ''); check w --file --yes
w=(tamanote-cli --data "$data" restore 20261208-101500-manual --file ''); check w namae.dat patishop.dat

# merge --from is a file, stats --from a year; import's --from and --map are files.
w=(tamanote-cli --data "$data" merge --from "$data/Taro"); check w "$data/Taro Y.2025.dat" "$data/Taro Y.2026.dat"
w=(tamanote-cli --data "$data" import --from "$data/Taro"); check w "$data/Taro Y.2025.dat" "$data/Taro Y.2026.dat"
w=(tamanote-cli --data "$data" import --map "$data/pati"); check w "$data/patishop.dat"

# Without --data: the default folder, never created by completing.
home=$tmp/home
mkdir -p "$home"
w=(tamanote-cli cards --user '')
HOME=$home XDG_DATA_HOME='' check w
[ -e "$home/.local/share/tamanote" ] && { echo "FAIL: completing created the default data folder"; failures=$((failures + 1)); }
mkdir -p "$tmp/xdg"
ln -s "$data" "$tmp/xdg/tamanote"
XDG_DATA_HOME=$tmp/xdg check w 'Taro\ Y' '山田' 'Hanako\ Suzuki'

# The program of the line when it is given as a path: nothing on PATH then.
w=("$cli" --data "$data" stores --store '')
PATH=/nonexistent check w ＡＢＣホール 大当り

echo "completion: $checks checks, $failures failed"
[ "$failures" -eq 0 ]
