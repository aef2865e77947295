#!/usr/bin/env python3
"""The figures of scripts/bench_remote.sh (printed, not judged).

  bench_remote.py program MINGW_BUILD SIM   inside tests/win/wine_run.sh --sim: tvx5870.exe with
                                            its remote interface on, the simulator on COM1, then
                                            on TCP/IP with the program as its client
  bench_remote.py serve CTL SIM         tvx5870ctl serve against the simulator on a pty pair and
                                        on TCP/IP

For each: page switches (PUT .../positions/ch1-top/page) one after the other, request to answer,
median and 99th percentile, next to the device's own part (from the frame's arrival at the
simulator to its reply, in the simulator's log) and what is left for the program; then state
requests a second from two clients for 5 s (for the program, while its main window is made to
repaint every 20 ms, with the repaint times)."""

import http.client
import json
import os
import signal
import socket
import statistics
import subprocess
import sys
import threading
import time

SWITCHES = 200
LOAD_SECONDS = 5


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_listening(port, seconds=30):
    deadline = time.time() + seconds
    while time.time() < deadline:
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return
        time.sleep(0.1)
    raise SystemExit("bench_remote: nothing listens on port %d" % port)


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def sim_reply_times(log_path, count):
    """The device's part of the last `count` exchanges: from a frame's arrival to its reply."""
    rx, times = None, []
    with open(log_path, encoding="utf-8") as f:
        for line in f:
            e = json.loads(line)
            if e["direction"] == "rx" and e["bytes"][2:4] == "P0":
                rx = e["time"]
            elif e["direction"] == "tx" and rx is not None:
                times.append((e["time"] - rx) * 1000)
                rx = None
    return times[-count:]


def page_switches(port, sim_log, label):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    totals = []
    for i in range(SWITCHES):
        body = json.dumps({"page": 1 + i % 2})
        start = time.perf_counter()
        conn.request("PUT", "/api/v1/positions/ch1-top/page", body=body)
        r = conn.getresponse()
        r.read()
        totals.append((time.perf_counter() - start) * 1000)
        if r.status != 200:
            raise SystemExit("bench_remote: a page switch answered %d" % r.status)
    conn.close()
    device = sim_reply_times(sim_log, SWITCHES)
    program = [t - d for t, d in zip(totals, device)]
    print("%s: %d page switches, request to answer median %.1f ms, 99th percentile %.1f ms;"
          % (label, SWITCHES, statistics.median(totals), percentile(totals, 99)))
    print("  the device's own reply median %.2f ms; the rest (program, link, HTTP) median %.1f ms,"
          " 99th percentile %.1f ms" % (statistics.median(device), statistics.median(program),
                                       percentile(program, 99)))


def state_load(port, label):
    counts = [0, 0]
    stop = time.time() + LOAD_SECONDS

    def client(k):
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
        while time.time() < stop:
            conn.request("GET", "/api/v1/state")
            r = conn.getresponse()
            r.read()
            counts[k] += r.status == 200
        conn.close()

    threads = [threading.Thread(target=client, args=(k,)) for k in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    print("%s: %d state requests a second (two clients, %d s)"
          % (label, sum(counts) // LOAD_SECONDS, LOAD_SECONDS))


def program(mingw, sim):
    exe = os.path.join(mingw, "src/app/tvx5870.exe")
    drive = os.path.join(mingw, "tests/win/tvx_drive.exe")
    ini = os.path.join(os.environ["WINEPREFIX"], "drive_c/windows/tvx5870.ini")

    def run(keys, label, sim_log, connect, disconnect):
        port = free_port()
        with open(ini, "w", newline="") as f:
            f.write("[TVX-5870_Section]\r\nremote_enabled=1\r\nremote_port=%d\r\n" % port)
            f.write("".join(key + "\r\n" for key in keys))
        proc = subprocess.Popen(["wine", exe], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            wait_listening(port)
            connect()
            page_switches(port, sim_log, label)
            if not keys:
                repaint = subprocess.Popen(["wine", drive, "repaints", str(LOAD_SECONDS * 1000)],
                                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                           text=True)
                state_load(port, "program")
                print("  its main window meanwhile: " +
                      repaint.communicate(timeout=60)[0].strip())
            disconnect()
            subprocess.run(["wine", drive, "exit"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
        finally:
            if proc.poll() is None:
                proc.kill()
            proc.wait()

    run([], "program on COM1", os.environ["TVX_SIM_LOG"], lambda: None, lambda: None)

    # TCP/IP: the program connects to the simulator as the client dialog's "接続" does.
    work = os.environ["TVX_WORK_DIR"]
    log = os.path.join(work, "tcp-sim.jsonl")
    device_port = free_port()
    device = subprocess.Popen([sim, "--tcp-listen", str(device_port), "--log", log],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def drive_(*args):
        subprocess.run(["wine", drive] + list(args), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)

    def connect():
        drive_("menu", "40008")
        drive_("wait-dialog", "10000")
        drive_("dblclick-list", "1106", "0")
        drive_("click", "1103")
        drive_("answer-box", "Success", "1", "15000")
        drive_("close-dialog")

    def disconnect():  # the program does not end while connected
        drive_("menu", "40008")
        drive_("wait-dialog", "10000")
        drive_("click", "1102")
        drive_("answer-box", "Success", "1", "15000")
        drive_("close-dialog")

    try:
        run(["Interface=1", "ClientServer=0", "port_number=%05d" % device_port,
             "select_number=0", "list_count=1", "ip00_0=127", "ip00_1=0", "ip00_2=0",
             "ip00_3=1"], "program on TCP/IP", log, connect, disconnect)
    finally:
        device.send_signal(signal.SIGTERM)
        device.wait()


def serve(ctl, sim):
    work = os.environ.get("TMPDIR", "/tmp")
    started = []
    try:
        for transport in ("serial", "tcp"):
            log = os.path.join(work, "bench-remote-sim-%d.jsonl" % os.getpid())
            if os.path.exists(log):
                os.remove(log)
            if transport == "serial":
                a, b = (os.path.join(work, "bench-remote-tty%s-%d" % (x, os.getpid()))
                        for x in "AB")
                started.append(subprocess.Popen(
                    ["socat", "pty,raw,echo=0,ignoreeof,link=" + a,
                     "pty,raw,echo=0,ignoreeof,link=" + b],
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
                while not (os.path.exists(a) and os.path.exists(b)):
                    time.sleep(0.05)
                device_args, target = ["--serial", b], ["--serial", a]
            else:
                device_port = free_port()
                device_args = ["--tcp-listen", str(device_port)]
                target = ["--tcp", "127.0.0.1:%d" % device_port]
            started.append(subprocess.Popen([sim, "--log", log] + device_args,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            time.sleep(0.5)
            port = free_port()
            started.append(subprocess.Popen(
                [ctl] + target + ["serve", "--http", "127.0.0.1:%d" % port],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
            wait_listening(port)
            time.sleep(0.5)  # the device connected
            page_switches(port, log, "tvx5870ctl serve, " + transport)
            state_load(port, "tvx5870ctl serve, " + transport)
            for p in reversed(started):
                p.send_signal(signal.SIGTERM)
                p.wait()
            started.clear()
    finally:
        for p in started:
            p.kill()
            p.wait()


if __name__ == "__main__":
    if sys.argv[1] == "program":
        program(sys.argv[2], sys.argv[3])
    else:
        serve(sys.argv[2], sys.argv[3])
