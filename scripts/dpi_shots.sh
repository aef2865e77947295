#!/usr/bin/env bash
# Screenshots of the program at a high screen resolution setting: the main window and the
# dialogs of the menu, as a user of a 150 % laptop screen would see them. It runs itself in a
# private Wine world (tests/win/wine_run.sh: fresh prefix, Xvfb, the simulator on a virtual
# COM1), sets Wine's LogPixels there (144 = 150 %) and saves each window as a PNG. Not a test:
# look at the pictures.
#
#   scripts/dpi_shots.sh [DPI] [OUT_DIR]      (defaults 144 and build/dpi-shots-<DPI>)
# Build folders as for scripts/run.sh (TVX_NATIVE_BUILD_DIR / TVX_MINGW_BUILD_DIR); the
# builds must exist (scripts/test.sh makes them).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dpi="${1:-144}"
out="${2:-$root/build/dpi-shots-$dpi}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
exe="$mingw/src/app/tvx5870.exe"
drive="$mingw/tests/win/tvx_drive.exe"

if [ -z "${TVX_WORK_DIR:-}" ]; then
    sim="${TVX_NATIVE_BUILD_DIR:-$root/build/native}/sim/tvx5870-sim"
    for f in "$exe" "$drive" "$sim"; do
        if [ ! -e "$f" ]; then
            echo "dpi_shots.sh: missing $f (build first: scripts/test.sh)" >&2
            exit 1
        fi
    done
    mkdir -p "$out"
    exec "$root/tests/win/wine_run.sh" --state-dir "$mingw/wine" --name dpi_shots --timeout 120 \
        --sim --sim-exe "$sim" -- "$0" "$dpi" "$(cd "$out" && pwd)"
fi

# Inside the Wine world of wine_run.sh.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
shot() {
    local id
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1 || true)"
    if [ -n "$id" ]; then
        xwd -id "$id" -silent | convert xwd:- "$out/$2.png"
        echo "dpi_shots.sh: $out/$2.png"
    else
        echo "dpi_shots.sh: no window '$1'" >&2
    fi
}
wine "$exe" >"$TVX_WORK_DIR/program.log" 2>&1 &
wine "$drive" restore >/dev/null 2>&1
sleep 1
shot '^TVX-5870 (Client|Server) Program$' main-window
# Menu command, the dialog's title and the picture's name.
while read -r id title name; do
    wine "$drive" menu "$id" >/dev/null 2>&1
    if wine "$drive" wait-dialog 10000 >/dev/null 2>&1; then
        sleep 1
        shot "$title" "$name"
        wine "$drive" close-dialog >/dev/null 2>&1 || true
    fi
done <<'LIST'
40018 ^文字レベルの設定 character-level
40028 ^機器のスレーブアドレス device-slave-address
40208 ^インターフェイスの設定 interface
40209 ^RS-232Cの設定 rs232c
120 ^TVX5870の version
LIST
wine "$drive" exit 5000 >/dev/null 2>&1 || true
