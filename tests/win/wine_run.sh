#!/usr/bin/env bash
# Runs one Windows test (or a Linux driver that starts Windows programs) in a private Wine
# world: its own prefix cloned from a prepared template, its own Xvfb display, optionally a
# virtual null-modem mapped to COM1 with the device simulator on its other end. Everything is
# stopped by process id at the end, also on time-out, and the exit code is the test's.
#
#   wine_run.sh [options] -- program.exe|driver [args...]
#     --state-dir DIR   where the prepared template prefix is kept (default $TVX_WINE_STATE_DIR)
#     --name NAME       names the work folder and the screenshot kept on failure
#     --lang LOCALE     LANG and LC_ALL of the run (default ja_JP.UTF-8)
#     --timeout SEC     the test is killed after this many seconds (default 150)
#     --serial          socat pty pair, COM1 = the program's end (TVX_COM_PTY, TVX_SIM_PTY)
#     --sim             --serial plus the simulator on the other end (TVX_SIM_LOG, TVX_SIM_LOG_WIN)
#     --sim-exe PATH    the simulator (default $TVX_SIM_EXECUTABLE)
#     --sim-arg ARG     one more simulator argument (repeatable)
#     --keep            keep the work folder (prefix, logs) for inspection
# With TVX_SIM_FILES_TO=DIR in the environment, the simulator keeps its devices in DIR/state.json
# (--state) and its log is copied to DIR/sim.log at the end, for a later test to compare with.
# The test sees TVX_WORK_DIR (its work folder) and DISPLAY. A .exe runs under wine, anything
# else directly, with WINEPREFIX set so that it can start Windows programs itself.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=wine_env.sh
source "$here/wine_env.sh"

state_dir="${TVX_WINE_STATE_DIR:-$PWD/wine-state}"
name="test"
lang="ja_JP.UTF-8"
limit=150
serial=0
sim=0
sim_exe="${TVX_SIM_EXECUTABLE:-}"
sim_args=()
keep=0
while [ $# -gt 0 ]; do
    case "$1" in
        --state-dir) state_dir="$2"; shift 2 ;;
        --name) name="$2"; shift 2 ;;
        --lang) lang="$2"; shift 2 ;;
        --timeout) limit="$2"; shift 2 ;;
        --serial) serial=1; shift ;;
        --sim) serial=1; sim=1; shift ;;
        --sim-exe) sim_exe="$2"; shift 2 ;;
        --sim-arg) sim_args+=("$2"); shift 2 ;;
        --keep) keep=1; shift ;;
        --) shift; break ;;
        *) tvx_log "unknown option $1"; exit 2 ;;
    esac
done
if [ $# -eq 0 ]; then
    tvx_log "no test program given"
    exit 2
fi

mkdir -p "$state_dir/runs" "$state_dir/artifacts"
work="$(mktemp -d "$state_dir/runs/$name.XXXXXX")"
export TVX_WORK_DIR="$work"
export WINEPREFIX="$work/prefix" WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG="$lang" LC_ALL="$lang"

finish() {
    local code=$?
    trap - EXIT INT TERM
    if [ "$code" -ne 0 ] && [ -n "${DISPLAY:-}" ] && [ -n "${TVX_XVFB_PID:-}" ]; then
        xwd -root -silent 2>/dev/null | convert xwd:- "$state_dir/artifacts/$name.png" 2>/dev/null &&
            tvx_log "screen at failure: $state_dir/artifacts/$name.png"
        # A root capture misses what Wine draws into dialogs: each visible window on its own.
        local id n=0
        for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
            n=$((n + 1))
            xwd -id "$id" -silent 2>/dev/null |
                convert xwd:- "$state_dir/artifacts/$name.window$n.png" 2>/dev/null || true
        done
        for f in sim.out sim.log; do
            [ -s "$work/$f" ] && cp "$work/$f" "$state_dir/artifacts/$name.$f"
        done
    fi
    tvx_stop_all
    if [ -n "${TVX_SIM_FILES_TO:-}" ] && [ -s "$work/sim.log" ]; then
        cp "$work/sim.log" "$TVX_SIM_FILES_TO/sim.log"
    fi
    if [ "$keep" -eq 1 ]; then tvx_log "work folder kept: $work"; else rm -rf "$work"; fi
    exit "$code"
}
trap finish EXIT
trap 'exit 130' INT TERM

tvx_prepare_template "$state_dir/prefix-template" || exit 1
tvx_clone_prefix "$state_dir/prefix-template" "$WINEPREFIX" || exit 1
tvx_start_xvfb "$work" || exit 1
if [ "$serial" -eq 1 ]; then
    tvx_start_null_modem "$work" || exit 1
    tvx_map_com_port "$WINEPREFIX" COM1 "$work/ptyA"
fi
tvx_start_wineserver "$work" || exit 1
if [ "$sim" -eq 1 ] && [ -n "${TVX_SIM_FILES_TO:-}" ]; then
    mkdir -p "$TVX_SIM_FILES_TO" && rm -f "$TVX_SIM_FILES_TO/state.json" "$TVX_SIM_FILES_TO/sim.log"
    sim_args+=(--state "$TVX_SIM_FILES_TO/state.json")
fi
if [ "$sim" -eq 1 ]; then
    tvx_start_sim "$work" "$sim_exe" "${sim_args[@]}" || exit 1
fi

program="$1"
shift
if [[ "$program" == *.exe ]]; then
    timeout --kill-after=10 "$limit" wine "$program" "$@"
else
    timeout --kill-after=10 "$limit" "$program" "$@"
fi
code=$?
if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then tvx_log "$name: timed out after ${limit}s"; fi
exit "$code"
