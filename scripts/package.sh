#!/usr/bin/env bash
# Makes what a Windows user installs: the release build of tvx5870.exe and tvx5870ctl.exe,
# optimized and stripped, with its version resource and manifest; in build/package the setup
# program tvx5870-setup-VERSION.exe (NSIS), the Windows Installer package tvx5870-VERSION.msi
# for deployment by group policy or a management tool (wixl), and a zip of the programs for
# those who copy them by hand. Prints the size of each. The version is the program's own
# (src/res/version.h).
#
#   scripts/package.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh >/dev/null

version=$(scripts/version.sh)
cmake --preset mingw-release >/dev/null
cmake --build --preset mingw-release >/dev/null
bin="$root/build/mingw-release/src/app"
ctl=$(find "$root/build/mingw-release" -name tvx5870ctl.exe -print -quit)
if [ -z "$ctl" ]; then
    echo "package.sh: tvx5870ctl.exe was not built" >&2
    exit 1
fi

out="$root/build/package"
rm -rf "$out"
mkdir -p "$out/zip"
scripts/guide.sh "$out/guide" >/dev/null
makensis -V2 -DVERSION="$version" -DBIN_DIR="$bin" -DCTL_EXE="$ctl" -DGUIDE_DIR="$out/guide" \
    -DOUT_FILE="$out/tvx5870-setup-$version.exe" installer/tvx5870.nsi
scripts/msi.sh "$out/tvx5870-$version.msi" "$bin" "$ctl" "$out/guide"

cp "$bin/tvx5870.exe" "$ctl" "$out/zip/"
(cd "$out/zip" && python3 -m zipfile -c "$out/tvx5870-$version.zip" ./*.exe)

printf '%-40s %10s\n' file bytes
for f in "$bin/tvx5870.exe" "$ctl" "$out/tvx5870-setup-$version.exe" \
    "$out/tvx5870-$version.msi" "$out/tvx5870-$version.zip"; do
    printf '%-40s %10s\n' "$(basename "$f")" "$(stat -c %s "$f")"
done
