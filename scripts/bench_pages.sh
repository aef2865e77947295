#!/usr/bin/env bash
# Figures of the pictures of pages: the contact sheet of all 144 pages written by tvx5870ctl
# (the native build, wall time of the whole command), and under Wine the window
# "ページの見え方...": a redraw after a change of page and of font, and "一覧を PNG で保存...".
# Every title holds 20 kanji of its own and an external character, so every page draws four
# full lines and the sheet 2,880 distinct characters.
#
#   scripts/bench_pages.sh [RUNS]
# Build folders as for scripts/run.sh (TVX_NATIVE_BUILD_DIR, TVX_MINGW_BUILD_DIR); both builds
# must exist (scripts/test.sh makes them). Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
runs="${1:-5}"
ctl="$native/cli/tvx5870ctl"
bench="$mingw/tests/win/page_view_bench.exe"
for file in "$ctl" "$bench"; do
    if [ ! -e "$file" ]; then
        echo "bench_pages.sh: missing $file (build first: scripts/test.sh)" >&2
        exit 1
    fi
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
python3 - "$work" <<'PY'
import sys, os
work = sys.argv[1]
kanji = []
ch = ord("亜")
while len(kanji) < 144 * 20:
    try:
        if len(chr(ch).encode("cp932")) == 2:
            kanji.append(chr(ch))
    except UnicodeEncodeError:
        pass
    ch += 1
titles = ["".join(kanji[t * 20:t * 20 + 20]).encode("cp932") + b"\x10\x20" for t in range(144)]
lines = ["1"] * 576 + ["2"] * 576 + ["0"] * 8 + ["7"] * 4 + ["1", "1"]
lines = [l.encode() for l in lines] + titles + [b"7"] * 4
lines += [str(k).encode() for p in range(4) for k in range(144)]
with open(os.path.join(work, "full.dat"), "wb") as f:
    f.write(b"".join(l + b"\r\n" for l in lines))
with open(os.path.join(work, "g.tlm"), "wb") as f:
    f.write(("".join(c + "\r\n" for c in "F0" * 128 + "0" * 256 * 159)).encode())
PY

echo "tvx5870ctl render --sheet ($native, median of $runs runs, whole command):"
times=()
for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$ctl" render "$work/full.dat" --glyphs "$work/g.tlm" --sheet --overwrite "$work/sheet.png" >/dev/null
    times+=($((($(date +%s%N) - start) / 1000000)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
echo "  144 pages, $(stat -c %s "$work/sheet.png") bytes of PNG: $median ms"

exec "$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name bench_pages --timeout 300 \
    -- "$bench"
