#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native core and simulator
# tests, the same under AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target over
# its seed corpus (clang), and the Windows build with its tests under Wine (which use the native
# simulator, so native comes first).
#
# The Windows tests mostly wait on the program's timers (two of them run set-all at the real
# periods for minutes), so they run in the background, three at a time, while the sanitizer and
# fuzz builds take what processor time is left at a low priority. Their output follows theirs.
set -euo pipefail
cd "$(dirname "$0")/.."

start=$SECONDS
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build PRESET [nice]: configure and build, at a lower priority when asked
  local preset="$1" prio="${2:-0}"
  cmake --preset "$preset" >/dev/null
  nice -n "$prio" cmake --build --preset "$preset" -j "$jobs"
}

phase=$SECONDS
echo "== native"
build native
ctest --preset native -j "$jobs"
echo "== native done in $((SECONDS - phase)) s"

phase=$SECONDS
echo "== mingw (build)"
build mingw
echo "== mingw build done in $((SECONDS - phase)) s; its tests go on in the background"
wine_log=build/mingw/ctest-wine.log
wine_start=$SECONDS
# The longest tests start first (their COST); the Windows tests' own wrapper gives each its
# prefix, display, pty pair and simulator.
ctest --preset mingw -j 3 >"$wine_log" 2>&1 &
wine_pid=$!
trap 'kill "$wine_pid" 2>/dev/null || true' EXIT

for preset in native-asan fuzz; do
  phase=$SECONDS
  echo "== $preset"
  build "$preset" 10
  nice -n 10 ctest --preset "$preset" -j "$jobs"
  echo "== $preset done in $((SECONDS - phase)) s"
done

echo "== mingw tests (started $((SECONDS - wine_start)) s ago)"
wine_status=0
wait "$wine_pid" || wine_status=$?
trap - EXIT
cat "$wine_log"
if [ "$wine_status" -ne 0 ]; then
  echo "== mingw tests failed"
  exit "$wine_status"
fi
echo "== mingw tests done, $((SECONDS - wine_start)) s after they started"
echo "== all tests passed in $((SECONDS - start)) s"
