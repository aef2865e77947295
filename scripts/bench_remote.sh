#!/usr/bin/env bash
# Figures of the remote interface (printed, not judged), in one run:
#  - the program under Wine with its remote interface on, the simulator on COM1 and then on
#    TCP/IP (the program its client): 200 page switches over HTTP one after the other, request
#    to answer (median, 99th percentile), next to the device's own reply time and what is left
#    for the program; on COM1 also state requests a second from two clients while the main
#    window is made to repaint every 20 ms, with the repaint times;
#  - tvx5870ctl serve, the same against the simulator on a pty pair and on TCP/IP, in an
#    optimized build made in build/bench-release (TVX_BENCH_BUILD_DIR) the first time.
# About a minute after that build. The native and MinGW builds must exist (scripts/test.sh
# makes them); TVX_NATIVE_BUILD_DIR and TVX_MINGW_BUILD_DIR name other ones.
#
#   scripts/bench_remote.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
sim="$native/sim/tvx5870-sim"
for f in "$mingw/src/app/tvx5870.exe" "$mingw/tests/win/tvx_drive.exe" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_remote.sh: missing $f (build first: scripts/test.sh)" >&2
        exit 1
    fi
done
source "$root/scripts/bench_release.sh"

echo "=== the program (under Wine), the simulator on COM1"
"$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name bench_remote --timeout 300 \
    --sim --sim-exe "$sim" -- "$root/scripts/bench_remote.py" program "$mingw" "$sim"
echo "=== tvx5870ctl serve (optimized build in $release)"
python3 "$root/scripts/bench_remote.py" serve "$release/cli/tvx5870ctl" \
    "$release/sim/tvx5870-sim"
