#!/usr/bin/env bash
# Figures of the TCP/IP link under Wine: 100 command/answer exchanges in the client role
# against the simulator (tvx5870-sim --tcp-listen), with the wall time, the program's CPU time
# and the CPU time per exchange, once with immediate answers and once with answers 20 ms late.
# The answer wait sleeps in select(), so the late answers should cost next to no CPU time.
#
#   scripts/bench_tcp.sh
# Build folders as for scripts/run.sh (TVX_NATIVE_BUILD_DIR / TVX_MINGW_BUILD_DIR); the
# builds must exist (scripts/test.sh makes them). Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
bench="$mingw/tests/win/tcp_bench.exe"
sim="$native/sim/tvx5870-sim"
for f in "$bench" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_tcp.sh: missing $f (build first: scripts/test.sh)" >&2
        exit 1
    fi
done
export TVX_SIM_EXECUTABLE="$sim"
exec "$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name bench_tcp --timeout 120 \
    -- "$bench"
