#!/usr/bin/env bash
# The fault matrix: every bulk sequence of the program, over each link it uses, against the
# device simulator injecting each fault it can, at the program's real periods. Each cell is its
# own Wine world (tests/win/wine_run.sh) running tests/win/fault_cell.exe, several at a time,
# longest first. Prints one table row per cell and a summary; the exit code is 1 when any cell
# failed.
#
#   scripts/fault_matrix.sh [--slice] [--jobs N] [--only REGEX] [--doc FILE] [--no-build]
#                           [--build DIR] [--sim PATH]
#     --slice      the few short cells CI runs (well under a minute)
#     --jobs N     cells at a time (default 10: the cells mostly wait on the program's timers)
#     --only RE    only the cells whose "sequence link fault" matches the extended regex RE
#     --doc FILE   also write the table, with the command that made it, to FILE (Markdown)
#     --no-build   do not build the simulator and fault_cell.exe first
#     --build DIR  the MinGW build folder (default build/mingw)
#     --sim PATH   the native simulator (default build/native/sim/tvx5870-sim)
# A whole run takes about half an hour on two cores.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

slice=0
jobs=10
only=""
doc=""
build_first=1
mingw="$root/build/mingw"
sim="$root/build/native/sim/tvx5870-sim"
command_line="scripts/fault_matrix.sh $*"
while [ $# -gt 0 ]; do
    case "$1" in
        --slice) slice=1; shift ;;
        --jobs) jobs="$2"; shift 2 ;;
        --only) only="$2"; shift 2 ;;
        --doc) doc="$2"; shift 2 ;;
        --no-build) build_first=0; shift ;;
        --build) mingw="$2"; shift 2 ;;
        --sim) sim="$2"; shift 2 ;;
        -h | --help) sed -n '2,17p' "$0"; exit 0 ;;
        *) echo "fault_matrix.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

if [ "$build_first" -eq 1 ]; then
    cmake --build "$(dirname "$sim")/.." -j2 --target tvx5870-sim >/dev/null || exit 1
    cmake --build "$mingw" -j2 --target fault_cell >/dev/null || exit 1
fi
cell_exe="$mingw/tests/win/fault_cell.exe"
for f in "$cell_exe" "$sim"; do
    if [ ! -x "$f" ] && [ ! -f "$f" ]; then
        echo "fault_matrix.sh: $f is missing (build the native and mingw presets)" >&2
        exit 1
    fi
done

# Sequences with their length at the program's periods (seconds) and frames; faults in the
# order of the table. A fault's cell is short when the run ends early (error, silence, drop,
# a reply later than the link's limit), except in the glyph runs, which go on after an error.
sequences=(title title-nm title-display page-assignment auto-switching set-all read-back
           glyph-register glyph-read network-read)
declare -A nominal=([title]=144 [title-nm]=87 [title-display]=2 [page-assignment]=14
                    [auto-switching]=5 [set-all]=220 [read-back]=112 [glyph-register]=129
                    [glyph-read]=21 [network-read]=2)
declare -A frames=([title]=144 [title-nm]=144 [title-display]=4 [page-assignment]=4
                   [auto-switching]=4 [set-all]=170 [read-back]=170 [glyph-register]=64
                   [glyph-read]=64 [network-read]=9)
faults=(none split merge garbage delay-under delay-over silent drop E0 E1 E2 E3 MENU
        auto-switching)

# Estimated seconds of one cell, for the order (longest first) and its time limit.
estimate() {
    local seq="$1" link="$2" fault="$3" run="${nominal[$1]}"
    case "$fault" in
        delay-under)
            if [ "$link" = tcp ]; then
                local slow=$(( ${frames[$seq]} * 9 / 2 ))
                run=$(( run > slow ? run : slow ))
            elif [ "$seq" = glyph-read ]; then
                run=$(( ${frames[$seq]} * 31 / 10 ))
            fi ;;
        none | split | garbage) ;;
        E*|MENU) case "$seq" in glyph-*) ;; *) run=8 ;; esac ;;
        merge) { [ "$link" = tcp ] || [ "$seq" = glyph-read ]; } && run=12 ;;
        *) run=12 ;;
    esac
    echo $(( run + 15 ))
}

cells=()
if [ "$slice" -eq 1 ]; then
    # One cell of each kind of ending: an error reply, a late reply (one "No Connect", late
    # acknowledgements never on top of it), silence in a glyph run and in set-all, a device on
    # automatic switching, a dropped link.
    cells=("title-display serial E3" "title-display serial delay-over" "glyph-read serial silent"
           "glyph-read tcp auto-switching" "set-all tcp silent" "auto-switching tcp drop")
else
    for seq in "${sequences[@]}"; do
        for link in serial tcp; do
            [ "$link" = tcp ] && [ "$seq" = network-read ] && continue
            for fault in "${faults[@]}"; do
                [ "$link" = serial ] && [ "$fault" = drop ] && continue
                # A device on automatic switching only refuses glyph reads.
                [ "$fault" = auto-switching ] && [ "$seq" != glyph-read ] && continue
                cells+=("$seq $link $fault")
            done
        done
    done
fi
if [ -n "$only" ]; then
    kept=()
    for cell in "${cells[@]}"; do [[ "$cell" =~ $only ]] && kept+=("$cell"); done
    cells=("${kept[@]}")
fi
if [ "${#cells[@]}" -eq 0 ]; then
    echo "fault_matrix.sh: no cell matches" >&2
    exit 2
fi

results="$(mktemp -d "${TMPDIR:-/tmp}/fault-matrix.XXXXXX")"
trap 'rm -rf "$results"' EXIT
export TVX_SIM_EXECUTABLE="$sim" TVX_RESULTS="$results" TVX_MINGW="$mingw" TVX_CELL_EXE="$cell_exe"

# One cell in its own Wine world; a cell that leaves no result line crashed or was killed.
run_cell() {
    local seq="$1" link="$2" fault="$3" limit="$4"
    local name="fm-$seq-$link-$fault" serial=() code attempt
    [ "$link" = serial ] && serial=(--serial)
    # A cell whose COM port did not open says so ("setup"); it gets one more go.
    for attempt in 1 2; do
        rm -f "$TVX_RESULTS/$name.tsv"
        TVX_FAULT_RESULT="$TVX_RESULTS/$name.tsv" \
            "$root/tests/win/wine_run.sh" --state-dir "$TVX_MINGW/wine" --name "$name" \
            "${serial[@]}" --timeout "$limit" -- "$TVX_CELL_EXE" "$seq" "$link" "$fault" \
            >"$TVX_RESULTS/$name.out" 2>&1
        code=$?
        grep -q "FAIL: setup" "$TVX_RESULTS/$name.tsv" 2>/dev/null || break
    done
    if [ ! -s "$TVX_RESULTS/$name.tsv" ]; then
        local what="crash (exit $code)"
        [ "$code" -eq 124 ] || [ "$code" -eq 137 ] && what="killed after ${limit} s"
        printf '%s\t%s\t%s\t-\t%s\t-\t-\t-\t-\tFAIL: %s\n' "$seq" \
            "$([ "$link" = tcp ] && echo TCP/IP || echo RS-232C)" "$fault" "$what" "$what" \
            >"$TVX_RESULTS/$name.tsv"
    fi
    cut -f1-3,10 "$TVX_RESULTS/$name.tsv" | tr '\t' ' ' >&2
}
export -f run_cell
export root

start=$SECONDS
echo "fault_matrix.sh: ${#cells[@]} cells, $jobs at a time" >&2
for cell in "${cells[@]}"; do
    # shellcheck disable=SC2086
    set -- $cell
    # Room for the cell's own bound on a run that does not end (its length at the program's
    # periods, plus every reply delayed) and for the checks after it.
    limit=$(( ${nominal[$1]} * 3 / 2 + ${frames[$1]} * 6 + 150 ))
    echo "$(estimate "$1" "$2" "$3") $1 $2 $3 $limit"
done | sort -rn | cut -d' ' -f2- |
    xargs -P "$jobs" -L 1 bash -c 'run_cell "$@"' _
elapsed=$((SECONDS - start))

# The table, in the order of the sequences, links and faults above.
table="$results/table.md"
{
    echo "| Sequence | Link | Fault | What the user saw | Run | One more command | Model | Frames | s | Verdict |"
    echo "|---|---|---|---|---|---|---|---|---|---|"
    for cell in "${cells[@]}"; do
        # shellcheck disable=SC2086
        set -- $cell
        awk -F'\t' '{ printf "|"; for (i = 1; i <= NF; i++) printf " %s |", $i; print "" }' \
            "$results/fm-$1-$2-$3.tsv"
    done
} >"$table"
total=${#cells[@]}
failed=$(cat "$results"/fm-*.tsv | awk -F'\t' '$10 != "ok"' | wc -l)
summary="$total cells, $((total - failed)) ok, $failed failed, in $((elapsed / 60)) min $((elapsed % 60)) s ($jobs at a time)"
cat "$table"
echo
echo "$summary"

if [ -n "$doc" ]; then
    {
        echo "# Fault matrix"
        echo
        echo "Made with \`$command_line\` on $(date -u +%Y-%m-%d): $summary."
        echo
        echo "Each row is one run of a sequence of the program (in-process, with its real main window,"
        echo "dialogs, transports and message boxes) against the device simulator injecting one fault,"
        echo "at the program's own periods. A second thread plays the user: it reads every message box"
        echo "and presses its button after half a second (Yes for \"本機の確認\")."
        echo
        echo "- What the user saw: the message boxes of the run, counted (error boxes by their text)."
        echo "- Run: finished (every step went out), stopped at n/N steps, or hang."
        echo "- One more command: \"設定\" of \"文字レベルの設定\" afterwards (after reconnecting when the"
        echo "  device dropped the link): reply = its acknowledgement came, otherwise the boxes shown."
        echo "- Model: send runs must leave it unchanged; read runs may change only the fields they read,"
        echo "  and only to the device's values (device = all of them, device n/N = the part read before"
        echo "  the run stopped)."
        echo "- Frames: the frames the device received, in the order of the run, of all the run has."
        echo
        echo "Faults: split, merge and garbage as the simulator makes them; delay-under and delay-over"
        echo "answer 2.8 s / 3.8 s late on RS-232C (the no-reply check reports after 3 to 3.5 s) and"
        echo "4.5 s / 5.5 s late on TCP/IP (the answer wait ends after 5 s); silent answers nothing from"
        echo "the fourth frame on; drop closes the connection after the third frame; E0..E3 and MENU"
        echo "answer the third frame with that error; auto-switching (glyph reads only) starts the"
        echo "device with a position on automatic switching, so that it refuses glyph reads."
        echo
        echo "Known and left as they are: a run that ends with its last send shows the answer to that"
        echo "send as an acknowledgement box, and over RS-232C every reply that comes after the run's"
        echo "end does so too (several with a slow device). Over TCP/IP a noise line ends the answer"
        echo "wait like an answer, so each reply is taken with the next command and a read-back misses"
        echo "its last reply (and one that is split over two answers): the table names the first field"
        echo "not read; no field takes a value the device did not send."
        echo
        cat "$table"
    } >"$doc"
    echo "fault_matrix.sh: table written to $doc" >&2
fi
[ "$failed" -eq 0 ]
