#!/usr/bin/env bash
# Figures of the two bulk runs: a full set-all ("全項目の設定") and a full read-back
# ("設定項目の読み込み") of a model that differs from the defaults everywhere, through the real
# serial link under Wine, against the simulator limited to what a 9600-baud line carries: first
# at the program's real periods, then with "応答を待って送る（高速）". Prints the wall time of each
# next to the wire time of its bytes and the nominal 3 min 39 s and 1 min 51 s (about six and a
# half minutes in all).
#
#   scripts/bench_bulk.sh
# Build folders as for scripts/run.sh (TVX_NATIVE_BUILD_DIR / TVX_MINGW_BUILD_DIR); the builds
# must exist (scripts/test.sh makes them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
bench="$mingw/tests/win/bulk_round_trip.exe"
sim="$native/sim/tvx5870-sim"
for f in "$bench" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_bulk.sh: missing $f (build first: scripts/test.sh)" >&2
        exit 1
    fi
done
# One process per pace: the test serial link opens its pty once per process.
for pace in BulkRoundTrip BulkPaced; do
    TVX_BENCH_BAUD_LIMIT=1 \
    "$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name "bench_bulk_$pace" \
        --timeout 480 --sim --sim-exe "$sim" --sim-arg --baud-limit \
        -- "$bench" --gtest_filter="$pace.*" |
        grep -E '^((timed|paced) set-all|\[  (PASSED|FAILED))'
done
