#!/usr/bin/env python3
"""End-to-end tests of the built tvx5870-sim: a socat pty pair and loopback TCP.

Usage: sim_e2e.py PATH_TO_TVX5870_SIM SCENARIO
Scenarios: serial, tcp, connect, faults, robustness, state, errors.

Every process started here (the simulator, socat) is stopped by its process id
at the end, whatever happens.
"""

import json
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import termios
import time
import tty

SIM = None
TMP = None
STARTED = []  # Popen objects to stop at the end


# ---------------------------------------------------------------- processes


def stop_all():
    for p in reversed(STARTED):
        if p.poll() is None:
            try:
                os.kill(p.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            p.wait()
    STARTED.clear()


class Sim:
    """One run of the simulator; stdout is read until its ready line."""

    def __init__(self, *args, name="sim", expect_ready=True):
        self.log_path = os.path.join(TMP, name + ".jsonl")
        self.err_path = os.path.join(TMP, name + ".err")
        self.err = open(self.err_path, "wb")
        cmd = [SIM, "--log", self.log_path] + list(args)
        self.proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=self.err)
        STARTED.append(self.proc)
        self.port = None
        self.stdout = b""
        if expect_ready:
            self._wait_ready()

    def _wait_ready(self):
        deadline = time.time() + 10
        while b"tvx5870-sim: ready\n" not in self.stdout:
            left = deadline - time.time()
            check(left > 0, "simulator not ready in time: %r %s" % (self.stdout, self.stderr()))
            r, _, _ = select.select([self.proc.stdout], [], [], left)
            if r:
                chunk = os.read(self.proc.stdout.fileno(), 4096)
                check(chunk, "simulator ended before ready: %s" % self.stderr())
                self.stdout += chunk
        m = re.search(rb"tvx5870-sim: listening on 127\.0\.0\.1:(\d+)\n", self.stdout)
        if m:
            self.port = int(m.group(1))
            check(self.stdout.index(m.group(0)) < self.stdout.index(b"tvx5870-sim: ready"),
                  "listening line comes before ready")

    def stderr(self):
        self.err.flush()
        with open(self.err_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def stop(self, sig=signal.SIGTERM):
        os.kill(self.proc.pid, sig)
        rc = self.proc.wait(timeout=10)
        self.err.close()
        return rc

    def log(self):
        with open(self.log_path, "rb") as f:
            return [json.loads(line) for line in f.read().splitlines() if line]

    def rss_kb(self):
        with open("/proc/%d/status" % self.proc.pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def alive(self):
        return self.proc.poll() is None


def log_bytes(entry):
    """The exact bytes of a log entry: code point U+00bb is byte bb."""
    return entry["bytes"].encode("latin-1")


class PtyPair:
    """A virtual null-modem cable: we talk on end A, the simulator sits on B."""

    def __init__(self):
        self.a = os.path.join(TMP, "ttyA")
        self.b = os.path.join(TMP, "ttyB")
        self.proc = subprocess.Popen(
            ["socat", "pty,raw,echo=0,ignoreeof,link=" + self.a,
             "pty,raw,echo=0,ignoreeof,link=" + self.b],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        STARTED.append(self.proc)
        deadline = time.time() + 5
        while not (os.path.exists(self.a) and os.path.exists(self.b)):
            check(time.time() < deadline, "socat did not create the pty pair")
            time.sleep(0.02)
        self.fd = os.open(self.a, os.O_RDWR | os.O_NOCTTY)
        tty.setraw(self.fd)

    def write(self, data):
        os.write(self.fd, data)

    def fileno(self):
        return self.fd


class TcpPeer:
    def __init__(self, sock):
        self.sock = sock

    @staticmethod
    def connect(port):
        return TcpPeer(socket.create_connection(("127.0.0.1", port), timeout=5))

    def write(self, data):
        self.sock.sendall(data)

    def fileno(self):
        return self.sock.fileno()

    def close(self):
        self.sock.close()


def read_some(peer, timeout):
    """Bytes that arrive within `timeout` (b"" for none), None when the peer closed."""
    r, _, _ = select.select([peer], [], [], timeout)
    if not r:
        return b""
    if isinstance(peer, TcpPeer):
        try:
            data = peer.sock.recv(65536)
        except ConnectionResetError:
            return None
    else:
        data = os.read(peer.fileno(), 65536)
    return data if data else None


class Reader:
    """Collects replies from a peer line by line."""

    def __init__(self, peer):
        self.peer = peer
        self.buf = b""

    def line(self, timeout=3.0):
        deadline = time.time() + timeout
        while b"\n" not in self.buf:
            left = deadline - time.time()
            if left <= 0:
                return None
            chunk = read_some(self.peer, left)
            if chunk is None:
                return None
            self.buf += chunk
        line, _, self.buf = self.buf.partition(b"\n")
        return line + b"\n"

    def nothing(self, wait=0.25):
        data = self.buf + (read_some(self.peer, wait) or b"")
        self.buf = b""
        return data == b""

    def ask(self, frame, timeout=3.0):
        self.peer.write(frame)
        return self.line(timeout)


# ---------------------------------------------------------------- checks

def check(cond, what):
    if not cond:
        raise AssertionError(what)


def expect_eq(got, want, what):
    check(got == want, "%s: got %r, want %r" % (what, got, want))


# ---------------------------------------------------------------- catalogue


def d(value, width):
    return "%0*d" % (width, value)


POSITIONS = ["01T", "01B", "02T", "02B"]


def catalogue(seed):
    """(setting, read, expected read-back) for every command of the catalogue."""
    out = []
    for i, p in enumerate(POSITIONS):
        s = seed + i
        seconds = "".join(d((k * 3 + s) % 100, 2) for k in range(144))
        flags = "".join("F" if (k + s) % 4 == 0 else "N" for k in range(144))
        titles = "".join(d((k + s) % 144 + 1, 3) for k in range(144))
        out += [
            ("AST" + p + seconds, "RAST" + p, "AST" + p + seconds),
            ("CTD" + p + flags, "RCTD" + p, "CTD" + p + flags),
            ("CTDPO" + p + d(s % 16, 2), "RCTDPO" + p, "CTDPO" + p + d(s % 16, 2)),
            ("SUS" + p + "AS", "RSUS" + p, "SUS" + p + "AS"),
            ("SUS" + p + d(140 - s, 3), "RSUS" + p, "SUS" + p + d(140 - s, 3)),
            ("P" + p + "AS", "RP" + p, "P" + p + "AS"),
            ("P" + p + d(s + 1, 3), "RP" + p, "P" + p + d(s + 1, 3)),
            ("PP" + p + titles, "RPP" + p, "PP" + p + titles),
        ]
    title = "".join("%04X" % (0x3021 + (k + seed) % 60) for k in range(20)) + "2121"
    shown = "2422" * 21
    pattern = "".join("0123456789ABCDEF"[(k + seed) % 16] for k in range(256))
    out += [
        ("CWL" + str(seed % 4), "RCWL", "CWL" + str(seed % 4)),
        ("CEL" + str((seed + 1) % 4), "RCEL", "CEL" + str((seed + 1) % 4)),
        ("CT" + d(seed % 144 + 1, 3) + title, "RCT" + d(seed % 144 + 1, 3),
         "CT" + d(seed % 144 + 1, 3) + title),
        ("CN144" + shown, "RCT144", "CT144" + shown),
        ("G12T005I03", "RCT005", "CT005" + "2121" * 2 + "A370" + "2121" * 18),
        ("GR27" + pattern, "RFBMA421", "FBMA421" + pattern),
        ("GR01" + pattern.lower(), "RFBMA365", "FBMA365" + pattern),
        ("IA192.168.001.%03d" % seed, "RIA", "IA192.168.001.%03d" % seed),
        ("GA010.000.000.254", "RGA", "GA010.000.000.254"),
        ("AA172.016.%03d.001" % seed, "RAA", "AA172.016.%03d.001" % seed),
        ("SMB", "RSM", "SMB"),
        ("PN%05d" % (9000 + seed), "RPN", "PN%05d" % (9000 + seed)),
        ("KAON", "RKA", "KAON"),
        ("TR%d" % (seed % 6 + 1), "RTR", "TR%d" % (seed % 6 + 1)),
    ]
    return out


def run_catalogue(reader, prefix, seed, what):
    """Every setting gets GO behind the same prefix; every read returns it."""
    for setting, read, expected in catalogue(seed):
        expect_eq(reader.ask((prefix + setting + "\r\n").encode()),
                  (prefix + "GO\r\n").encode(), "%s %s" % (what, setting[:12]))
        expect_eq(reader.ask((prefix + read + "\r\n").encode()),
                  (prefix + expected + "\r\n").encode(), "%s %s" % (what, read))
    # Read-only values and a character picture.
    mac = reader.ask((prefix + "RMA\r\n").encode())
    check(re.fullmatch((prefix + r"MA([0-9A-F]{2}-){5}[0-9A-F]{2}\r\n").encode(), mac),
          "%s RMA: %r" % (what, mac))
    expect_eq(reader.ask((prefix + "RVN\r\n").encode()), (prefix + "VN1.00\r\n").encode(),
              what + " RVN")
    fbm = reader.ask((prefix + "RFBM3021\r\n").encode())
    check(re.fullmatch((prefix + "FBM3021FFFFFFFF[0-9A-F]{240}FFFFFFFF\r\n").encode(), fbm),
          "%s RFBM3021: %r" % (what, fbm))
    # Slave address: move away and back.
    if prefix:
        new = "%02d" % ((int(prefix) + 7) % 32)
        expect_eq(reader.ask((prefix + "SA" + new + "\r\n").encode()),
                  (prefix + "GO\r\n").encode(), what + " SA")
        expect_eq(reader.ask((new + "RCWL\r\n").encode()),
                  (new + "CWL" + str(seed % 4) + "\r\n").encode(), what + " after SA")
        expect_eq(reader.ask((new + "SA" + prefix + "\r\n").encode()),
                  (new + "GO\r\n").encode(), what + " SA back")
    # Malformed and unknown commands.
    for bad in ["CWL7", "XYZ", "RCT145", "P03T001", "PN9004", "RFBM0000"]:
        expect_eq(reader.ask((prefix + bad + "\r\n").encode()), (prefix + "E3\r\n").encode(),
                  "%s %s" % (what, bad))


# ---------------------------------------------------------------- scenarios


def scenario_serial():
    pty = PtyPair()
    sim = Sim("--serial", pty.b, "--devices", "2", "--address", "3")
    r = Reader(pty)
    run_catalogue(r, "03", 1, "serial 03")
    run_catalogue(r, "04", 2, "serial 04")
    run_catalogue(r, "", 3, "serial bare")
    # The bare frames went to the first device (03).
    expect_eq(r.ask(b"03RCWL\r\n"), b"03CWL3\r\n", "bare frames reach the first device")
    expect_eq(r.ask(b"04RCWL\r\n"), b"04CWL2\r\n", "second device untouched by bare frames")
    # Another address gets nothing; a broadcast is carried out by both, answered by none.
    pty.write(b"05RCWL\r\n")
    check(r.nothing(), "no reply for address 05")
    pty.write(b"FFCEL0\r\n")
    check(r.nothing(), "no reply to a broadcast")
    expect_eq(r.ask(b"03RCEL\r\n"), b"03CEL0\r\n", "broadcast reached 03")
    expect_eq(r.ask(b"04RCEL\r\n"), b"04CEL0\r\n", "broadcast reached 04")
    # XON and XOFF on the serial line are flow control, not data.
    expect_eq(r.ask(b"\x1103R\x13CWL\r\n\x11"), b"03CWL3\r\n", "XON/XOFF ignored")
    # A frame split over several writes is one frame.
    pty.write(b"03R")
    time.sleep(0.05)
    pty.write(b"CE")
    time.sleep(0.05)
    expect_eq(r.ask(b"L\r\n"), b"03CEL0\r\n", "frame in pieces")
    # Two frames in one write get two replies.
    pty.write(b"03RCWL\r\n04RCWL\r\n")
    expect_eq(r.line(), b"03CWL3\r\n", "first of two frames")
    expect_eq(r.line(), b"04CWL2\r\n", "second of two frames")
    rc = sim.stop()
    expect_eq(rc, 0, "exit status after SIGTERM")
    log = sim.log()
    # The log holds the exact bytes in both directions.
    rx = [log_bytes(e) for e in log if e["direction"] == "rx"]
    tx = [log_bytes(e) for e in log if e["direction"] == "tx"]
    check(b"03RCWL\r\n" in rx and b"04RCWL\r\n" in rx, "rx frames logged")
    check(b"03R" + b"CWL\r\n" in rx, "frame logged without XON/XOFF")
    check(b"03CEL0\r\n" in tx, "tx logged")
    for e in log:
        check(set(e) == {"time", "transport", "conn", "direction", "address", "bytes"},
              "log keys: %r" % e)
        expect_eq(e["transport"], "serial", "transport")
        expect_eq(e["conn"], 0, "serial conn number")
    addrs = {(e["direction"], e["address"]) for e in log}
    check(("rx", "FF") in addrs and ("rx", "") in addrs and ("tx", "04") in addrs,
          "log addresses: %r" % addrs)
    # Nothing the simulator sent holds XON or XOFF.
    for b in tx:
        check(b"\x11" not in b and b"\x13" not in b, "no flow control bytes sent")


def scenario_tcp():
    pty = PtyPair()
    sim = Sim("--serial", pty.b, "--tcp-listen", "0")
    check(sim.port, "listening port printed")
    c1 = TcpPeer.connect(sim.port)
    r1 = Reader(c1)
    run_catalogue(r1, "00", 5, "tcp 00")
    # Serial line and TCP reach the same device.
    rs = Reader(pty)
    expect_eq(rs.ask(b"00RCWL\r\n"), b"00CWL1\r\n", "serial sees the TCP setting")
    expect_eq(rs.ask(b"00CWL2\r\n"), b"00GO\r\n", "set over serial")
    expect_eq(r1.ask(b"00RCWL\r\n"), b"00CWL2\r\n", "TCP sees the serial setting")
    # A second connection at the same time is its own line.
    c2 = TcpPeer.connect(sim.port)
    r2 = Reader(c2)
    expect_eq(r2.ask(b"00RCWL\r\n"), b"00CWL2\r\n", "second connection")
    check(r1.nothing(0.1), "reply goes only to the asking connection")
    # Bare frames over TCP too.
    run_catalogue(r2, "", 6, "tcp bare")
    c1.close()
    c2.close()
    time.sleep(0.1)
    expect_eq(sim.stop(), 0, "exit status")
    log = sim.log()
    conns = {e["conn"] for e in log if e["transport"] == "tcp" and e["direction"] == "rx"}
    check(len(conns) == 2 and 0 not in conns, "tcp connection numbers: %r" % conns)
    events = [e["bytes"] for e in log if e["direction"] == "event"]
    check(any(t.startswith("connected from 127.0.0.1:") for t in events), "connect event")
    check("disconnected" in events, "disconnect event")


def accept_n(server, n, timeout=5):
    peers = []
    server.settimeout(timeout)
    for _ in range(n):
        s, _ = server.accept()
        peers.append(TcpPeer(s))
    return peers


def scenario_connect():
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    port = server.getsockname()[1]
    sim = Sim("--tcp-connect", "127.0.0.1:%d" % port, "--count", "3", "--address", "2")
    peers = accept_n(server, 3)
    readers = [Reader(p) for p in peers]
    run_catalogue(readers[0], "02", 7, "connect dev1")
    # Each connection is a device of its own.
    expect_eq(readers[1].ask(b"02RCWL\r\n"), b"02CWL1\r\n", "dev2 untouched")
    expect_eq(readers[1].ask(b"02CWL0\r\n"), b"02GO\r\n", "dev2 set")
    expect_eq(readers[2].ask(b"02RCWL\r\n"), b"02CWL1\r\n", "dev3 untouched")
    # Dropped by the program: the device connects again and keeps its state.
    # Which device comes back is told by its settings.
    peers[1].close()
    (back,) = accept_n(server, 1)
    rb = Reader(back)
    expect_eq(rb.ask(b"02RCWL\r\n"), b"02CWL0\r\n", "reconnected device kept its state")
    # The program not listening: the devices keep trying and come back.
    for p in peers[:1] + peers[2:] + [back]:
        p.close()
    server.close()
    time.sleep(0.6)
    check(sim.alive(), "simulator survives a vanished server")
    server = socket.socket()
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind(("127.0.0.1", port))
    server.listen(8)
    again = accept_n(server, 3, timeout=8)
    answers = sorted(Reader(p).ask(b"02RCWL\r\n") for p in again)
    expect_eq(answers, [b"02CWL0\r\n", b"02CWL1\r\n", b"02CWL3\r\n"], "all three back")
    for p in again:
        p.close()
    expect_eq(sim.stop(), 0, "exit status")
    events = [e["bytes"] for e in sim.log() if e["direction"] == "event"]
    check("reconnecting" in events, "reconnect event")
    server.close()

    # --drop-after: the device closes after its Nth frame, answered first, and comes back.
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(4)
    port = server.getsockname()[1]
    sim = Sim("--tcp-connect", "127.0.0.1:%d" % port, "--drop-after", "2", name="drop")
    (p,) = accept_n(server, 1)
    r = Reader(p)
    expect_eq(r.ask(b"00CWL3\r\n"), b"00GO\r\n", "frame 1")
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL3\r\n", "frame 2 answered before the drop")
    p.sock.settimeout(3)
    expect_eq(read_some(p, 3), None, "connection closed after frame 2")
    (p2,) = accept_n(server, 1)
    expect_eq(Reader(p2).ask(b"00RCWL\r\n"), b"00CWL3\r\n", "back after the drop")
    p.close()
    p2.close()
    server.close()
    expect_eq(sim.stop(), 0, "exit status")


def scenario_faults():
    # Injected errors and silence, counted over the run.
    sim = Sim("--tcp-listen", "0", "--error", "E3@2", "--error", "MENU@3", "--error", "E0@4",
              "--silent-after", "6", name="errors")
    r = Reader(TcpPeer.connect(sim.port))
    expect_eq(r.ask(b"00CWL2\r\n"), b"00GO\r\n", "frame 1")
    expect_eq(r.ask(b"00CWL3\r\n"), b"00E3\r\n", "frame 2 injected E3")
    expect_eq(r.ask(b"00RCWL\r\n"), b"00MENU\r\n", "frame 3 injected MENU")
    expect_eq(r.ask(b"RCWL\r\n"), b"E0\r\n", "frame 4 injected E0, bare")
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL2\r\n", "frame 2 was not carried out")
    expect_eq(r.ask(b"00RCEL\r\n"), b"00CEL1\r\n", "frame 6")
    r.peer.write(b"00RCWL\r\n")
    check(r.nothing(0.4), "silent after frame 6")
    sim.stop()

    # Reply delay.
    sim = Sim("--tcp-listen", "0", "--reply-delay", "300", name="delay")
    r = Reader(TcpPeer.connect(sim.port))
    t0 = time.time()
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL1\r\n", "delayed reply")
    took = time.time() - t0
    check(0.28 <= took < 1.5, "reply after about 300 ms, took %.3f s" % took)
    sim.stop()

    # Split: "00C" and the rest go out as two writes 50 ms apart.
    sim = Sim("--tcp-listen", "0", "--split", name="split")
    r = Reader(TcpPeer.connect(sim.port))
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL1\r\n", "split reply joined")
    sim.stop()
    tx = [e for e in sim.log() if e["direction"] == "tx"]
    expect_eq([log_bytes(e) for e in tx], [b"00C", b"WL1\r\n"], "split pieces in the log")
    check(tx[1]["time"] - tx[0]["time"] >= 0.045, "pause between the pieces")

    # Merge: the first reply waits for the second.
    sim = Sim("--tcp-listen", "0", "--merge", name="merge")
    peer = TcpPeer.connect(sim.port)
    peer.write(b"00RCWL\r\n")
    expect_eq(read_some(peer, 0.3), b"", "first reply held back")
    peer.write(b"00RCEL\r\n")
    got = b""
    while got.count(b"\n") < 2:
        chunk = read_some(peer, 2)
        check(chunk, "merged replies")
        got += chunk
    expect_eq(got, b"00CWL1\r\n00CEL1\r\n", "merged replies")
    sim.stop()

    # Garbage: a noise line before the reply, never XON/XOFF.
    sim = Sim("--tcp-listen", "0", "--garbage", name="garbage")
    r = Reader(TcpPeer.connect(sim.port))
    for _ in range(20):
        noise = r.ask(b"00RCWL\r\n")
        check(noise and noise != b"00CWL1\r\n" and 4 <= len(noise) <= 7, "noise %r" % noise)
        check(b"\x11" not in noise and b"\x13" not in noise and b"\r" not in noise, "noise bytes")
        expect_eq(r.line(), b"00CWL1\r\n", "reply after the noise")
    sim.stop()

    # Baud limit: a 441-byte PP reply takes about half a second on the serial line.
    pty = PtyPair()
    sim = Sim("--serial", pty.b, "--baud-limit", name="baud")
    r = Reader(pty)
    t0 = time.time()
    reply = r.ask(b"00RPP01T\r\n", timeout=5)
    took = time.time() - t0
    expect_eq(len(reply), 441, "PP reply length")
    check(0.45 <= took < 1.5, "paced at 9600 baud: %.3f s for 441 bytes" % took)
    sim.stop()


def scenario_robustness():
    pty = PtyPair()
    sim = Sim("--serial", pty.b, "--tcp-listen", "0", name="robust")
    r = Reader(pty)
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL1\r\n", "before")
    rss0 = sim.rss_kb()

    # Binary noise on the serial line and on TCP.
    noise = bytes((i * 131 + 7) % 256 for i in range(20000))
    pty.write(noise + b"\r\n")
    c = TcpPeer.connect(sim.port)
    c.write(noise + b"\r\n")
    time.sleep(0.3)
    r.buf = b""
    while read_some(pty, 0.1):
        pass  # E3 answers to the noise lines
    c.close()

    # A 10 MB line without a line feed, then a proper frame.
    c = TcpPeer.connect(sim.port)
    block = b"A" * (1 << 20)
    for _ in range(10):
        c.write(block)
    rc = Reader(c)
    expect_eq(rc.ask(b"\r\n00RCWL\r\n", timeout=10), b"00CWL1\r\n", "answers after 10 MB")
    c.close()

    # A client that connects and disconnects in a loop.
    for i in range(300):
        s = socket.create_connection(("127.0.0.1", sim.port), timeout=5)
        if i % 3 == 0:
            s.sendall(b"00RCW")
        s.close()
    # Connections the loop closed may still count against the limit for a moment.
    deadline = time.time() + 10
    while True:
        c = TcpPeer.connect(sim.port)
        answer = Reader(c).ask(b"00RCWL\r\n", timeout=1)
        c.close()
        if answer == b"00CWL1\r\n":
            break
        check(time.time() < deadline, "no answer after the connect loop")
        time.sleep(0.1)
    # A client that sends and never reads: the simulator stops taking its frames
    # (TCP holds the client back) instead of piling up replies.
    hog = socket.socket()
    hog.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    hog.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 65536)
    hog.connect(("127.0.0.1", sim.port))
    hog.setblocking(False)
    frame = b"00RPP01T\r\n" * 100
    sent = 0
    deadline = time.time() + 2
    while time.time() < deadline:
        try:
            sent += hog.send(frame)
        except BlockingIOError:
            time.sleep(0.01)
    check(sent < 1024 * 1024, "the client was held back (%d bytes taken)" % sent)
    check(sim.alive(), "simulator alive with a client that does not read")
    c = TcpPeer.connect(sim.port)
    expect_eq(Reader(c).ask(b"00RCWL\r\n"), b"00CWL1\r\n", "others served meanwhile")
    c.close()
    hog.close()
    time.sleep(0.3)
    check(sim.alive(), "simulator still running")
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL1\r\n", "serial still answers")
    c = TcpPeer.connect(sim.port)
    expect_eq(Reader(c).ask(b"00RCWL\r\n"), b"00CWL1\r\n", "TCP still answers")
    c.close()
    rss1 = sim.rss_kb()
    check(rss1 - rss0 < 32 * 1024, "memory grew from %d kB to %d kB" % (rss0, rss1))
    expect_eq(sim.stop(), 0, "exit status")
    events = [e["bytes"] for e in sim.log() if e["direction"] == "event"]
    check(any(e.startswith("line too long") for e in events), "line too long logged")


def scenario_state():
    path = os.path.join(TMP, "state.json")
    sim = Sim("--tcp-listen", "0", "--devices", "2", "--state", path, name="state1")
    r = Reader(TcpPeer.connect(sim.port))
    title = "3042" * 20 + "2121"
    pattern = "F0" * 128
    for frame in ["00CWL3", "01CEL2", "00CT007" + title, "00CN008" + "2422" * 21,
                  "01GR05" + pattern, "00P02BAS", "00IA192.168.001.003", "01SA09"]:
        expect_eq(r.ask((frame + "\r\n").encode()), (frame[:2] + "GO\r\n").encode(), frame)
    expect_eq(sim.stop(signal.SIGINT), 0, "exit status after SIGINT")
    with open(path) as f:
        state = json.load(f)
    expect_eq(len(state["devices"]), 2, "devices saved")
    expect_eq(state["devices"][1]["address"], 9, "address saved")

    sim = Sim("--tcp-listen", "0", "--state", path, name="state2")
    r = Reader(TcpPeer.connect(sim.port))
    expect_eq(r.ask(b"00RCWL\r\n"), b"00CWL3\r\n", "level kept")
    expect_eq(r.ask(b"00RCT007\r\n"), ("00CT007" + title + "\r\n").encode(), "title kept")
    expect_eq(r.ask(b"00RCT008\r\n"), ("00CT008" + "2121" * 21 + "\r\n").encode(),
              "not-memory title lost")
    expect_eq(r.ask(b"00RP02B\r\n"), b"00P02BAS\r\n", "page kept")
    expect_eq(r.ask(b"00RFBMA365\r\n"), b"00GN\r\n", "automatic switching kept")
    expect_eq(r.ask(b"00RIA\r\n"), b"00IA192.168.001.003\r\n", "network kept")
    expect_eq(sim.stop(), 0, "exit status")
    with open(path) as f:
        state = json.load(f)
    # The second device was not used in this run but is still in the file.
    expect_eq(len(state["devices"]), 2, "unused device kept")
    expect_eq(state["devices"][1]["glyphs"]["05"], pattern, "its glyph kept")

    # A damaged state file is refused before anything starts, and kept as it was.
    with open(path, "w") as f:
        f.write("{ not json")
    sim = Sim("--tcp-listen", "0", "--state", path, name="state3", expect_ready=False)
    rc = sim.proc.wait(timeout=10)
    check(rc != 0, "damaged state file refused")
    check("state file" in sim.stderr(), "message: %s" % sim.stderr())
    with open(path) as f:
        expect_eq(f.read(), "{ not json", "damaged file left alone")


def scenario_errors():
    # Port in use.
    blocker = socket.socket()
    blocker.bind(("127.0.0.1", 0))
    blocker.listen(1)
    port = blocker.getsockname()[1]
    sim = Sim("--tcp-listen", str(port), name="inuse", expect_ready=False)
    rc = sim.proc.wait(timeout=10)
    check(rc != 0, "port in use refused")
    check("cannot listen on 127.0.0.1:%d" % port in sim.stderr(), sim.stderr())
    check(b"ready" not in sim.proc.stdout.read(), "no ready line after an error")
    blocker.close()
    # A tty that cannot be opened.
    sim = Sim("--serial", os.path.join(TMP, "no-such-tty"), name="notty", expect_ready=False)
    check(sim.proc.wait(timeout=10) != 0, "missing tty refused")
    check("cannot open serial device" in sim.stderr(), sim.stderr())
    # No transport at all, and --help.
    out = subprocess.run([SIM], capture_output=True, timeout=10)
    check(out.returncode != 0 and b"nothing to do" in out.stderr, "no transport: %r" % out.stderr)
    out = subprocess.run([SIM, "--help"], capture_output=True, timeout=10)
    expect_eq(out.returncode, 0, "--help status")
    for word in [b"--serial", b"--tcp-listen", b"--tcp-connect", b"--count", b"--log",
                 b"--state", b"--reply-delay", b"--error", b"--silent-after", b"--split",
                 b"--merge", b"--garbage", b"--baud-limit", b"--drop-after", b"--devices",
                 b"--address", b"bare"]:
        check(word in out.stdout, "--help mentions %r" % word)
    # A second run on the same pty: even parity refused by the pty is a warning only.
    pty = PtyPair()
    for name in ("pty1", "pty2"):
        sim = Sim("--serial", pty.b, name=name)
        expect_eq(Reader(pty).ask(b"00RCWL\r\n"), b"00CWL1\r\n", name)
        expect_eq(sim.stop(), 0, name + " exit status")


SCENARIOS = {
    "serial": scenario_serial,
    "tcp": scenario_tcp,
    "connect": scenario_connect,
    "faults": scenario_faults,
    "robustness": scenario_robustness,
    "state": scenario_state,
    "errors": scenario_errors,
}


def main():
    global SIM, TMP
    if len(sys.argv) != 3 or sys.argv[2] not in SCENARIOS:
        print("usage: sim_e2e.py TVX5870_SIM {%s}" % ",".join(SCENARIOS), file=sys.stderr)
        return 2
    SIM = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="sim-e2e-") as tmp:
        TMP = tmp
        try:
            SCENARIOS[sys.argv[2]]()
        except AssertionError as e:
            print("FAIL: %s" % e, file=sys.stderr)
            for name in sorted(os.listdir(tmp)):
                if name.endswith(".err"):
                    with open(os.path.join(tmp, name), errors="replace") as f:
                        text = f.read().strip()
                    if text:
                        print("--- %s\n%s" % (name, text), file=sys.stderr)
            return 1
        finally:
            stop_all()
    print("ok: %s" % sys.argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main())
