#!/usr/bin/env python3
"""End-to-end tests of the built tvx5870ctl against the built tvx5870-sim.

Usage: cli_e2e.py TVX5870CTL TVX5870_SIM SCENARIO
Scenarios: serial, tcp, listen, faults, errors, net, spec, titles, compare, info, log, render, glyph.

Every process started here is stopped by its process id at the end.
"""

import json
import os
import re
import select
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "win"))
from http_request import this_host  # noqa: E402  an address of this machine besides loopback

CTL = SIM = TMP = None
STARTED = []


def check(cond, what):
    if not cond:
        raise AssertionError(what)


def stop_all():
    for p in reversed(STARTED):
        if p.poll() is None:
            os.kill(p.pid, signal.SIGTERM)
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.kill(p.pid, signal.SIGKILL)
                p.wait()
    STARTED.clear()


class Sim:
    """The simulator, started until its ready line; its log read as frames."""

    def __init__(self, *args, name="sim"):
        self.log_path = os.path.join(TMP, name + ".jsonl")
        self.proc = subprocess.Popen([SIM, "--log", self.log_path] + list(args),
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        STARTED.append(self.proc)
        out, deadline = b"", time.time() + 10
        while b"tvx5870-sim: ready\n" not in out:
            check(time.time() < deadline and self.proc.poll() is None, "simulator not ready")
            if select.select([self.proc.stdout], [], [], 0.5)[0]:
                out += os.read(self.proc.stdout.fileno(), 4096)
        m = re.search(rb"listening on 127\.0\.0\.1:(\d+)", out)
        self.port = int(m.group(1)) if m else None

    def frames(self, direction="rx"):
        """(time, bytes) of every frame received (or write sent)."""
        with open(self.log_path, "rb") as f:
            entries = [json.loads(line) for line in f if line.strip()]
        return [(e["time"], e["bytes"].encode("latin-1")) for e in entries
                if e["direction"] == direction]


def pty_pair():
    a, b = os.path.join(TMP, "ttyA"), os.path.join(TMP, "ttyB")
    STARTED.append(subprocess.Popen(
        ["socat", "pty,raw,echo=0,ignoreeof,link=" + a, "pty,raw,echo=0,ignoreeof,link=" + b],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
    deadline = time.time() + 5
    while not (os.path.exists(a) and os.path.exists(b)):
        check(time.time() < deadline, "socat made no pty pair")
        time.sleep(0.02)
    return a, b


def ctl(*args, code=0):
    """Runs tvx5870ctl; checks its exit code; returns (stdout, stderr) as text."""
    p = subprocess.run([CTL] + list(args), capture_output=True, timeout=60, cwd=TMP)
    out, err = p.stdout.decode("utf-8"), p.stderr.decode("utf-8")
    check(p.returncode == code, "exit %d, not %d: %s\n%s%s" % (p.returncode, code, args, out, err))
    return out, err


def ctl_json(*args, code=0):
    return json.loads(ctl("--json", *args, code=code)[0])


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def read(name):
    with open(os.path.join(TMP, name), "rb") as f:
        return f.read()


# A settings file that differs from the defaults everywhere, titles in code page 932.
def distinct_settings(name="distinct.dat"):
    def title(t):
        if t == 7:
            return ""
        if t == 143:
            return "あいうえおかきくけこさしすせそたちつてとな"
        return "番組" + "".join(chr(0xFF10 + int(d)) for d in "%03d" % (t + 1))
    lines = []
    lines += [str(0 if (k + p) % 3 == 0 else 1) for p in range(4) for k in range(144)]
    lines += [str((k * 7 + p) % 100) for p in range(4) for k in range(144)]
    lines += ["144" if p == 0 else str(143 - p) for p in range(4)]
    lines += ["144" if p == 3 else str(10 + p * 30) for p in range(4)]
    lines += [str(12 + p) for p in range(4)] + ["3", "0"]
    lines += [title(t).encode("cp932").decode("latin-1") or "s" for t in range(144)]
    lines += [str(12 + p) for p in range(4)]
    lines += [str((143 - k + p * 5) % 144) for p in range(4) for k in range(144)]
    data = "".join(line + "\r\n" for line in lines).encode("latin-1")
    with open(os.path.join(TMP, name), "wb") as f:
        f.write(data)
    return data


def title_codes(text):
    """The 84 hexadecimal digits of a title: JIS X 0208 codes (EUC-JP less 0x80), 2121 padding."""
    jis = [b - 0x80 for b in text.encode("euc_jp")]
    codes = "".join("%02X" % b for b in jis)
    return codes + "2121" * ((84 - len(codes)) // 4)


# ---------------------------------------------------------------- scenarios


def scenario_serial():
    """Two devices on one line: push, then pull gives back the same file, one per address."""
    a, b = pty_pair()
    sim = Sim("--serial", b, "--devices", "2")
    original = distinct_settings()
    out, _ = ctl("--serial", a, "--address", "0-1", "push", "distinct.dat")
    check(re.search(r"^00 +ok +172/172 .*\n01 +ok +172/172 ", out, re.M), out)
    check(out.endswith("2 devices: 2 ok, 0 failed\n"), out)
    rx = [frame for _, frame in sim.frames()]
    check(len(rx) == 340, "170 frames per device, not %d" % len(rx))
    check([f[:2] for f in rx] == [b"00"] * 170 + [b"01"] * 170, "one device after the other")
    check(rx[0] == b"00CT001" + title_codes("番組００１").encode() + b"\r\n", rx[0])
    check(rx[7] == b"00CT008" + b"2121" * 21 + b"\r\n", rx[7])

    ctl("--serial", a, "--address", "0-1", "pull", "back.dat")
    check(read("back-00.dat") == original and read("back-01.dat") == original,
          "pulled files equal the pushed one")
    before = os.stat(os.path.join(TMP, "back-00.dat")).st_mtime_ns
    out, _ = ctl("--serial", a, "pull", "back-00.dat", code=1)
    check("back-00.dat exists; nothing read" in out, out)
    check(os.stat(os.path.join(TMP, "back-00.dat")).st_mtime_ns == before, "file untouched")
    ctl("--serial", a, "pull", "--overwrite", "back-00.dat")

    out, _ = ctl("--serial", a, "--address", "1", "send", "RCT002")
    check('T002: 「番組００２」' in out, out)


def scenario_tcp():
    """Two devices that listen, served side by side; a pull writes one file per host."""
    original = distinct_settings()
    sims = [Sim("--tcp-listen", "0", name="sim%d" % i) for i in range(2)]
    hosts = ["127.0.0.1:%d" % s.port for s in sims]
    report = ctl_json("--tcp", hosts[0], "--tcp", hosts[1], "push", "distinct.dat")
    check([d["ok"] for d in report["devices"]] == [True, True], report)
    check([d["device"] for d in report["devices"]] == hosts, report)
    first = [[frame for _, frame in s.frames()] for s in sims]
    check(len(first[0]) == 170 and first[0] == first[1], "the same 170 frames in the same order")

    # Side by side: two connections to one simulator (two names of one host), whose log holds
    # the frames of both in the order they came. Serving one after the other could not
    # interleave them; the clock plays no part.
    shared = Sim("--tcp-listen", "0", name="shared")
    ctl("--tcp", "127.0.0.1:%d" % shared.port, "--tcp", "localhost:%d" % shared.port,
        "push", "distinct.dat")
    with open(shared.log_path, "rb") as f:
        conns = [e["conn"] for e in map(json.loads, filter(bytes.strip, f))
                 if e["direction"] == "rx"]
    a, b = sorted(set(conns))
    check(conns.count(a) == 170 and conns.count(b) == 170, "170 frames each")
    order = "".join("a" if c == a else "b" for c in conns)
    check(order.index("b") < order.rindex("a") and order.index("a") < order.rindex("b"),
          "the two devices were served side by side: " + order)

    ctl("--tcp", hosts[0], "--tcp", hosts[1], "pull", "net.dat")
    for s in sims:
        check(read("net-127.0.0.1_%d.dat" % s.port) == original, "pulled file of %d" % s.port)

    # Glyphs are not read while a position switches automatically (ch.2 Bottom of the file).
    out, _ = ctl("--tcp", hosts[0], "glyphs", "pull", "back.tlm", code=1)
    check('step 1 RFBMA365: unexpected reply "GN": Socket 自動切換え中！' in out, out)
    ctl("--tcp", hosts[0], "send", "P02B001")
    # Glyphs 1..64 registered and read back (65..160 are not on the device: left empty).
    patterns = ["%X" % (g % 16) * 256 if g < 64 else "0" * 256 for g in range(160)]
    glyphs = "".join(ch + "\r\n" for ch in "".join(patterns)).encode()
    with open(os.path.join(TMP, "g.tlm"), "wb") as f:
        f.write(glyphs)
    ctl("--tcp", hosts[0], "glyphs", "push", "g.tlm")
    rx = [f for _, f in sims[0].frames()][-64:]
    check(rx[0] == b"00GR01" + b"0" * 256 + b"\r\n" and rx[63][:6] == b"00GR64", rx[0])
    ctl("--tcp", hosts[0], "glyphs", "pull", "back.tlm")
    check(read("back.tlm") == glyphs, "glyphs read back as registered")


def scenario_listen():
    """Devices that connect: --listen waits for --expect of them; missing ones fail."""
    port = free_port()
    Sim("--tcp-connect", "127.0.0.1:%d" % port, "--count", "3")
    report = ctl_json("--listen", str(port), "--expect", "3", "pull", "l.dat")
    check(report["ok"] == 3 and report["failed"] == 0, report)
    files = sorted(d["file"] for d in report["devices"])
    check(len(set(files)) == 3 and all(f.startswith("l-127.0.0.1_") for f in files), files)
    report = ctl_json("--listen", str(port), "--expect", "4", "--wait", "2", "send", "RCWL",
                      code=1)
    check(report["ok"] == 3, report)
    missing = report["devices"][3]
    check(missing["device"] == "device 4 of 4" and not missing["ok"], missing)
    check(missing["message"] == "did not connect to port %d within 2 s" % port, missing)


def scenario_faults():
    """An E3 at title 5 stops that device only; a device that goes silent fails, others go on."""
    distinct_settings()
    a, b = pty_pair()
    sim = Sim("--serial", b, "--devices", "2", "--error", "E3@5")
    report = ctl_json("--serial", a, "--address", "0-1", "push", "distinct.dat", code=1)
    bad, good = report["devices"]
    check(not bad["ok"] and bad["step"] == 5 and bad["code"] == "E3", bad)
    check(bad["command"].startswith("CT005") and bad["message"] == "Command Error", bad)
    check(good["ok"] and good["steps_done"] == 172, good)
    rx = [frame[:7] for _, frame in sim.frames()]
    check(rx[:5] == [b"00CT00%d" % n for n in range(1, 6)] and rx[5] == b"01CT001", rx[:6])

    # A device that stops answering after its tenth frame, next to one that does not.
    sims = [Sim("--tcp-listen", "0", name="ok"),
            Sim("--tcp-listen", "0", "--silent-after", "10", name="silent")]
    start = time.time()
    report = ctl_json("--tcp", "127.0.0.1:%d" % sims[0].port, "--tcp",
                      "127.0.0.1:%d" % sims[1].port, "push", "distinct.dat", code=1)
    ok, silent = report["devices"]
    check(ok["ok"], ok)
    check(not silent["ok"] and silent["step"] == 11 and silent["message"] ==
          "no reply within 5.0 s", silent)
    check(5 <= time.time() - start < 15, "the silent device failed after 5 s")

    # An address nobody has, on the serial line: 3.5 s, and the next address is served.
    out, _ = ctl("--serial", a, "--address", "5,1", "send", "CWL2", code=1)
    check(re.search(r"^05 +FAILED .*step 1 CWL2: no reply within 3\.5 s$", out, re.M), out)
    # With stderr redirected, one plain line per device as it ends.
    _, err = ctl("--serial", a, "--address", "1,5", "send", "CWL2", code=1)
    check(re.match(r"tvx5870ctl: 01 send: ok 1/1 \d+\.\d s  01GO\n"
                   r"tvx5870ctl: 05 send: FAILED 1/1 3\.\d s  step 1 CWL2: no reply within "
                   r"3\.5 s\n$", err), err)

    # Ctrl+C (SIGINT) ends each device where it is, with its report and exit code 130.
    slow = Sim("--tcp-listen", "0", "--reply-delay", "3000", name="slow")
    p = subprocess.Popen([CTL, "--json", "--tcp", "127.0.0.1:%d" % slow.port, "push",
                          "distinct.dat"], stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=TMP)
    STARTED.append(p)
    time.sleep(1)
    p.send_signal(signal.SIGINT)
    report_bytes, err = p.communicate(timeout=10)
    check(p.returncode == 130, "exit %d after Ctrl+C: %s" % (p.returncode, err))
    device = json.loads(report_bytes)["devices"][0]
    check(not device["ok"] and device["message"] == "interrupted", device)
    check(re.search(r"^01 +ok .* 01GO$", out, re.M), out)


def scenario_errors():
    """Usage errors exit 2 with one line; a port, a host or a file that fails is named."""
    for args in (["send", "CWL1"], ["--serial", "x", "--address", "32", "send", "CWL1"],
                 ["--serial", "x", "--broadcast", "pull", "a.dat"],
                 ["--tcp", "h", "net", "show"], ["--listen", "9004", "push", "a.dat"],
                 ["--serial", "x", "net", "set", "--port", "70000"],
                 ["--serial", "x", "send", "CWL\x011"], ["--serial", "x", "frobnicate"]):
        _, err = ctl(*args, code=2)
        check(err.startswith("tvx5870ctl: ") and err.count("\n") == 1, err)
    # A word the options could not place is named; an empty address is no device 00.
    subcommands = "send, push, verify, diff, info, pull, glyphs, net, render, titles, serve, glyph"
    for args, message in (
            (["--serial", "x", "--address", "", "pull", "a.dat"],
             "--address is empty: give the slave addresses (e.g. --address 0-3), or leave the "
             "option out for device 00"),
            (["--serial", "x", "--address", "pull", "a.dat"],
             '--address took the subcommand "pull" for its value: its own value is missing '
             "(an unset variable?)"),
            (["--tcp", "--json", "info"], "--tcp has no value (--json follows it)"),
            (["--serial", "x", "pul", "a.dat"], '"pul" is no subcommand (%s)' % subcommands),
            (["--serial", "x", "--json"], "give a subcommand: " + subcommands),
            (["--output", "", "diff", "a.dat", "b.dat"],
             "--output is empty: give the report's file")):
        _, err = ctl(*args, code=2)
        check(err == "tvx5870ctl: %s (see --help)\n" % message, err)
    for sub in ([], ["send"], ["push"], ["pull"], ["net"], ["net", "set"]):
        out, _ = ctl(*(sub + ["--help"]))
        check("Examples:" in out, out)

    out, _ = ctl("--serial", "/nonexistent/tty", "send", "CWL1", code=1)
    check("cannot open serial port /nonexistent/tty: No such file or directory" in out, out)
    # --output: the report into a file, nothing on stdout; a folder that is not there is said
    # before anything is sent.
    out, _ = ctl("--serial", "/nonexistent/tty", "--json", "--output", "r.json", "send", "CWL1",
                 code=1)
    report = json.loads(read("r.json").decode("utf-8"))
    check(out == "" and report["devices"][0]["message"] ==
          "cannot open serial port /nonexistent/tty: No such file or directory", report)
    for args in (["--output", "none/r.json", "send", "CWL1"], ["pull", "none/b.dat"]):
        _, err = ctl("--serial", "/nonexistent/tty", *args, code=1)
        check(re.match(r"tvx5870ctl: (--output|pull:) none/\S+: cannot create a file there: "
                       r"No such file or directory\n$", err), err)
        check(not os.path.exists(os.path.join(TMP, "none")), "no folder made")
    port = free_port()
    out, _ = ctl("--tcp", "127.0.0.1:%d" % port, "send", "CWL1", code=1)
    check("cannot connect to 127.0.0.1:%d: Connection refused" % port in out, out)

    sim = Sim("--tcp-listen", "0")
    host = "127.0.0.1:%d" % sim.port
    data = distinct_settings("bad.dat").split(b"\r\n")
    for lines, message in ((data[:1200], "bad.dat: not a whole settings file (1200 lines, "),
                           (data[:1170] + [b"\x82"] + data[1171:],
                            "bad.dat: title 5 cannot be sent: ")):
        with open(os.path.join(TMP, "bad.dat"), "wb") as f:
            f.write(b"\r\n".join(lines))
        _, err = ctl("--tcp", host, "push", "bad.dat", code=1)
        check(err.startswith("tvx5870ctl: " + message), err)
    with open(os.path.join(TMP, "bad.tlm"), "wb") as f:
        f.write(b"0\r\n" * 300 + b"G\r\n" + b"0\r\n" * 40659)
    _, err = ctl("--tcp", host, "glyphs", "push", "bad.tlm", code=1)
    check(err == "tvx5870ctl: bad.tlm: glyph 2, pattern character 45 is no hexadecimal digit\n",
          err)
    check(sim.frames() == [], "nothing was sent")


def scenario_net():
    """The network settings go out bare; net show reads the nine values back."""
    a, b = pty_pair()
    sim = Sim("--serial", b)
    ctl("--serial", a, "net", "set", "--ip", "192.168.1.3", "--gateway", "10.0.0.254",
        "--subnet", "B", "--port", "9005", "--keep-alive", "on", "--time-register", "1")
    check([f for _, f in sim.frames()] == [b"IA192.168.001.003\r\n", b"GA010.000.000.254\r\n",
                                           b"SMB\r\n", b"PN09005\r\n", b"KAON\r\n", b"TR1\r\n"],
          sim.frames())
    report = ctl_json("--serial", a, "net", "show")
    values = report["devices"][0]["values"]
    for line in ("ip address: 192.168.1.3", "gateway address: 10.0.0.254", "port number: 09005",
                 "subnet mask: Class B", "keep alive: ON", "time register: 1", "version: 1.00"):
        check(line in values, values)
    check([f for _, f in sim.frames()][6:] == [b"R%s\r\n" % n for n in
                                                (b"AA", b"GA", b"IA", b"MA", b"PN", b"SM",
                                                 b"KA", b"TR", b"VN")], sim.frames()[6:])
    ctl("--serial", a, "--broadcast", "send", "CWL2")
    # Nothing answers a broadcast: the frame may reach the log after the command has ended.
    deadline = time.time() + 5
    while len(sim.frames()) < 16 and time.time() < deadline:
        time.sleep(0.05)
    check(sim.frames()[-1][1] == b"FFCWL2\r\n", sim.frames()[-1])


def scenario_spec():
    """--pace spec: the program's periods, and an error reply stops the run at its tick."""
    distinct_settings()
    a, b = pty_pair()
    sim = Sim("--serial", b, "--error", "E3@5")
    start = time.time()
    report = ctl_json("--serial", a, "--pace", "spec", "push", "distinct.dat", code=1)
    check(report["devices"][0]["step"] == 5 and report["pace"] == "spec", report)
    rx = sim.frames()
    check([f[:7] for _, f in rx] == [b"00CT00%d" % n for n in range(1, 6)], rx)
    times = [start] + [t for t, _ in rx]
    gaps = [b - a for a, b in zip(times, times[1:])]
    check(all(abs(g - 1.2) < 0.25 for g in gaps), "1.2 s apart: %s" % gaps)

    ctl("--serial", a, "--pace", "spec", "net", "show")
    rx = sim.frames()[5:]
    check(len(rx) == 9 and rx[0][1] == b"RAA\r\n", rx)
    gaps = [b[0] - a[0] for a, b in zip(rx, rx[1:])]
    check(all(abs(g - 0.2) < 0.1 for g in gaps), "0.2 s apart: %s" % gaps)


def scenario_titles():
    """titles export and import round trip a settings file; push --titles sends the CSV's."""
    original = distinct_settings()
    names = ["番組" + "".join(chr(0xFF10 + int(d)) for d in "%03d" % (t + 1)) for t in range(144)]
    names[7], names[143] = "", "あいうえおかきくけこさしすせそたちつてとな"
    text = "番号,タイトル\r\n" + "".join("%d,%s\r\n" % (t + 1, names[t]) for t in range(144))

    out, _ = ctl("titles", "export", "distinct.dat", "t.csv")
    check(out == "t.csv: the 144 titles of distinct.dat (UTF-8)\n", out)
    check(read("t.csv") == b"\xef\xbb\xbf" + text.encode("utf-8"), "UTF-8 CSV with BOM")
    _, err = ctl("titles", "export", "distinct.dat", "t.csv", "--encoding", "cp932", code=1)
    check(err == "tvx5870ctl: t.csv exists; nothing written (--overwrite replaces it)\n", err)
    ctl("titles", "export", "distinct.dat", "t932.csv", "--encoding", "cp932")
    check(read("t932.csv") == text.encode("cp932"), "code page 932 CSV")

    # Into the settings file it came from: byte for byte the same file, from either encoding.
    for csv in ("t.csv", "t932.csv"):
        out, _ = ctl("titles", "import", csv, "same.dat", "--into", "distinct.dat")
        check(out.startswith("same.dat: 144 titles from %s" % csv), out)
        check(read("same.dat") == original, "export then import gives the same file")
    # Into a new file: the titles, everything else at the defaults.
    ctl("titles", "import", "t.csv", "new.dat")
    lines = read("new.dat").split(b"\r\n")
    check(lines[1166:1310] == original.split(b"\r\n")[1166:1310], "titles taken")
    check(lines[:576] == [b"1"] * 576 and lines[1160:1166] == [b"7"] * 4 + [b"1", b"1"],
          "other settings at their defaults")

    # What a spreadsheet copy gives: tabs, half-width text, an external character, code page 932.
    with open(os.path.join(TMP, "edit.csv"), "wb") as f:
        f.write("2\tｶﾞﾝﾊﾞﾚ ABC\r\n5\t[外字57]\r\n".encode("cp932"))
    out, _ = ctl("titles", "import", "edit.csv", "same.dat")
    check(out == "same.dat: 2 titles from edit.csv (CP932), 8 half-width characters made full "
          "width\n", out)
    lines = read("same.dat").split(b"\r\n")
    check(lines[1167] == "ガンバレ　ＡＢＣ".encode("cp932") and lines[1170] == b"\x10\xfa",
          lines[1167:1171])

    # The guide's example spreadsheet loads as the guide says.
    example = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs",
                           "titles-example.csv")
    out, _ = ctl("titles", "import", example, "example.dat")
    check(out.endswith("8 titles from %s (UTF-8), 15 half-width characters made full width\n"
                       % example), out)
    lines = read("example.dat").split(b"\r\n")
    check(lines[1166 + 4] == "北海道，東北の天気".encode("cp932") and
          lines[1166 + 9] == b"\x10\x20" + "特別番組".encode("cp932") + b"\x10\x21" and
          lines[1166 + 11] == "ＴＶＸ－５８７０".encode("cp932"), lines[1166:1178])

    # A settings file cannot hold glyphs 73 and 76 as they are: import and pull say so.
    with open(os.path.join(TMP, "glyphs.csv"), "wb") as f:
        f.write("5,[外字73]\r\n12,あ[外字76]\r\n".encode("utf-8"))
    _, err = ctl("titles", "import", "glyphs.csv", "glyphs.dat")
    check(err == "".join("tvx5870ctl: warning: glyphs.dat: title %d: external character %d is "
                         "saved as 95 (a settings file cannot hold its code; a CSV of the titles "
                         "keeps it)\n" % tg for tg in ((5, 73), (12, 76))), err)

    # Every problem with its place, and nothing written.
    with open(os.path.join(TMP, "bad.csv"), "wb") as f:
        f.write("番号,タイトル\n2,€\n2,x\n145,y\n".encode("utf-8"))
    _, err = ctl("titles", "import", "bad.csv", "same.dat", code=1)
    check(err == "tvx5870ctl: bad.csv: 2行目 2列目 (1文字目): 「€」(U+20AC) はコードページ932にない文字です\n"
          "tvx5870ctl: bad.csv: 3行目 1列目: 番号 2 は 2行目にもあります\n"
          "tvx5870ctl: bad.csv: 4行目 1列目: 番号 145 は 1〜144 にありません\n", err)
    check(read("same.dat").split(b"\r\n")[1167] == "ガンバレ　ＡＢＣ".encode("cp932"), "unchanged")

    # push --titles sends the file with the CSV's titles; the file itself stays as it was.
    sim = Sim("--tcp-listen", "0")
    host = "127.0.0.1:%d" % sim.port
    _, err = ctl("--tcp", host, "push", "distinct.dat", "--titles", "bad.csv", code=1)
    check(err.startswith("tvx5870ctl: bad.csv: 2行目 2列目") and err.count("\n") == 3, err)
    check(sim.frames() == [], "nothing sent for a CSV with problems")
    ctl("--tcp", host, "push", "distinct.dat", "--titles", "edit.csv")
    rx = [frame for _, frame in sim.frames()]
    check(rx[1] == b"00CT002" + title_codes("ガンバレ　ＡＢＣ").encode() + b"\r\n", rx[1])
    check(rx[4] == b"00CT005A43F" + b"2121" * 20 + b"\r\n", rx[4])
    check(rx[0] == b"00CT001" + title_codes("番組００１").encode() + b"\r\n", rx[0])
    check(read("distinct.dat") == original, "the settings file is not changed")
    ctl("--tcp", host, "push", "distinct.dat", "--titles", "glyphs.csv")
    out, _ = ctl("--tcp", host, "pull", "pulled.dat")
    check("warning: title 12: external character 76 is saved as 95" in out, out)


def scenario_compare():
    """verify, push --verify and diff name exactly the settings a device changed by send."""
    original = distinct_settings("show.dat")
    a, b = pty_pair()
    sim = Sim("--serial", b, "--devices", "2")
    out, _ = ctl("--serial", a, "--address", "0-1", "push", "--verify", "show.dat")
    check(re.search(r"^00 +same +345/345 .*\n01 +same +345/345 ", out, re.M), out)
    check(out.endswith("2 devices: 2 same, 0 differ, 0 failed\n"), out)
    rx = [f for _, f in sim.frames()]
    check(rx[170] == b"00RAST01B\r\n" and rx[339] == b"00RCT144\r\n" and rx[340][:2] == b"01",
          "each device read back right after its push")

    ctl("--serial", a, "--address", "1", "send", "CWL1")
    night = title_codes("夜")
    ctl("--serial", a, "--address", "1", "send", "CT005" + night[:4] + "A43F" + night[8:])
    out, _ = ctl("--serial", a, "--address", "0-1", "verify", "show.dat", code=1)
    check(re.search(r"^00 +same +173/173 ", out, re.M), out)
    check(re.search(r"^01 +DIFFERS +173/173 .* 2 differences: 文字レベル 白, T005$", out, re.M), out)
    out, _ = ctl("--serial", a, "--address", "1", "verify", "--details", "show.dat", code=1)
    check("\n    文字レベル 白: 3 ≠ 1\n    T005: 「番組００５」 ≠ 「夜[外字57]」\n" in out, out)

    out, _ = ctl("--serial", a, "--address", "1", "diff", "-", "show.dat", code=1)
    check(out == "== 01: 2 differences\n文字レベル 白: 1 ≠ 3\n"
          "T005: 「夜[外字57]」 ≠ 「番組００５」\n", out)
    report = ctl_json("--serial", a, "--address", "0-1", "diff", "show.dat", "-", code=1)
    check(report["a"] == "show.dat" and report["b"] == "-", report)
    check([d["same"] for d in report["devices"]] == [True, False], report)
    check(report["devices"][1]["differences"][0] ==
          {"field": "文字レベル 白", "a": "3", "b": "1", "line": 1165}, report)
    ctl("--serial", a, "--address", "0", "diff", "-", "show.dat")
    frames = len(sim.frames())
    ctl("--serial", a, "--address", "1", "pull", "device1.dat")
    check(read("show.dat") == original, "diff and verify write nothing")

    out, _ = ctl("diff", "show.dat", "device1.dat", code=1)
    check(out == "文字レベル 白: 3 ≠ 1\nT005: 「番組００５」 ≠ 「夜[外字57]」\n", out)
    out, _ = ctl("diff", "show.dat", "show.dat")
    check(out == "", out)
    report = json.loads(ctl("--json", "diff", "device1.dat", "show.dat", code=1)[0])
    check(report["differences"][1] == {"field": "T005", "a": "「夜[外字57]」", "b": "「番組００５」",
                                       "line": 1171}, report)
    check(len(sim.frames()) == frames + 170, "a diff of two files asks no device")
    for args in (["diff", "-", "-"], ["--serial", a, "diff", "show.dat", "show.dat"],
                 ["diff", "-", "show.dat"], ["--serial", a, "--broadcast", "verify", "show.dat"],
                 ["--serial", a, "--broadcast", "push", "--verify", "show.dat"],
                 ["--serial", a, "push", "--details", "show.dat"]):
        _, err = ctl(*args, code=2)
        check(err.startswith("tvx5870ctl: ") and err.count("\n") == 1, err)


def scenario_info():
    """info: the network values on the serial line, the peer and round trip over TCP/IP."""
    a, b = pty_pair()
    sim = Sim("--serial", b, "--devices", "2", "--address", "4")
    ctl("--serial", a, "net", "set", "--ip", "192.168.1.3")
    out, _ = ctl("--serial", a, "info")
    lines = out.splitlines()
    check(lines[0].split() == ["DEVICE", "RESULT", "ROUND", "TRIP", "VERSION", "MAC", "ADDRESS",
                               "IP", "ADDRESS", "GATEWAY", "ADDRESS", "ACTIVE", "ADDRESS",
                               "SUBNET", "MASK", "PORT", "NUMBER", "KEEP", "ALIVE", "TIME",
                               "REGISTER"], lines[0])
    check(re.match(r"\S+ +ok +\d+\.\d ms +1\.00 +02-00-00-00-00-01 +192\.168\.1\.3 +0\.0\.0\.0 +"
                   r"0\.0\.0\.0 +Class C +09004 +OFF +6$", lines[1]), lines[1])
    rx = [f for _, f in sim.frames()][1:]
    check(rx == [b"R%s\r\n" % n for n in (b"AA", b"GA", b"IA", b"MA", b"PN", b"SM", b"KA", b"TR",
                                            b"VN")], rx)
    report = ctl_json("--serial", a, "--address", "4-6", "info", code=1)
    devices = report["devices"]
    check([d["ok"] for d in devices] == [True, True, False], devices)
    check(devices[1]["network"]["mac_address"] == "02-00-00-00-00-02", devices[1])
    check(devices[1]["network"]["version"] == "1.00" and devices[0]["round_trip_ms"] > 0, devices)
    check(devices[2]["message"] == "no reply within 3.5 s" and devices[2]["command"] == "RAA",
          devices[2])
    check([f for _, f in sim.frames()][10] == b"04RAA\r\n", "the reads carry the address")

    port = free_port()
    Sim("--tcp-connect", "127.0.0.1:%d" % port, "--count", "3", name="connect")
    report = ctl_json("--listen", str(port), "--expect", "3", "info")
    check(report["ok"] == 3, report)
    for d in report["devices"]:
        check(re.match(r"127\.0\.0\.1:\d+$", d["peer"]) and d["peer"] == d["line"], d)
        check(0 < d["round_trip_ms"] < 5000 and "network" not in d, d)
    listen = Sim("--tcp-listen", "0", name="listen")
    out, _ = ctl("--tcp", "localhost:%d" % listen.port, "info")
    check(re.search(r"^localhost +ok +\d+\.\d ms +127\.0\.0\.1:%d$" % listen.port, out, re.M),
          out)
    check([f for _, f in listen.frames()] == [b"00RCWL\r\n"], listen.frames())


def scenario_log():
    """--log and --log-json: every frame, reply and line event of every device of a run."""
    a, b = pty_pair()
    Sim("--serial", b, "--devices", "2")
    title = title_codes("番組")
    ctl("--serial", a, "--address", "0-1", "--log", "run.log", "--log-json", "run.jsonl", "send",
        "CT001" + title)
    # Appended to by the next run: device 01 answers the read, nobody has address 05.
    ctl("--serial", a, "--address", "1,5", "--log", "run.log", "send", "RCT001", code=1)
    lines = read("run.log").decode("utf-8").split("\n")
    check(lines[-1] == "", "every line ends")
    stamp = re.compile(r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} ")
    check(all(stamp.match(line) for line in lines[:-1]), lines)
    line = a.ljust(15)
    named = '"番組"'
    check([x[24:] for x in lines[:-1]] == [
        line + " -- link port opened",
        line + " 00 sent 00CT001" + title + "\\r\\n => title 001 " + named,
        line + " 00 recv 00GO\\r\\n => acknowledged",
        line + " 01 sent 01CT001" + title + "\\r\\n => title 001 " + named,
        line + " 01 recv 01GO\\r\\n => acknowledged",
        line + " -- link closed",
        line + " -- link port opened",
        line + " 01 sent 01RCT001\\r\\n",
        line + " 01 recv 01CT001" + title + "\\r\\n => applied: title 001 " + named,
        line + " 05 sent 05RCT001\\r\\n",
        line + " -- link no reply within 3.5 s",
        line + " -- link closed",
    ], lines)
    entries = [json.loads(x) for x in read("run.jsonl").decode("utf-8").splitlines()]
    check([e["kind"] for e in entries] == ["link", "sent", "recv", "sent", "recv", "link"],
          entries)
    check(entries[1] == {"time": entries[1]["time"], "link": a, "address": "00", "kind": "sent",
                         "text": "00CT001" + title + "\\r\\n",
                         "meaning": "title 001 " + named}, entries[1])
    check(re.match(r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}$", entries[1]["time"]), entries[1])

    # Over TCP/IP each device is named by its host; an error reply and its box are there too.
    sim = Sim("--tcp-listen", "0", "--error", "E3@1")
    host = "127.0.0.1:%d" % sim.port
    ctl("--tcp", host, "--log-json", "tcp.jsonl", "send", "CWL1", code=1)
    entries = [json.loads(x) for x in read("tcp.jsonl").decode("utf-8").splitlines()]
    check([(e["link"], e["kind"], e["text"], e["meaning"]) for e in entries] == [
        (host, "link", "connected", ""),
        (host, "sent", "00CWL1\\r\\n", ""),
        (host, "recv", "00E3\\r\\n", "error E3: Socket Command"),
        (host, "box", "Socket Command", ""),
        (host, "link", "closed", ""),
    ], entries)

    # A log that cannot be written stops the run before anything is sent.
    _, err = ctl("--tcp", host, "--log", TMP, "send", "CWL1", code=1)
    check(err == "tvx5870ctl: cannot write the log %s\n" % TMP, err)
    check(len(sim.frames()) == 1, "nothing sent")


def http(port, method, path, body=None, token=None, host="127.0.0.1"):
    """(status, JSON answer) of one request."""
    import http.client
    conn = http.client.HTTPConnection(host, port, timeout=20)
    headers = {"Authorization": "Bearer " + token} if token else {}
    conn.request(method, path, body=json.dumps(body) if body is not None else None,
                 headers=headers)
    r = conn.getresponse()
    answer = json.loads(r.read().decode("utf-8"))
    conn.close()
    return r.status, answer


def scenario_serve():
    """serve: each answer says what the device said; refused requests never reach it."""
    a, b = pty_pair()
    sim = Sim("--serial", b, "--address", "3", "--error", "E3@2", "--silent-after", "3")
    port, token = free_port(), "0123456789abcdef0123456789abcdef"
    proc = subprocess.Popen([CTL, "--serial", a, "--address", "3", "--log", "serve.log", "serve",
                             "--http", "0.0.0.0:%d" % port, "--allow", "203.0.113.0/24",
                             "--token", token], stderr=subprocess.PIPE, cwd=TMP)
    STARTED.append(proc)
    check(b"serving on" in proc.stderr.readline(), "serve started")
    page = "/api/v1/positions/ch1-top/page"
    check(http(port, "PUT", page, {"page": 3}, token) ==
          (200, {"key": "display_page.ch1-top", "name": "表示ページ ch.1 Top", "value": 3,
                 "shown": "003", "reply": "GO"}), "200 after GO")
    check(http(port, "PUT", page, {"page": 3}, token) ==
          (502, {"error": "device error", "code": "E3", "message": "Command Error"}), "E3")
    status, answer = http(port, "PUT", "/api/v1/titles/5", {"text": "朝のニュース"}, token)
    check(status == 200 and answer["value"] == "朝のニュース", answer)
    started = time.time()
    check(http(port, "PUT", page, {"page": "auto"}, token) ==
          (504, {"error": "no reply", "message": "No Connect"}), "504 when silent")
    check(3.0 <= time.time() - started < 6, "after the program's usual wait")
    rx = [f for _, f in sim.frames()]
    check(rx == [b"03P01T003\r\n", b"03P01T003\r\n",
                 b"03CT005" + title_codes("朝のニュース").encode() + b"\r\n", b"03P01TAS\r\n"],
          rx)
    # Without the token, or from a host not allowed: refused, and nothing reaches the device.
    check(http(port, "PUT", page, {"page": 1})[0] == 401, "token needed")
    check(http(port, "PUT", page, {"page": 1}, "x" * 32)[0] == 401, "wrong token")
    other = this_host()
    if other is None:
        print("no address besides loopback: the not-allowed host is not tried")
    else:
        check(http(port, "GET", "/api/v1/state", token=token, host=other)[0] == 403, "403")
    check(len(sim.frames()) == 4, "nothing more was sent")
    status, state = http(port, "GET", "/api/v1/state", token=token)
    check(status == 200 and state["program"] == "tvx5870ctl" and state["slave_address"] == 3,
          state)
    os.kill(proc.pid, signal.SIGTERM)
    check(proc.wait(timeout=10) == 0, "ends on SIGTERM")
    log = read("serve.log").decode("utf-8")
    check(" remote PUT /api/v1/positions/ch1-top/page => " in log, log)
    check(" remote answer => 502 E3 Command Error" in log, log)
    check(token not in log, "the token is never logged")
    if other is not None:
        check(" remote refused connection => not an allowed host" in log, log)
    with socket.socket() as s:
        check(s.connect_ex(("127.0.0.1", port)) != 0, "nothing listens once it has ended")


def png_size(name):
    """Width and height from a PNG's header; fails for anything that is no PNG."""
    data = read(name)
    check(data[:8] == b"\x89PNG\r\n\x1a\n" and data[12:16] == b"IHDR", name + " is no PNG")
    return int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")


def scenario_render():
    """render draws a page or the sheet of a file; from a device the very same picture."""
    lines = distinct_settings("show.dat").split(b"\r\n")
    # Page 12 shows title 133 on ch.1 Top; it ends in glyph 1.
    lines[1166 + 132] = "東京".encode("cp932") + b"\x10\x20"
    with open(os.path.join(TMP, "show.dat"), "wb") as f:
        f.write(b"\r\n".join(lines))
    glyphs = "".join(ch + "\r\n" for ch in "F0" * 128 + "0" * 256 * 159).encode()
    with open(os.path.join(TMP, "g.tlm"), "wb") as f:
        f.write(glyphs)

    out, _ = ctl("render", "show.dat", "--page", "12", "--glyphs", "g.tlm", "p12.png")
    check(out.startswith("p12.png: page 12 of show.dat, drawn in /"), out)
    check(png_size("p12.png") == (864, 528), png_size("p12.png"))
    ctl("render", "show.dat", "--page", "12", "p12-unknown.png")
    check(read("p12-unknown.png") != read("p12.png"), "the glyph file's patterns are drawn")
    ctl("render", "show.dat", "--sheet", "sheet.png", "--glyphs", "g.tlm")
    check(png_size("sheet.png") == (2280, 1760), png_size("sheet.png"))
    _, err = ctl("render", "show.dat", "--sheet", "sheet.png", code=1)
    check(err == "tvx5870ctl: sheet.png exists; nothing written (--overwrite replaces it)\n", err)

    # From a device: the settings read back draw the same picture as the file they came from.
    sim = Sim("--tcp-listen", "0")
    host = "127.0.0.1:%d" % sim.port
    ctl("--tcp", host, "push", "show.dat")
    ctl("--tcp", host, "render", "-", "--page", "12", "--glyphs", "g.tlm", "device.png")
    check(read("device.png") == read("p12.png"), "the device's page 12 is the file's")
    out, _ = ctl("--tcp", host, "render", "-", "--page", "12", "device.png", code=1)
    check("device.png exists; nothing read" in out, out)

    # Refusals, each before any device is asked.
    before = len(sim.frames())
    for args, code, text in [
            (["render", "show.dat", "x.png"], 2, "render: give --page N or --sheet"),
            (["render", "show.dat", "--page", "0", "x.png"], 2, "--page: Value 0 not in range"),
            (["--tcp", host, "render", "show.dat", "--page", "1", "x.png"], 2,
             "render of a file asks no device"),
            (["--tcp", host, "render", "-", "--page", "1", "--font", "show.dat", "x.png"], 1,
             "font show.dat: not a TrueType or OpenType font, or damaged"),
            (["render", "show.dat", "--page", "1", "--glyphs", "show.dat", "x.png"], 1,
             "show.dat: not a whole glyph file"),
            (["render", "nothing.dat", "--page", "1", "x.png"], 1, "cannot read nothing.dat")]:
        _, err = ctl(*args, code=code)
        check(text in err, err)
    check(len(sim.frames()) == before and not os.path.exists(os.path.join(TMP, "x.png")),
          "nothing asked, nothing written")


def write_png(name, width, height, grey):
    """A grey PNG of grey(x, y) (0 black .. 255 white)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\0" + bytes(grey(x, y) for x in range(width)) for y in range(height))
    with open(os.path.join(TMP, name), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def scenario_glyph():
    """glyph from-image and from-text make the glyph file when it is missing; show prints it."""
    # A 96 x 48 picture, its right half black: fitted as 32 x 16 in rows 8..23, columns 16..31.
    write_png("half.png", 96, 48, lambda x, y: 0 if x >= 48 else 255)
    out, _ = ctl("glyph", "from-image", "3", "half.png", "new.tlm")
    check(out.startswith("new.tlm: glyph 3 from half.png (96 x 48, threshold 128 automatic)\n"), out)
    lines = read("new.tlm").split(b"\r\n")
    check(len(lines) == 40961 and lines[-1] == b"", "40,960 lines")
    glyph3 = b"".join(lines[512:768])
    check(glyph3 == b"00000000" * 8 + b"0000FFFF" * 16 + b"00000000" * 8, glyph3)
    check(set(lines[:512] + lines[768:40960]) == {b"0"}, "the other glyphs empty")
    out, _ = ctl("glyph", "show", "3", "new.tlm")
    check(out.split("\n")[1:-1] == ["." * 32] * 8 + ["." * 16 + "#" * 16] * 16 + ["." * 32] * 8, out)

    out, _ = ctl("glyph", "from-text", "4", "口", "--font",
                 "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf", "--size", "80", "new.tlm")
    check(out.startswith("new.tlm: glyph 4 from 「口」 of ipag.ttf (size 80 %, threshold 128)\n"), out)
    check(read("new.tlm").split(b"\r\n")[512:768] == lines[512:768], "glyph 3 kept")
    _, err = ctl("glyph", "show", "4", "gone.tlm", code=1)
    check(err.startswith("tvx5870ctl: cannot read gone.tlm"), err)
    _, err = ctl("--serial", "/dev/null", "glyph", "show", "4", "new.tlm", code=2)
    check("glyph works on files only" in err, err)
    _, err = ctl("glyph", "from-image", "65", "half.png", "new.tlm", code=2)
    check("65" in err, err)


def main():
    global CTL, SIM, TMP
    CTL, SIM, scenario = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    with tempfile.TemporaryDirectory(prefix="tvx5870ctl-e2e.") as TMP:
        try:
            globals()["scenario_" + scenario]()
        finally:
            stop_all()
    print("cli e2e %s: passed" % scenario)


if __name__ == "__main__":
    main()
