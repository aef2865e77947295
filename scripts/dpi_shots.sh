#!/usr/bin/env bash
# Screenshots of the program at a high screen resolution setting: the main window and the
# dialogs of the menu, as a user of a 150 % laptop screen would see them. Wine's LogPixels is
# set in a fresh prefix (144 = 150 %), the program runs on a private Xvfb with the simulator on
# a virtual COM1, and each window is saved as a PNG. Not a test: look at the pictures.
#
#   scripts/dpi_shots.sh [DPI] [OUT_DIR]      (defaults 144 and build/dpi-shots-<DPI>)
# The builds must exist (scripts/test.sh or scripts/run.sh make them); build folders as for
# scripts/run.sh (TVX_NATIVE_BUILD_DIR / TVX_MINGW_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dpi="${1:-144}"
out="${2:-$root/build/dpi-shots-$dpi}"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
exe="$mingw/src/app/tvx5870.exe"
drive="$mingw/tests/win/tvx_drive.exe"
sim="$native/sim/tvx5870-sim"
for f in "$exe" "$drive" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "dpi_shots.sh: missing $f (build first: scripts/run.sh --shots-only)" >&2
        exit 1
    fi
done

# shellcheck source=../tests/win/wine_env.sh
source "$root/tests/win/wine_env.sh"
state="$mingw/wine"
mkdir -p "$state/runs" "$out"
work="$(mktemp -d "$state/runs/dpi.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
finish() {
    trap - EXIT INT TERM
    tvx_stop_all
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 130' INT TERM

tvx_prepare_template "$state/prefix-template"
tvx_clone_prefix "$state/prefix-template" "$WINEPREFIX"
printf '\n[Control Panel\\\\Desktop] %s\n"LogPixels"=dword:%08x\n' "$(date +%s)" "$dpi" \
    >>"$WINEPREFIX/user.reg"
tvx_start_xvfb "$work"
tvx_start_null_modem "$work"
tvx_map_com_port "$WINEPREFIX" COM1 "$work/ptyA"
tvx_start_wineserver "$work"
tvx_start_sim "$work" "$sim"

shot() {
    local id
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1)"
    if [ -n "$id" ]; then
        xwd -id "$id" -silent | convert xwd:- "$out/$2.png"
        echo "dpi_shots.sh: $out/$2.png"
    else
        echo "dpi_shots.sh: no window '$1'" >&2
    fi
}

wine "$exe" >"$work/program.log" 2>&1 &
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
120 ^TVX5870のﾊﾞｰｼﾞｮﾝ情報 version
LIST
wine "$drive" exit 5000 >/dev/null 2>&1 || true
