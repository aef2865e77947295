#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native core and simulator
# tests, the same under AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target over
# its seed corpus (clang), and the Windows build with its tests under Wine (which use the native
# simulator, so native comes first).
set -euo pipefail
cd "$(dirname "$0")/.."

start=$SECONDS
scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
for preset in native native-asan fuzz mingw; do
  phase=$SECONDS
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = mingw ]; then
    # Each Wine test has its own prefix, display, pty pair and simulator, and the long ones
    # mostly wait on the program's timers: three at a time, the longest started first.
    ctest --preset "$preset" -j 3
  else
    ctest --preset "$preset" -j "$jobs"
  fi
  echo "== $preset done in $((SECONDS - phase)) s"
done
echo "== all tests passed in $((SECONDS - start)) s"
