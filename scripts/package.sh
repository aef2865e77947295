#!/usr/bin/env bash
# Makes what a Windows user installs: the release build of tvx5870.exe (and tvx5870ctl.exe when
# the companion is built), optimized and stripped, with its version resource and manifest; the
# NSIS installer build/package/tvx5870-setup-VERSION.exe; and a zip of the programs for those
# who copy them by hand. Prints the size of each.
#
#   scripts/package.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh >/dev/null

version=$(sed -n 's/.*"TVX5870 Version \([0-9.]*\)".*/\1/p' src/res/tvx5870.rc | head -n 1)
cmake --preset mingw-release >/dev/null
cmake --build --preset mingw-release -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
bin="$root/build/mingw-release/src/app"
ctl=$(find "$root/build/mingw-release" -name tvx5870ctl.exe -print -quit)

out="$root/build/package"
rm -rf "$out"
mkdir -p "$out/zip"
defines=(-DVERSION="$version" -DBIN_DIR="$bin" -DOUT_FILE="$out/tvx5870-setup-$version.exe")
[ -n "$ctl" ] && defines+=(-DCTL_EXE="$ctl")
if [ -x scripts/guide.sh ]; then
    scripts/guide.sh "$out/guide" >/dev/null
    defines+=(-DGUIDE_DIR="$out/guide")
fi
makensis -V2 "${defines[@]}" installer/tvx5870.nsi

cp "$bin/tvx5870.exe" "$out/zip/"
[ -n "$ctl" ] && cp "$ctl" "$out/zip/"
(cd "$out/zip" && python3 -m zipfile -c "$out/tvx5870-$version.zip" ./*.exe)

printf '%-40s %10s\n' file bytes
for f in "$bin/tvx5870.exe" ${ctl:+"$ctl"} "$out/tvx5870-setup-$version.exe" \
    "$out/tvx5870-$version.zip"; do
    printf '%-40s %10s\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
