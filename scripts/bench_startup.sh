#!/usr/bin/env bash
# Start-up figures of tvx5870.exe as shipped (the mingw-release build) under Wine: time from
# process start to the main window, private memory after start-up, and the size of the .exe,
# beside a yardstick: a minimal Win32 program built here with the same flags, which loads the
# DLLs the program imports, carries its manifest and shows one window. The ratio of the two is
# the program's own share. The program runs as a user would start it: private Xvfb, the
# simulator on a virtual COM1, a fresh Wine prefix. The first start in a fresh prefix also pays
# for Wine's own services; it is printed apart.
#
#   scripts/bench_startup.sh [RUNS]        (default 5 warm runs of each after the cold one)
# Build folders: TVX_RELEASE_BUILD_DIR (default build/mingw-release, made by
# `cmake --preset mingw-release && cmake --build --preset mingw-release` or scripts/package.sh)
# for the program; TVX_MINGW_BUILD_DIR (build/mingw) for the driver tvx_drive.exe and
# TVX_NATIVE_BUILD_DIR (build/native) for the simulator, as for scripts/run.sh.
# Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
release="${TVX_RELEASE_BUILD_DIR:-$root/build/mingw-release}"
exe="$release/src/app/tvx5870.exe"
drive="$mingw/tests/win/tvx_drive.exe"
sim="$native/sim/tvx5870-sim"
for f in "$exe" "$drive" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_startup.sh: missing $f (build first: scripts/package.sh, scripts/run.sh --shots-only)" >&2
        exit 1
    fi
done

# shellcheck source=../tests/win/wine_env.sh
source "$root/tests/win/wine_env.sh"
state="$mingw/wine"
mkdir -p "$state/runs"
work="$(mktemp -d "$state/runs/bench.XXXXXX")"
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
tvx_start_xvfb "$work"
tvx_start_wineserver "$work"
exe_win="$(tvx_win_path "$exe")"

# The yardstick, with the release build's flags, the program's DLLs and its manifest.
dlls="$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {printf "L\"%s\",", $3}')"
printf '1 24 "%s"\n' "$root/src/res/tvx5870.manifest" >"$work/yardstick.rc"
x86_64-w64-mingw32-windres "$work/yardstick.rc" -O coff -o "$work/yardstick.res"
x86_64-w64-mingw32-g++ -std=c++20 -O2 -s -static -municode -mwindows \
    -DUNICODE -D_UNICODE "-DTVX_YARDSTICK_DLLS=$dlls" \
    "$root/tests/win/startup_yardstick.cpp" "$work/yardstick.res" -o "$work/yardstick.exe"
yardstick_win="$(tvx_win_path "$work/yardstick.exe")"

# One start of the program on a fresh null-modem and simulator each, as the port is opened
# once per start; then one of the yardstick.
one_run() {
    tvx_start_null_modem "$work"
    tvx_map_com_port "$WINEPREFIX" COM1 "$work/ptyA"
    tvx_start_sim "$work" "$sim"
    wine "$drive" bench "$exe_win" 2>/dev/null | sed 's/^/program /'
    kill "$TVX_SIM_PID" "$TVX_SOCAT_PID" 2>/dev/null || true
    wait "$TVX_SIM_PID" "$TVX_SOCAT_PID" 2>/dev/null || true
    TVX_SIM_PID="" TVX_SOCAT_PID=""
    rm -f "$work/ptyA" "$work/ptyB"
    wine "$drive" bench "$yardstick_win" "TVX5870 Yardstick" 2>/dev/null | sed 's/^/yardstick /'
}

echo "DLLs imported: $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')"
echo "tvx5870.exe (release) size_bytes $(stat -c %s "$exe")"
echo "yardstick.exe size_bytes $(stat -c %s "$work/yardstick.exe")"
echo "cold start (fresh prefix):"
one_run >"$work/run.out"
sed 's/^/  /' "$work/run.out"
figure() { awk -v who="$1" -v what="$2" '$1 == who && $2 == what {print $3}' "$work/run.out"; }
times=() mems=() ytimes=() ymems=()
for ((i = 1; i <= runs; i++)); do
    one_run >"$work/run.out"
    echo "warm start $i:"
    sed 's/^/  /' "$work/run.out"
    times+=("$(figure program start_to_main_window_ms)")
    mems+=("$(figure program private_bytes_after_start)")
    ytimes+=("$(figure yardstick start_to_main_window_ms)")
    ymems+=("$(figure yardstick private_bytes_after_start)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
t="$(median "${times[@]}")" m="$(median "${mems[@]}")"
yt="$(median "${ytimes[@]}")" ym="$(median "${ymems[@]}")"
echo "summary over $runs warm starts (medians):"
echo "  program   start_to_main_window_ms $t private_bytes_after_start $m"
echo "  yardstick start_to_main_window_ms $yt private_bytes_after_start $ym"
awk -v t="$t" -v yt="$yt" -v m="$m" -v ym="$ym" 'BEGIN {
    printf "  program / yardstick: time %.2f, private bytes %.2f\n", t / yt, m / ym }'
