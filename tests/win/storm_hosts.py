#!/usr/bin/env python3
"""Hosts on the LAN that hammer a TCP port, for the server role's storm test.

    storm_hosts.py --port P --mode hold|churn|reset|flood --hosts N [--count C] --status FILE

hold:  each host connects and keeps its connection until the other side closes it, then
       connects again at once (devices that retry, a script that wants a slot).
churn: each host connects and closes at once, over and over (a health check in a loop).
reset: connect and reset at once (linger 0), C times in all, a millisecond apart (a port
       scanner's connect scan).
flood: each host connects and sends bytes without a line feed as fast as it can.

Every 100 ms FILE gets "done K" (connections ended so far); at the end "finished K". The hosts
stop when FILE.stop exists, when C connections are done, when nobody has listened for 5 s, or
after a minute.
"""
import argparse
import os
import socket
import struct
import threading
import time


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--mode", choices=["hold", "churn", "reset", "flood"], required=True)
    parser.add_argument("--hosts", type=int, default=1)
    parser.add_argument("--count", type=int, default=0)
    parser.add_argument("--status", required=True)
    args = parser.parse_args()

    lock = threading.Lock()
    state = {"done": 0, "started": 0}
    stop = threading.Event()

    def take_turn():
        with lock:
            if args.count and state["started"] >= args.count:
                return False
            state["started"] += 1
            return True

    def host():
        connected = time.monotonic()
        while not stop.is_set() and take_turn():
            s = socket.socket()
            try:
                s.connect(("127.0.0.1", args.port))
                connected = time.monotonic()
            except OSError:
                s.close()
                if time.monotonic() - connected > 5:
                    return  # nobody listens any more
                time.sleep(0.001)
                continue
            if args.mode == "reset":
                s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            elif args.mode == "flood":
                s.settimeout(0.1)
                chunk = b"A" * 65536
                while not stop.is_set():
                    try:
                        s.send(chunk)
                    except socket.timeout:
                        continue
                    except OSError:
                        break
            elif args.mode == "hold":
                s.settimeout(0.1)
                while not stop.is_set():
                    try:
                        if not s.recv(64):
                            break
                    except socket.timeout:
                        continue
                    except OSError:
                        break
            s.close()
            with lock:
                state["done"] += 1
            if args.mode == "reset":
                time.sleep(0.001)

    def write_status(word):
        with open(args.status + ".tmp", "w") as f:
            f.write("%s %d\n" % (word, state["done"]))
        os.replace(args.status + ".tmp", args.status)

    threads = [threading.Thread(target=host, daemon=True) for _ in range(args.hosts)]
    for t in threads:
        t.start()
    end = time.monotonic() + 60
    while time.monotonic() < end and not os.path.exists(args.status + ".stop"):
        if not any(t.is_alive() for t in threads):
            break
        write_status("done")
        time.sleep(0.1)
    stop.set()
    for t in threads:
        t.join(1)
    write_status("finished")


if __name__ == "__main__":
    main()
