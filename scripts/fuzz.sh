#!/usr/bin/env bash
# Fuzzes every input the program takes from outside, one libFuzzer target after the other, for
# SECONDS each (default 60), and prints the executions and findings of each target.
#
#   scripts/fuzz.sh [SECONDS]
# Builds the fuzz preset (clang, AddressSanitizer + UndefinedBehaviorSanitizer) first. Each
# target starts from its seed corpus in tests/fuzz/corpus/<target> and grows a working corpus in
# build/fuzz/work/<target>; inputs that break a target are kept in build/fuzz/findings/<target>
# (add each, once fixed, to the seed corpus).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
cd "$root"
scripts/setup.sh >/dev/null
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc 2>/dev/null || echo 2)" >/dev/null

build="$root/build/fuzz"
targets=$(cd "$build/tests/fuzz" && ls fuzz_* 2>/dev/null | grep -v "\." | sort)
printf '%-22s %14s %10s %9s\n' target executions "exec/s" findings
status=0
for t in $targets; do
    exe="$build/tests/fuzz/$t"
    [ -x "$exe" ] || continue
    work="$build/work/$t"
    findings="$build/findings/$t"
    mkdir -p "$work" "$findings"
    log="$build/work/$t.log"
    "$exe" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$work" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1 || true
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    speed=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
    found=$(find "$findings" -type f | wc -l)
    [ "$found" -eq 0 ] || status=1
    printf '%-22s %14s %10s %9s\n' "$t" "${runs:-0}" "${speed:-0}" "$found"
done
exit $status
