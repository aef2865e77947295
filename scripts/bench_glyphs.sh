#!/usr/bin/env bash
# Figures of the external character drawing under Wine: the median time of a full redraw of
# the editor's 32 x 32 grid and of the list's 16 cells, drawn the program's way (one off-screen
# picture copied once per control) and the way of a new pen and brush for each of the 1024 dots
# of a glyph, in the real dialogs on a private Xvfb.
#
#   scripts/bench_glyphs.sh
# Build folders as for scripts/run.sh (TVX_MINGW_BUILD_DIR); the mingw build must exist
# (scripts/test.sh makes it). Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
bench="$mingw/tests/win/glyph_bench.exe"
if [ ! -e "$bench" ]; then
    echo "bench_glyphs.sh: missing $bench (build first: scripts/test.sh)" >&2
    exit 1
fi
exec "$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name bench_glyphs --timeout 300 \
    -- "$bench"
