#!/usr/bin/env bash
# Start-up figures of tvx5870.exe under Wine: time from process start to the main window,
# private memory after start-up, and the size of the .exe. The program runs as a user would
# start it: private Xvfb, the simulator on a virtual COM1, a fresh Wine prefix. The first
# start in a fresh prefix also pays for Wine's own services; it is printed apart.
#
#   scripts/bench_startup.sh [RUNS]        (default 5 warm runs after the cold one)
# Build folders as for scripts/run.sh (TVX_NATIVE_BUILD_DIR / TVX_MINGW_BUILD_DIR); the
# builds must exist (scripts/run.sh or scripts/test.sh make them). Prints figures only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
runs="${1:-5}"
native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
exe="$mingw/src/app/tvx5870.exe"
drive="$mingw/tests/win/tvx_drive.exe"
sim="$native/sim/tvx5870-sim"
for f in "$exe" "$drive" "$sim"; do
    if [ ! -e "$f" ]; then
        echo "bench_startup.sh: missing $f (build first: scripts/run.sh --shots-only)" >&2
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

# One start on a fresh null-modem and simulator each, as the port is opened once per start.
one_run() {
    tvx_start_null_modem "$work"
    tvx_map_com_port "$WINEPREFIX" COM1 "$work/ptyA"
    tvx_start_sim "$work" "$sim"
    wine "$drive" bench "$exe_win" 2>/dev/null
    kill "$TVX_SIM_PID" "$TVX_SOCAT_PID" 2>/dev/null || true
    wait "$TVX_SIM_PID" "$TVX_SOCAT_PID" 2>/dev/null || true
    TVX_SIM_PID="" TVX_SOCAT_PID=""
    rm -f "$work/ptyA" "$work/ptyB"
}

echo "tvx5870.exe size_bytes $(stat -c %s "$exe")"
x86_64-w64-mingw32-strip -o "$work/stripped.exe" "$exe"
echo "tvx5870.exe stripped_size_bytes $(stat -c %s "$work/stripped.exe")"
echo "cold start (fresh prefix):"
one_run >"$work/run.out"
sed 's/^/  /' "$work/run.out"
times=()
mems=()
for ((i = 1; i <= runs; i++)); do
    one_run >"$work/run.out"
    echo "warm start $i:"
    sed 's/^/  /' "$work/run.out"
    times+=("$(awk '/^start_to_main_window_ms/ {print $2}' "$work/run.out")")
    mems+=("$(awk '/^private_bytes_after_start/ {print $2}' "$work/run.out")")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
echo "summary over $runs warm starts:"
echo "  start_to_main_window_ms median $(median "${times[@]}")"
echo "  private_bytes_after_start median $(median "${mems[@]}")"
