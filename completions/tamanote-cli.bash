# bash completion for tamanote-cli                                    -*- shell-script -*-
#
# Completes the commands, each command's options and their values: user names, halls and
# models as tamanote-cli itself lists them, years from the diary file names, snapshot
# names from the backups folder. The data folder is the one given with --data on the
# line, otherwise the default one. Self-contained: it needs nothing from the
# bash-completion package, so it can also be sourced on its own.

_tamanote_cli_commands="users cards stores models model-list check organise list report graph stats calendar backups backup restore merge play halls-terms model-specs chodama limits import"

# Options that take a value; every other option is a flag.
_tamanote_cli_value_options=" --data --user --year --encoding --category --store --model --sort --value --style --series --today --png --from --to --by --month --file --card --spins --own-balls --hits --machine --lend --exchange --fee --prob --payout --border --chodama-used --chodama-deposited --kind --balls --date --note --uid --layout --format --map --start "
# Options that may be given more than once (by list).
_tamanote_cli_repeatable=" --store --model --sort "

_tamanote_cli_options_of() {
    case $1 in
        users | stores | backups) echo "--json" ;;
        check) echo "--json --fix-names --yes" ;;
        cards) echo "--user --year --json --csv --encoding --layout" ;;
        models) echo "--category --json" ;;
        model-list) echo "--store --json" ;;
        organise) echo "--user --year --yes" ;;
        list) echo "--user --year --store --model --all --sort --json --csv" ;;
        report) echo "--user --year --json" ;;
        graph) echo "--user --year --value --style --series --today --json --png" ;;
        stats) echo "--user --year --from --to --by --include-marked --json --csv" ;;
        calendar) echo "--user --year --month --include-marked --json --png" ;;
        backup) echo "" ;;
        restore) echo "--file --yes" ;;
        merge) echo "--user --year --from --yes" ;;
        play) echo "--user --year --card --spins --own-balls --hits --machine --chodama-used --chodama-deposited --clear --yes" ;;
        halls-terms)
            if [[ $2 == set ]]; then echo "--store --from --lend --exchange --fee --yes"; else echo "--json"; fi
            ;;
        model-specs)
            if [[ $2 == set ]]; then echo "--category --model --prob --payout --border --yes"; else echo "--json"; fi
            ;;
        chodama)
            case $2 in
                add) echo "--user --store --kind --balls --date --note --dry-run" ;;
                remove) echo "--uid --user --dry-run" ;;
                *) echo "--user --store --json" ;;
            esac
            ;;
        limits)
            if [[ $2 == set ]]; then echo "--user --kind --value --dry-run"; else echo "--user --json"; fi
            ;;
        import) echo "--user --from --format --map --category --start --json --yes" ;;
    esac
}

# A word as typed, without its quotes or backslashes, and with ~/ expanded: enough for
# the names and folders completed here, and it never runs anything from the line.
_tamanote_cli_dequote() {
    local w=$1
    case $w in
        \'*) w=${w#\'} w=${w%\'} ;;
        \"*) w=${w#\"} w=${w%\"} ;;
        *) w=${w//\\/} ;;
    esac
    # shellcheck disable=SC2088 # a literal ~/ typed on the line
    [[ $w == "~/"* ]] && w=$HOME/${w#\~/}
    printf '%s' "$w"
}

# Trims half- and full-width spaces at both ends, as the program does with names.
_tamanote_cli_trim() {
    local s=$1
    while [[ $s == [\ 　]* ]]; do s=${s#?}; done
    while [[ $s == *[\ 　] ]]; do s=${s%?}; done
    printf '%s' "$s"
}

# Adds the candidates that start with the word typed so far to COMPREPLY, escaped for the
# shell (or as they are inside an opened quote, which readline closes).
_tamanote_cli_add() {
    local cur=$1 raw c
    shift
    raw=$(_tamanote_cli_dequote "$cur")
    for c in "$@"; do
        [[ -n $c && $c == "$raw"* ]] || continue
        if [[ $cur == [\'\"]* ]]; then
            COMPREPLY+=("$c")
        else
            COMPREPLY+=("$(printf '%q' "$c")")
        fi
    done
}

# Runs tamanote-cli on the data folder of the line; prints nothing when the folder is
# missing, so that completing never creates the default folder.
_tamanote_cli_run() {
    [[ -n $_tamanote_cli_dir && -d $_tamanote_cli_dir ]] || return 0
    "$_tamanote_cli_prog" --data "$_tamanote_cli_dir" "$@" 2>/dev/null
}

_tamanote_cli_years() {
    local user=$1 part f y
    local -A seen=()
    [[ -d $_tamanote_cli_dir ]] || return 0
    if [[ -n $user ]]; then
        # A diary's name holds the first nine characters of the user name, trimmed.
        part=$(_tamanote_cli_trim "${user:0:9}")
        for f in "$_tamanote_cli_dir/$part".[0-9][0-9][0-9][0-9].dat; do
            [[ -f $f ]] || continue
            y=${f%.dat}
            seen[${y##*.}]=1
        done
    else
        for f in "$_tamanote_cli_dir"/*.[0-9][0-9][0-9][0-9].dat; do
            [[ -f $f ]] || continue
            y=${f%.dat}
            seen[${y##*.}]=1
        done
    fi
    printf '%s\n' "${!seen[@]}" | sort
}

_tamanote_cli() {
    local cword=$COMP_CWORD
    local cur=${COMP_WORDS[cword]} prev=""
    ((cword > 0)) && prev=${COMP_WORDS[cword - 1]}
    COMPREPLY=()

    # --name=value: bash splits it at "=" (COMP_WORDBREAKS).
    if [[ $cur == "=" && $prev == --* ]]; then
        cur=""
    elif [[ $prev == "=" ]] && ((cword > 1)) && [[ ${COMP_WORDS[cword - 2]} == --* ]]; then
        prev=${COMP_WORDS[cword - 2]}
    elif [[ $cur == --*=* ]]; then
        prev=${cur%%=*}
        cur=${cur#*=}
    fi

    # The program of the line when it is given as a path, otherwise the one on PATH.
    _tamanote_cli_prog=tamanote-cli
    local first
    first=$(_tamanote_cli_dequote "${COMP_WORDS[0]}")
    [[ $first == */* && -x $first ]] && _tamanote_cli_prog=$first

    # What the line holds before the word being completed.
    local command="" user="" snapshot="" sub="" data="" i w name value
    local -a given=()
    for ((i = 1; i < cword; i++)); do
        w=${COMP_WORDS[i]}
        if [[ $w == --* ]]; then
            name=${w%%=*}
            given+=("$name")
            [[ $_tamanote_cli_value_options == *" $name "* ]] || continue
            if [[ $w == *=* ]]; then
                value=${w#*=}
            elif [[ ${COMP_WORDS[i + 1]} == "=" ]] && ((i + 2 < cword)); then
                value=${COMP_WORDS[i + 2]}
                i=$((i + 2))
            elif ((i + 1 < cword)); then
                value=${COMP_WORDS[i + 1]}
                i=$((i + 1))
            else
                continue
            fi
            case $name in
                --data) data=$(_tamanote_cli_dequote "$value") ;;
                --user) user=$(_tamanote_cli_dequote "$value") ;;
            esac
        elif [[ -z $command ]]; then
            command=$w
        elif [[ $command == restore && -z $snapshot ]]; then
            snapshot=$(_tamanote_cli_dequote "$w")
        elif [[ $command == halls-terms || $command == model-specs || $command == chodama || $command == limits ]] && [[ -z $sub ]]; then
            sub=$w
        fi
    done

    if [[ -n $data ]]; then
        _tamanote_cli_dir=$data
    else
        _tamanote_cli_dir=${XDG_DATA_HOME:-$HOME/.local/share}/tamanote
    fi

    local -a items=()
    local line
    case $prev in
        --data)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return 0
            ;;
        --png | --map)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return 0
            ;;
        --user)
            # Number, mark (often empty) and name, tab-separated.
            while IFS= read -r line; do
                name=${line#*$'\t'}
                name=${name#*$'\t'}
                items+=("${name%%$'\t'*}")
            done < <(_tamanote_cli_run users)
            _tamanote_cli_add "$cur" "${items[@]}"
            return 0
            ;;
        --year | --to)
            mapfile -t items < <(_tamanote_cli_years "$user")
            _tamanote_cli_add "$cur" "${items[@]}"
            return 0
            ;;
        --from)
            if [[ $command == merge || $command == import ]]; then
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            elif [[ $command == halls-terms ]]; then
                _tamanote_cli_add "$cur" "$(date +%F)" # the first day of the terms
            else
                mapfile -t items < <(_tamanote_cli_years "$user")
                _tamanote_cli_add "$cur" "${items[@]}"
            fi
            return 0
            ;;
        --store)
            mapfile -t items < <(_tamanote_cli_run stores)
            _tamanote_cli_add "$cur" "${items[@]}"
            return 0
            ;;
        --model)
            for name in 羽物 デジパチ 権利物 一般電役 ＣＲデジパチ; do
                while IFS= read -r line; do
                    items+=("$line")
                done < <(_tamanote_cli_run models --category "$name")
            done
            _tamanote_cli_add "$cur" "${items[@]}"
            return 0
            ;;
        --category)
            _tamanote_cli_add "$cur" 羽物 デジパチ 権利物 一般電役 ＣＲデジパチ
            return 0
            ;;
        --encoding)
            _tamanote_cli_add "$cur" utf-8 cp932
            return 0
            ;;
        --sort)
            _tamanote_cli_add "$cur" no date store model investment cashout profit
            return 0
            ;;
        --layout)
            _tamanote_cli_add "$cur" precord pshare
            return 0
            ;;
        --format)
            _tamanote_cli_add "$cur" precord pshare columns
            return 0
            ;;
        --style)
            _tamanote_cli_add "$cur" line bar
            return 0
            ;;
        --series)
            # A comma-separated list: the last item is completed after what is typed.
            local done_part="" last=$cur
            if [[ $cur == *,* ]]; then
                done_part=${cur%,*},
                last=${cur##*,}
            fi
            for name in profit cashout investment; do
                [[ ,$done_part == *",$name,"* ]] && continue
                [[ $name == "$last"* ]] && COMPREPLY+=("$done_part$name")
            done
            return 0
            ;;
        --by)
            _tamanote_cli_add "$cur" hall model category daytype weekday hour month year
            return 0
            ;;
        --month)
            _tamanote_cli_add "$cur" 1 2 3 4 5 6 7 8 9 10 11 12
            return 0
            ;;
        --today | --date)
            _tamanote_cli_add "$cur" "$(date +%F)"
            return 0
            ;;
        --kind)
            # The kinds of the command on the line: 貯玉 entries, or limits.
            if [[ $command == limits ]]; then
                _tamanote_cli_add "$cur" investment visits hours
            else
                _tamanote_cli_add "$cur" deposit replay settle adjust
            fi
            return 0
            ;;
        --value | --card | --spins | --own-balls | --hits | --machine | --lend | --exchange | --fee | --prob | \
            --payout | --border | --chodama-used | --chodama-deposited | --balls | --note | --uid | --start)
            return 0
            ;;
        --file)
            # A data file of the snapshot named on the line, or of the data folder.
            local f from=$_tamanote_cli_dir
            [[ -n $snapshot && -d $_tamanote_cli_dir/backups/$snapshot ]] && from=$_tamanote_cli_dir/backups/$snapshot
            for f in "$from"/*; do
                [[ -f $f && ${f##*/} != manifest.json ]] && items+=("${f##*/}")
            done
            _tamanote_cli_add "$cur" "${items[@]}"
            return 0
            ;;
    esac

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            _tamanote_cli_add "$cur" --data --help --version
        else
            # shellcheck disable=SC2086 # a list of plain words
            _tamanote_cli_add "$cur" $_tamanote_cli_commands
        fi
        return 0
    fi

    # The snapshot that restore takes: the folders of the data folder's backups folder.
    if [[ $command == restore && -z $snapshot && $cur != -* ]]; then
        local d
        for d in "$_tamanote_cli_dir"/backups/*/; do
            d=${d%/}
            d=${d##*/}
            [[ -d $_tamanote_cli_dir/backups/$d && $d != .* ]] && items+=("$d")
        done
        _tamanote_cli_add "$cur" "${items[@]}"
        return 0
    fi

    # The set form of the listings of the database.
    if [[ ($command == halls-terms || $command == model-specs || $command == limits) && -z $sub && $cur != -* ]]; then
        _tamanote_cli_add "$cur" set
        return 0
    fi

    # The forms of chodama.
    if [[ $command == chodama && -z $sub && $cur != -* ]]; then
        _tamanote_cli_add "$cur" add remove
        return 0
    fi

    # The command's options not given yet (a repeatable one again), and --data.
    local o g skip
    for o in $(_tamanote_cli_options_of "$command" "$sub") --data; do
        skip=0
        if [[ $command != list || $_tamanote_cli_repeatable != *" $o "* ]]; then
            for g in "${given[@]}"; do
                [[ $g == "$o" ]] && skip=1
            done
        fi
        ((skip)) || items+=("$o")
    done
    _tamanote_cli_add "$cur" "${items[@]}"
    return 0
}

complete -F _tamanote_cli tamanote-cli
