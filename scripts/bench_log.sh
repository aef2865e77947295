#!/usr/bin/env bash
# Figures of the communication log (printed, not judged):
#  - the program under Wine (tests/win/log_bench.exe, the simulator on COM1): a full title run
#    of 144 CT frames through the real COM port, each sent after the GO to the one before, with
#    the log off and on (the ring and the day file on disk), three rounds, as a ratio; and the
#    process's private memory after 10,000, 50,000 and 100,000 entries;
#  - tvx5870ctl: a push to 96 devices that connect over TCP/IP (the simulator's --tcp-connect
#    --count 96), without a log, with --log and with --log-json, once at the pace of a 9600-baud
#    line and three rounds as fast as the simulator answers, as ratios of the wall time and of
#    the companion's CPU time, and the log's cost per entry; in an optimized build made in
#    build/bench-release (TVX_BENCH_BUILD_DIR) the first time.
# About three minutes after that build. The native and MinGW builds must exist (scripts/test.sh
# makes them); TVX_NATIVE_BUILD_DIR and TVX_MINGW_BUILD_DIR name other ones.
#
#   scripts/bench_log.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
bench="$mingw/tests/win/log_bench.exe"
sim="$native/sim/tvx5870-sim"
for f in "$bench" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_log.sh: missing $f (build first: scripts/test.sh)" >&2
        exit 1
    fi
done
# The companion's own work is measured in an optimized build, as it is shipped.
source "$root/scripts/bench_release.sh"

echo "=== the program (under Wine)"
"$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name bench_log --timeout 300 \
    --sim --sim-exe "$sim" -- "$bench"

echo "=== tvx5870ctl: push to 96 devices over TCP/IP (optimized build in $release)"
work="$(mktemp -d /tmp/tvx5870-log-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
python3 -c "import sys; sys.path.insert(0, '$root/tests/cli'); import cli_e2e
cli_e2e.TMP = '$work'; cli_e2e.distinct_settings('show.dat')"

# Pushes without a log, with --log and with --log-json, side by side in time so that the
# machine's other load falls on all three alike: once with every device at the pace of a
# 9600-baud line (--baud-limit, as devices answer), then three rounds as fast as the simulator
# answers (the companion's own work, where the log's cost shows); the wall time and the
# companion's CPU time.
python3 - "$release/cli/tvx5870ctl" "$release/sim/tvx5870-sim" "$work" <<'PY'
import os, signal, socket, statistics, subprocess, sys, time

ctl, sim, work = sys.argv[1:4]
logs = {"no log": [], "--log": ["--log", os.path.join(work, "run.log")],
        "--log-json": ["--log-json", os.path.join(work, "run.jsonl")]}

def push96(name, pace):
    options = logs[name]
    if options and os.path.exists(options[1]):
        os.remove(options[1])
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    start = time.monotonic()
    with open(os.path.join(work, "ctl.out"), "wb") as out:
        companion = subprocess.Popen([ctl, "--listen", str(port), "--expect", "96"] + options +
                                     ["push", os.path.join(work, "show.dat")], stdout=out)
        devices = subprocess.Popen([sim, "--tcp-connect", "127.0.0.1:%d" % port, "--count", "96"]
                                   + pace, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        _, status, usage = os.wait4(companion.pid, 0)
        companion.returncode = os.waitstatus_to_exitcode(status)
    wall = time.monotonic() - start
    devices.send_signal(signal.SIGTERM)
    devices.wait()
    if companion.returncode != 0:
        sys.exit("bench_log.sh: the push to 96 devices failed:\n" +
                 open(os.path.join(work, "ctl.out")).read())
    return wall, usage.ru_utime + usage.ru_stime

def show(rounds, pace):
    figures = {name: [] for name in logs}
    for number in range(1, rounds + 1):
        for name in logs:
            figures[name].append(push96(name, pace))
        print("round %d: " % number + ", ".join(
            "%s %.2f s (CPU %.2f s)" % (name, *figures[name][-1]) for name in logs))
    m = statistics.median
    wall = {name: m(w for w, _ in f) for name, f in figures.items()}
    cpu = {name: m(c for _, c in f) for name, f in figures.items()}
    for name in ("--log", "--log-json"):
        print("  %s / no log: wall %.3f, CPU %.2f" % (name, wall[name] / wall["no log"],
                                                       cpu[name] / cpu["no log"]))
    return cpu

print("== every device at the pace of a 9600-baud line (--baud-limit)")
show(1, ["--baud-limit"])
print("== as fast as the simulator answers (three rounds, medians)")
cpu = show(3, [])
entries = sum(1 for _ in open(os.path.join(work, "run.log"), "rb"))
print("  one push's log: %d entries, %.1f MB; the log's CPU time per entry: %.1f us (--log), "
      "%.1f us (--log-json)" % (entries, os.path.getsize(os.path.join(work, "run.log")) / 1e6,
                                 (cpu["--log"] - cpu["no log"]) * 1e6 / entries,
                                 (cpu["--log-json"] - cpu["no log"]) * 1e6 / entries))
PY
