#!/usr/bin/env bash
# Figures of the communication log (printed, not judged):
#  - the program under Wine (tests/win/log_bench.exe, the simulator on COM1): a full title run
#    of 144 CT frames through the real COM port, each sent after the GO to the one before, with
#    the log off and on (the ring and the day file on disk), three rounds, as a ratio; and the
#    process's private memory after 10,000, 50,000 and 100,000 entries;
#  - tvx5870ctl: a push to 96 devices that connect over TCP/IP (the simulator's --tcp-connect
#    --count 96), without a log, with --log and with --log-json, three rounds, as ratios.
# About two minutes. The native and MinGW builds must exist (scripts/test.sh makes them);
# TVX_NATIVE_BUILD_DIR and TVX_MINGW_BUILD_DIR name other ones.
#
#   scripts/bench_log.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
bench="$mingw/tests/win/log_bench.exe"
ctl="$native/cli/tvx5870ctl"
sim="$native/sim/tvx5870-sim"
for f in "$bench" "$ctl" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_log.sh: missing $f (build first: scripts/test.sh)" >&2
        exit 1
    fi
done

echo "=== the program (under Wine)"
"$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name bench_log --timeout 300 \
    --sim --sim-exe "$sim" -- "$bench"

echo "=== tvx5870ctl: push to 96 devices over TCP/IP"
work="$(mktemp -d /tmp/tvx5870-log-bench.XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

python3 -c "import sys; sys.path.insert(0, '$root/tests/cli'); import cli_e2e
cli_e2e.TMP = '$work'; cli_e2e.distinct_settings('show.dat')"

push96() {  # push96 NAME [tvx5870ctl options]: prints the wall time in seconds
    local name=$1
    shift
    local port start end
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    start=$(date +%s.%N)
    "$ctl" --listen "$port" --expect 96 "$@" push "$work/show.dat" >"$work/$name.out" &
    local ctl_pid=$!
    "$sim" --tcp-connect "127.0.0.1:$port" --count 96 >"$work/$name.sim" 2>&1 &
    local sim_pid=$!
    pids+=("$sim_pid")
    wait "$ctl_pid" || { echo "bench_log.sh: push to 96 devices failed" >&2; cat "$work/$name.out" >&2; exit 1; }
    end=$(date +%s.%N)
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    python3 -c "print('%.2f' % ($end - $start))"
}

off=() text=() json=()
for round in 1 2 3; do
    rm -f "$work/run.log" "$work/run.jsonl"
    off+=("$(push96 off)")
    text+=("$(push96 text --log "$work/run.log")")
    json+=("$(push96 json --log-json "$work/run.jsonl")")
    echo "round $round: no log ${off[-1]} s, --log ${text[-1]} s, --log-json ${json[-1]} s"
done
lines=$(wc -l <"$work/run.log")
bytes=$(stat -c %s "$work/run.log")
python3 - "${off[*]}" "${text[*]}" "${json[*]}" "$lines" "$bytes" <<'PY'
import statistics, sys
off, text, json = ([float(x) for x in arg.split()] for arg in sys.argv[1:4])
lines, size = int(sys.argv[4]), int(sys.argv[5])
m = statistics.median
print("median: no log %.2f s, --log %.2f s, --log-json %.2f s" % (m(off), m(text), m(json)))
print("  --log / no log: %.2f, --log-json / no log: %.2f (the spread of the rounds without a "
      "log: %.2f .. %.2f s)" % (m(text) / m(off), m(json) / m(off), min(off), max(off)))
print("  one push's log: %d entries, %.1f MB" % (lines, size / 1e6))
PY
