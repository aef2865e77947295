#!/usr/bin/env python3
"""tvx5870ctl.exe under Wine sends the program's bytes, compared in the simulator's logs.

Usage (from wine_run.sh --serial): ctl_matches_program.py TVX5870CTL_EXE TVX5870_SIM RUNS_DIR
RUNS_DIR: the simulator's logs and state of the program's own runs (tests/win keeps them).
"""

import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

EXE, SIM, RUNS = sys.argv[1], sys.argv[2], sys.argv[3]
WORK = os.environ["TVX_WORK_DIR"]
STARTED = []


def check(cond, what):
    if not cond:
        raise AssertionError(what)


def frames(log):
    """(time, bytes) of every frame the simulator received."""
    with open(log, "rb") as f:
        entries = [json.loads(line) for line in f if line.strip()]
    return [(e["time"], e["bytes"].encode("latin-1")) for e in entries if e["direction"] == "rx"]


def sim(name, *args):
    log = os.path.join(WORK, name + ".jsonl")
    p = subprocess.Popen([SIM, "--log", log] + list(args), stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    STARTED.append(p)
    out = b""
    while b"tvx5870-sim: ready\n" not in out:
        chunk = p.stdout.read1(4096)
        check(chunk, "simulator %s ended before ready" % name)
        out += chunk
    m = re.search(rb"listening on 127\.0\.0\.1:(\d+)", out)
    return log, (int(m.group(1)) if m else None)


def ctl(*args, code=0):
    p = subprocess.run(["wine", EXE] + list(args), capture_output=True, timeout=120, cwd=WORK)
    check(p.returncode == code, "exit %d, not %d: %s\n%s%s" %
          (p.returncode, code, args, p.stdout.decode(errors="replace"),
           p.stderr.decode(errors="replace")))
    return p.stdout.decode("utf-8")


def same_pace(program, ours, tolerance):
    """The gaps between the frames agree within tolerance seconds."""
    gaps = lambda fs: [b[0] - a[0] for a, b in zip(fs, fs[1:])]
    for p, o in zip(gaps(program), gaps(ours)):
        check(abs(p - o) < tolerance, "gaps differ: program %s, tvx5870ctl %s" %
              (gaps(program), gaps(ours)))


# The program's runs: its set-all and read-back of a model that differs from the defaults
# everywhere (win.bulk_round_trip), its set-all stopped by E3 at title 5 (win.bulk_error) and its
# network read (win.network_settings). The same runs out of tvx5870ctl.exe: the read-back and
# set-all at the device's pace (every byte and their order compared), the network read and the
# stopped set-all at the program's pace (bytes and the time between frames compared).
def main():
    program = frames(os.path.join(RUNS, "bulk_round_trip", "sim.log"))
    check(len(program) == 340, "the program's set-all and read-back: %d frames" % len(program))
    set_all, read_back = [f for _, f in program[:170]], [f for _, f in program[170:]]

    # The device as the program's set-all left it, on the other end of COM1.
    shutil.copy(os.path.join(RUNS, "bulk_round_trip", "state.json"), WORK)
    log, _ = sim("serial", "--serial", os.environ["TVX_SIM_PTY"],
                 "--state", os.path.join(WORK, "state.json"))
    ctl("--serial", "COM1", "pull", "device.dat")
    check([f for _, f in frames(log)] == read_back, "pull sends the program's read-back")
    ctl("--serial", "COM1", "push", "device.dat")
    check([f for _, f in frames(log)[170:]] == set_all, "push sends the program's set-all")

    program_net = frames(os.path.join(RUNS, "network_settings", "sim.log"))[-9:]
    check(program_net[0][1] == b"RAA\r\n", program_net)
    ctl("--serial", "COM1", "--pace", "spec", "net", "show")
    ours = frames(log)[340:]
    check([f for _, f in ours] == [f for _, f in program_net], "net show sends the network read")
    same_pace(program_net, ours, 0.1)

    # The set-all that E3 stops at title 5, at the program's pace, over TCP/IP this time.
    default_log, port = sim("factory", "--tcp-listen", "0")
    ctl("--tcp", "127.0.0.1:%d" % port, "pull", "defaults.dat")
    stopped_log, port = sim("stopped", "--tcp-listen", "0", "--error", "E3@5")
    out = ctl("--tcp", "127.0.0.1:%d" % port, "--pace", "spec", "--json", "push", "defaults.dat",
              code=1)
    device = json.loads(out)["devices"][0]
    check(device["step"] == 5 and device["code"] == "E3", device)
    program_stop = frames(os.path.join(RUNS, "bulk_error", "sim.log"))
    ours = frames(stopped_log)
    check([f for _, f in ours] == [f for _, f in program_stop] and len(ours) == 5,
          "the stopped set-all: %s" % [f[:7] for _, f in ours])
    same_pace(program_stop, ours, 0.15)
    print("tvx5870ctl.exe sends the program's bytes: read-back, set-all, network read, E3 stop")


if __name__ == "__main__":
    try:
        main()
    finally:
        for p in STARTED:
            p.send_signal(signal.SIGTERM)
            p.wait(timeout=10)
