#!/usr/bin/env bash
# The guide's picture of an example page, drawn by tvx5870ctl render: the titles of
# docs/titles-example.csv read into a new settings file, page 10 given four of them (title 10
# holds external characters 1 and 2, drawn here as two arrowheads), ch.2 Bottom moved down by
# its fine offset.
#
#   scripts/page_example.sh [--no-build] [OUT.png]     (default docs/images/page-example.png)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
build_first=1
if [ "${1:-}" = "--no-build" ]; then
    build_first=0
    shift
fi
out="${1:-$root/docs/images/page-example.png}"
if [ "$build_first" -eq 1 ]; then
    [ -f "$native/CMakeCache.txt" ] || cmake --preset native >/dev/null
    cmake --build "$native" -j2 --target tvx5870ctl >/dev/null
fi
ctl="$native/cli/tvx5870ctl"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$ctl" titles import "$root/docs/titles-example.csv" "$work/example.dat" >/dev/null
python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
path = os.path.join(work, "example.dat")
lines = open(path, "rb").read().split(b"\r\n")
page = 9  # page 10
for position, title in enumerate([9, 1, 3, 4]):  # titles 10, 2, 4, 5
    lines[1314 + position * 144 + page] = str(title).encode()
for line in (1163, 1313):  # the offset of ch.2 Bottom, in both of its places
    lines[line] = b"11"
open(path, "wb").write(b"\r\n".join(lines))

def pattern(lit):
    rows = []
    for r in range(32):
        bits = sum(1 << (31 - c) for c in range(32) if lit(c, r))
        rows.append("%08X" % bits)
    return "".join(rows)

pointing_left = pattern(lambda c, r: 6 <= c <= 26 and abs(r - 16) <= (c - 6) * 3 // 4 and abs(r - 16) <= 12)
pointing_right = pattern(lambda c, r: 5 <= c <= 25 and abs(r - 16) <= (25 - c) * 3 // 4 and abs(r - 16) <= 12)
glyphs = pointing_left + pointing_right + "0" * 256 * 158
open(os.path.join(work, "example.tlm"), "wb").write("".join(ch + "\r\n" for ch in glyphs).encode())
PY
"$ctl" render "$work/example.dat" --glyphs "$work/example.tlm" --page 10 --overwrite "$out"
