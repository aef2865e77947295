#!/usr/bin/env bash
# Builds the Windows Installer package from installer/tvx5870.wxs with wixl: the program, the
# command-line companion and the rendered operator's guide.
#
#   scripts/msi.sh OUT.msi BIN_DIR CTL_EXE GUIDE_DIR [VERSION]
#
# BIN_DIR holds tvx5870.exe, GUIDE_DIR is what scripts/guide.sh wrote. VERSION (three numbers,
# e.g. 1.20.0) defaults to the program's own from src/res/version.h; the installer test builds
# an older package with it to try an upgrade.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
fi
out="$1" bin="$2" ctl="$3" guide="$4"
version="${5:-$("$root/scripts/version.sh").0}"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "msi.sh: bad version '$version'" >&2; exit 2; }
for f in "$bin/tvx5870.exe" "$ctl" "$guide/guide.html" "$guide/guide.en.html"; do
    [ -f "$f" ] || { echo "msi.sh: missing $f" >&2; exit 1; }
done
command -v wixl >/dev/null || { echo "msi.sh: wixl is missing (scripts/setup.sh installs it)" >&2; exit 1; }

out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
# wixl finds sources by paths relative to where it runs: a folder of links to them.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
ln -s "$(realpath "$bin/tvx5870.exe")" "$work/tvx5870.exe"
ln -s "$(realpath "$ctl")" "$work/tvx5870ctl.exe"
ln -s "$(realpath "$guide")" "$work/guide"
ln -s "$root/src/res/tvx5870.ico" "$work/tvx5870.ico"
cd "$work"
# The guide's pictures, whatever they are, as one component each.
find guide/images -type f | LC_ALL=C sort |
    wixl-heat --var var.Guide --directory-ref GuideFolder --component-group GuideImages \
        --win64 -p guide/ >images.wxs
wixl -a x64 -D Version="$version" -D Win64=yes -D Guide=guide -o "$out" \
    "$root/installer/tvx5870.wxs" images.wxs
