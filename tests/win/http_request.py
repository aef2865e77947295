#!/usr/bin/env python3
"""One HTTP request from Linux, for the Windows tests: http_request.py OUT METHOD URL [BODY]
[TOKEN], BODY as @FILE for the bytes of that file. Writes "STATUS\\nBODY" into OUT (first into OUT.part, then renamed, so that a reader
never sees half of it); STATUS is 0 when the connection failed. The host "this-host" in URL
stands for an address of this machine other than loopback; without one OUT says "none"."""

import os
import socket
import sys
import urllib.error
import urllib.request


def this_host():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.connect(("192.0.2.1", 9))  # no packet is sent
            address = s.getsockname()[0]
        except OSError:
            return None
    return None if address.startswith("127.") else address


def ask(method, url, body, token):
    if "this-host" in url:
        host = this_host()
        if host is None:
            return "none\n"
        url = url.replace("this-host", host)
    request = urllib.request.Request(url, data=body, method=method)
    if token:
        request.add_header("Authorization", "Bearer " + token)
    try:
        with urllib.request.urlopen(request, timeout=20) as r:
            return "%d\n%s" % (r.status, r.read().decode("utf-8"))
    except urllib.error.HTTPError as e:
        return "%d\n%s" % (e.code, e.read().decode("utf-8"))
    except OSError as e:
        return "0\n%s" % e


def main():
    out, method, url = sys.argv[1:4]
    body = sys.argv[4].encode("utf-8") if len(sys.argv) > 4 and sys.argv[4] else None
    if body and body.startswith(b"@"):
        with open(body[1:].decode("utf-8"), "rb") as f:
            body = f.read()
    token = sys.argv[5] if len(sys.argv) > 5 else ""
    with open(out + ".part", "w", encoding="utf-8") as f:
        f.write(ask(method, url, body, token))
    os.replace(out + ".part", out)


if __name__ == "__main__":
    main()
