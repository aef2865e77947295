#!/usr/bin/env bash
# Runs the program: builds what is missing, starts the device simulator on a virtual COM1
# (a socat pty pair) and tvx5870.exe under Wine, and waits until the program ends.
#
#   scripts/run.sh [--headless] [--shots-only] [--shots DIR] [--lang LOCALE]
#
# With a display ($DISPLAY reachable) the program window appears there. Without one (or with
# --headless) a private Xvfb is started and screenshots of the main window, of the dialog
# "文字レベルの設定", and of the external character editor with a glyph drawn and of the list
# showing it are saved (default build/run-shots/); --shots-only ends the program after them.
# Stop: "ファイル" > "ｱﾌﾟﾘｹｰｼｮﾝの終了" in the program, or Ctrl+C here. Everything started
# here is stopped by process id on the way out. The program's Wine prefix (and its
# tvx5870.ini) is kept between runs in <mingw build>/wine/run-prefix.
# The dialog "タイトルの設定" is shot too, with Japanese titles typed into its preview.
# Build folders: build/native and build/mingw (TVX_NATIVE_BUILD_DIR / TVX_MINGW_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

headless=0
shots_only=0
shots="$root/build/run-shots"
lang="${LANG:-ja_JP.UTF-8}"
case "$lang" in C | C.* | POSIX | "") lang="ja_JP.UTF-8" ;; esac
while [ $# -gt 0 ]; do
    case "$1" in
        --headless) headless=1; shift ;;
        --shots-only) headless=1; shots_only=1; shift ;;
        --shots) shots="$2"; shift 2 ;;
        --lang) lang="$2"; shift 2 ;;
        -h | --help) sed -n '2,15p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"

scripts/setup.sh >/dev/null

echo "run.sh: building (incremental)"
if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$native" -j2 --target tvx5870-sim >/dev/null
if [ ! -f "$mingw/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$mingw" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DTVX_SIM_EXECUTABLE="$native/sim/tvx5870-sim" >/dev/null
fi
cmake --build "$mingw" -j2 --target tvx5870 tvx_drive >/dev/null
exe="$mingw/src/app/tvx5870.exe"
drive="$mingw/tests/win/tvx_drive.exe"
sim="$native/sim/tvx5870-sim"

# shellcheck source=../tests/win/wine_env.sh
source "$root/tests/win/wine_env.sh"
state="$mingw/wine"
work="$state/run"
mkdir -p "$work" "$shots"
rm -f "$work/ptyA" "$work/ptyB"
export WINEPREFIX="$state/run-prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG="$lang" LC_ALL="$lang"

program_pid=""
finish() {
    trap - EXIT INT TERM
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        wine "$drive" exit 5000 >/dev/null 2>&1 || true
    fi
    tvx_stop_all
    echo "run.sh: stopped (simulator log: $work/sim.log)"
}
trap finish EXIT
trap 'exit 130' INT TERM

tvx_prepare_template "$state/prefix-template"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    tvx_clone_prefix "$state/prefix-template" "$WINEPREFIX"
fi
# A window manager on a real display manages the windows; Xvfb has none.
if [ "$headless" -eq 0 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    sed -i 's/^"Managed"="N"/"Managed"="Y"/' "$WINEPREFIX/user.reg"
else
    headless=1
    sed -i 's/^"Managed"="Y"/"Managed"="N"/' "$WINEPREFIX/user.reg"
    tvx_start_xvfb "$work"
fi
tvx_start_null_modem "$work"
if ! grep -qF "\"COM1\"=\"$work/ptyA\"" "$WINEPREFIX/system.reg"; then
    tvx_map_com_port "$WINEPREFIX" COM1 "$work/ptyA"
fi
tvx_start_wineserver "$work"
tvx_start_sim "$work" "$sim"

wine "$exe" >"$work/program.log" 2>&1 &
program_pid=$!
echo "run.sh: tvx5870.exe runs under Wine on DISPLAY=$DISPLAY with the simulator on COM1"
echo "run.sh: simulator log (every frame and reply): $work/sim.log"

if [ "$headless" -eq 1 ]; then
    # One window by its title (an X root capture misses what Wine draws into dialogs).
    shot() {
        local id
        id="$(xdotool search --name "$1" 2>/dev/null | tail -n1)"
        [ -n "$id" ] && xwd -id "$id" -silent | convert xwd:- "$2"
    }
    if wine "$drive" restore >/dev/null 2>&1; then
        sleep 1
        shot '^TVX-5870 (Client|Server) Program$' "$shots/main-window.png"
        wine "$drive" menu 40018 >/dev/null 2>&1
        if wine "$drive" wait-dialog 10000 >/dev/null 2>&1; then
            sleep 1
            shot '^文字レベルの設定' "$shots/character-level-dialog.png"
            wine "$drive" close-dialog >/dev/null 2>&1 || true
        fi
        # "タイトルの設定" with Japanese titles in its preview (typed, so the exit answers the
        # unsaved-titles question).
        wine "$drive" menu 40010 >/dev/null 2>&1
        if wine "$drive" wait-dialog 10000 >/dev/null 2>&1; then
            index=0
            for title in "朝のニュース" "天気予報　全国版" "スポーツ速報" "中継：東京駅前" \
                "ＣＭ明け" "交通情報" "エンディング" "次回予告"; do
                wine "$drive" select 1107 "$index" >/dev/null 2>&1
                wine "$drive" type 1096 "$title" >/dev/null 2>&1
                index=$((index + 1))
            done
            wine "$drive" select 1107 0 >/dev/null 2>&1
            sleep 1
            shot '^タイトル' "$shots/title-setting-dialog.png"
            wine "$drive" close-dialog >/dev/null 2>&1 || true
        fi
        echo "run.sh: screenshots: $shots/main-window.png $shots/character-level-dialog.png"
        echo "run.sh: screenshot: $shots/title-setting-dialog.png"
        # The external character list, its first cell opened in the editor, "TVX" drawn there
        # with the mouse, then the list showing it.
        wine "$drive" menu 40214 >/dev/null 2>&1
        if wine "$drive" wait-dialog 10000 >/dev/null 2>&1; then
            sleep 1
            wine "$drive" dblclick-dialog 40 40 >/dev/null 2>&1
            sleep 1
            dot() { echo $((19 + 15 * $1)) $((18 + 12 * $2)); }
            for stroke in "2 8 9 8" "2 9 9 9" "5 9 5 22" "6 9 6 22" "11 8 15 22" "12 8 16 22" \
                "15 22 19 8" "16 22 20 8" "22 8 29 22" "23 8 30 22" "29 8 22 22" "30 8 23 22"; do
                read -r c1 r1 c2 r2 <<<"$stroke"
                # shellcheck disable=SC2046
                wine "$drive" draw-dialog $(dot "$c1" "$r1") $(dot "$c2" "$r2") >/dev/null 2>&1
            done
            sleep 1
            shot '^外字登録' "$shots/glyph-editor.png"
            wine "$drive" close-dialog >/dev/null 2>&1 || true
            sleep 1
            shot '^外字一覧' "$shots/glyph-list.png"
            wine "$drive" close-dialog >/dev/null 2>&1 || true
        fi
        echo "run.sh: screenshots: $shots/glyph-editor.png $shots/glyph-list.png"
        # The display dialogs: "表示ページ割り付け" with its preview, drawn 200 ms after opening.
        wine "$drive" menu 40212 >/dev/null 2>&1
        if wine "$drive" wait-dialog 10000 >/dev/null 2>&1; then
            sleep 1
            shot '^表示ページ割り付け' "$shots/page-assignment-dialog.png"
            wine "$drive" close-dialog >/dev/null 2>&1 || true
            echo "run.sh: screenshot: $shots/page-assignment-dialog.png"
        fi
    else
        echo "run.sh: the main window did not appear (see $work/program.log)" >&2
    fi
    if [ "$shots_only" -eq 1 ]; then exit 0; fi
    echo "run.sh: no display here: the program runs on a private Xvfb (DISPLAY=$DISPLAY)."
fi
echo "run.sh: stop with \"ファイル\" > \"ｱﾌﾟﾘｹｰｼｮﾝの終了\" in the program, or Ctrl+C here."
wait "$program_pid" || true
program_pid=""
