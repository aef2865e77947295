#!/usr/bin/env bash
# Fuzzes every input the program takes from outside with the libFuzzer targets and prints, per
# target, the executions, the executions per second and the findings.
#
#   scripts/fuzz.sh [SECONDS]                 each target for SECONDS (default 60)
#   scripts/fuzz.sh --runs N [-j 2] [TARGET..] each target until it has run N inputs
#
# -j 2 runs two targets side by side (default one at a time); naming targets limits the run to
# them. Builds the fuzz preset (clang, AddressSanitizer + UndefinedBehaviorSanitizer) first.
# Each target starts from its seed corpus in tests/fuzz/corpus/<target> and grows a working
# corpus in build/fuzz/work/<target>; inputs that break a target are kept in
# build/fuzz/findings/<target> (add each, once fixed, to the seed corpus). Inputs are at most
# 4 KiB (-max_len, or MAX_LEN in the environment): a longer one costs in proportion and, but for
# the glyph file's 40,960 characters, reaches nothing a shorter one does not.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds=60
runs=""
jobs=1
chosen=()
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs="$2"; shift 2 ;;
        -j) jobs="$2"; shift 2 ;;
        -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        [0-9]*) seconds="$1"; shift ;;
        *) chosen+=("$1"); shift ;;
    esac
done
cd "$root"
scripts/setup.sh >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null

build="$root/build/fuzz"
# AddressSanitizer records no stack for each allocation: a tenth more inputs a second. A
# finding's report then lacks the allocation's stack; run its input alone to get it.
export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=0}"
if [ ${#chosen[@]} -gt 0 ]; then
    targets="${chosen[*]}"
else
    targets=$(cd "$build/tests/fuzz" && ls fuzz_* 2>/dev/null | grep -v "\." | sort)
fi
if [ -n "$runs" ]; then limit=(-runs="$runs"); else limit=(-max_total_time="$seconds"); fi

# One target: fuzz it, then print its line of the table.
fuzz_one() {
    local t="$1" exe="$build/tests/fuzz/$1"
    if [ ! -x "$exe" ]; then
        printf '%-22s %s\n' "$t" "no such target"
        return 1
    fi
    local work="$build/work/$t" findings="$build/findings/$t" log="$build/work/$t.log"
    mkdir -p "$work" "$findings"
    local start=$SECONDS
    "$exe" "${limit[@]}" -max_len="${MAX_LEN:-4096}" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$work" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1 || true
    local executed speed found slow
    executed=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' ||
               echo 0)
    speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    # An input slower than 10 s is kept too, but is no fault of the code by itself: a target
    # starved by other work on the machine reports one. Run it alone to see.
    found=$(find "$findings" -type f ! -name 'slow-unit-*' | wc -l)
    slow=$(find "$findings" -type f -name 'slow-unit-*' | wc -l)
    printf '%-22s %14s %10s %9s %9s %6s\n' "$t" "${executed:-0}" "${speed:-0}" \
        "$((SECONDS - start))" "$found" "$slow"
    [ "$found" -eq 0 ]
}

printf '%-22s %14s %10s %9s %9s %6s\n' target executions "exec/s" seconds findings slow
status=0
running=0
for t in $targets; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n || status=1
        running=$((running - 1))
    fi
    fuzz_one "$t" &
    running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
    wait -n || status=1
    running=$((running - 1))
done
exit $status
