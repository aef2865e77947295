#!/usr/bin/env bash
# Figures of glyphs made from a font and from pictures: the milliseconds of one character of a
# font and of one picture into 32 x 32, as the editor's two dialogs make them when a slider
# moves and when they open. The core is built optimized (-O2) in build/bench, natively.
#
#   scripts/bench_glyph_sources.sh [FONT]     FONT: a .ttf/.otf (default IPA Gothic)
# Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh >/dev/null
build="$root/build/bench"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target glyph_sources_bench >/dev/null
exec "$build/tests/bench/glyph_sources_bench" "$@"
