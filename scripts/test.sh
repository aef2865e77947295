#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native core and simulator
# tests, the same under AddressSanitizer + UndefinedBehaviorSanitizer, and the Windows build
# with its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

for preset in native native-asan mingw; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
echo "== all tests passed"
