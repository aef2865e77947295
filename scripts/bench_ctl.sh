#!/usr/bin/env bash
# Figures of tvx5870ctl (printed, not judged), with the simulator standing in for the devices:
#  - a full push to one device on a 9600-baud serial line (the simulator with --baud-limit on a
#    socat pty pair), next to the wire time of the same bytes and to the program's own pace
#    (163 ticks of 1.2 s and 9 of 2.6 s, 219 s);
#  - a push to 96 devices that connect over TCP/IP (--listen against the simulator's
#    --tcp-connect --count 96) next to the same push to one device, once with every device at
#    the pace of a 9600-baud line (--baud-limit) and once as fast as the simulator answers;
#  - verify of the pushed device next to a pull of it, on the same 9600-baud line;
#  - info for 96 devices over TCP/IP next to info for one.
# About four minutes. The native build must exist (scripts/test.sh or cmake --build --preset
# native); TVX_NATIVE_BUILD_DIR names another one.
#
#   scripts/bench_ctl.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
ctl="$native/cli/tvx5870ctl"
sim="$native/sim/tvx5870-sim"
for f in "$ctl" "$sim"; do
    if [ ! -x "$f" ]; then
        echo "bench_ctl.sh: missing $f (build first: cmake --build --preset native)" >&2
        exit 1
    fi
done
work="$(mktemp -d /tmp/tvx5870ctl-bench.XXXXXX)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

wait_for() {  # wait_for 'condition' seconds
    local deadline=$((SECONDS + $2))
    until eval "$1"; do
        if [ "$SECONDS" -ge "$deadline" ]; then echo "bench_ctl.sh: timed out: $1" >&2; exit 1; fi
        sleep 0.05
    done
}
now() { date +%s.%N; }
elapsed() { python3 -c "print('%.2f' % ($2 - $1))"; }

# The settings file: every value differs from the defaults (the end-to-end tests' own).
python3 -c "import sys; sys.path.insert(0, '$root/tests/cli'); import cli_e2e
cli_e2e.TMP = '$work'; cli_e2e.distinct_settings('show.dat')"

echo "== push to one device, serial line at 9600 baud (simulated)"
socat "pty,raw,echo=0,ignoreeof,link=$work/ttyA" "pty,raw,echo=0,ignoreeof,link=$work/ttyB" &
pids+=($!)
wait_for '[ -e "$work/ttyA" ] && [ -e "$work/ttyB" ]' 5
"$sim" --serial "$work/ttyB" --baud-limit --log "$work/serial.jsonl" >"$work/serial.out" 2>&1 &
pids+=($!)
wait_for 'grep -q "tvx5870-sim: ready" "$work/serial.out"' 10
start=$(now)
"$ctl" --serial "$work/ttyA" push "$work/show.dat" >"$work/serial-report.txt"
end=$(now)
python3 - "$work/serial.jsonl" "$(elapsed "$start" "$end")" <<'PY'
import json, sys
sent = received = 0
for line in open(sys.argv[1], "rb"):
    e = json.loads(line)
    n = len(e["bytes"].encode("latin-1"))
    if e["direction"] == "rx": sent += n
    elif e["direction"] == "tx": received += n
wire = (sent + received) * 11 / 9600  # start, 8 data, parity and stop bit
took, program = float(sys.argv[2]), 163 * 1.2 + 9 * 2.6
print("push: %.1f s" % took)
print("wire time of the same bytes (%d sent + %d received, 11 bits each at 9600 baud): %.1f s"
      % (sent, received, wire))
print("  (the line carries both ways at once: the bytes sent alone take %.1f s)"
      % (sent * 11 / 9600))
print("  push / wire time: %.2f (goal at most 1.15)" % (took / wire))
print("the program's pace (163 x 1.2 s + 9 x 2.6 s): %.1f s" % program)
print("  program / push: %.1f times faster (goal at least 9)" % (program / took))
PY

echo "== verify next to pull, the same device on the same 9600-baud line"
start=$(now)
"$ctl" --serial "$work/ttyA" pull "$work/pulled.dat" >"$work/pull-report.txt"
end=$(now)
pull_time=$(elapsed "$start" "$end")
start=$(now)
"$ctl" --serial "$work/ttyA" verify "$work/show.dat" >"$work/verify-report.txt" ||
    { echo "bench_ctl.sh: verify found differences" >&2; cat "$work/verify-report.txt" >&2; exit 1; }
end=$(now)
verify_time=$(elapsed "$start" "$end")
python3 - "$pull_time" "$verify_time" <<'PY'
import sys
pull, verify = float(sys.argv[1]), float(sys.argv[2])
print("pull: %.1f s, verify: %.1f s" % (pull, verify))
print("  verify / pull: %.2f (goal at most 1.0, within the noise of one run)" % (verify / pull))
PY

tcp_run() {  # tcp_run COUNT NAME "SUBCOMMAND ARGS" [simulator options]: wall time, longest, ok
    local count=$1 name=$2 command=$3
    shift 3
    local port
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    local start end
    start=$(now)
    # shellcheck disable=SC2086
    "$ctl" --listen "$port" --expect "$count" --json $command >"$work/$name.json" &
    local ctl_pid=$!
    "$sim" --tcp-connect "127.0.0.1:$port" --count "$count" "$@" >"$work/$name.out" 2>&1 &
    local sim_pid=$!
    pids+=("$sim_pid")
    wait "$ctl_pid" || { echo "bench_ctl.sh: $command on $count devices failed" >&2; cat "$work/$name.json" >&2; exit 1; }
    end=$(now)
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    python3 - "$work/$name.json" "$(elapsed "$start" "$end")" <<'PY'
import json, sys
report = json.load(open(sys.argv[1]))
longest = max(d["seconds"] for d in report["devices"])
print("%s %.2f %d" % (sys.argv[2], longest, report["ok"]))
PY
}

for pace in "--baud-limit" ""; do
    if [ -n "$pace" ]; then
        echo "== push over TCP/IP, every device at the pace of a 9600-baud line (--baud-limit)"
    else
        echo "== push over TCP/IP, as fast as the simulator answers"
    fi
    read -r one_wall one_longest _ < <(tcp_run 1 one "push $work/show.dat" $pace)
    read -r all_wall all_longest all_ok < <(tcp_run 96 all "push $work/show.dat" $pace)
    echo "1 device: $one_wall s (the device itself: $one_longest s)"
    echo "96 devices: $all_wall s (the slowest device: $all_longest s; $all_ok of 96 ok)"
    goal="(goal at most 1.5)"
    [ -n "$pace" ] || goal="(no goal: the simulator answers at once, so this is the companion's own work)"
    python3 - "$all_wall" "$one_wall" "$goal" <<'PY'
import sys
print("  96 devices / 1 device: %.2f %s" % (float(sys.argv[1]) / max(float(sys.argv[2]), 0.01),
                                          sys.argv[3]))
PY
done

echo "== info over TCP/IP, every device at the pace of a 9600-baud line (--baud-limit)"
read -r one_wall one_longest _ < <(tcp_run 1 info-one info --baud-limit)
read -r all_wall all_longest all_ok < <(tcp_run 96 info-all info --baud-limit)
echo "1 device: $one_wall s (the device itself: $one_longest s)"
echo "96 devices: $all_wall s (the slowest device: $all_longest s; $all_ok of 96 ok)"
python3 - "$all_wall" "$one_wall" <<'PY'
import sys
print("  96 devices / 1 device: %.2f (goal at most 1.5)" % (float(sys.argv[1]) / max(float(sys.argv[2]), 0.01)))
PY
