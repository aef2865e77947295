# Shared pieces of the Wine harness, sourced by wine_run.sh, scripts/run.sh and
# scripts/bench_startup.sh: a prepared Wine prefix (prepared once per state folder, cloned per
# run), a private Xvfb display, a virtual null-modem (socat pty pair) mapped to COM1, and the
# device simulator on its other end. Everything started here is recorded by process id and
# stopped by tvx_stop_all.
# shellcheck shell=bash

tvx_log() { echo "wine-harness: $*" >&2; }

# Windows form of a Unix path (Wine maps Z: to /).
tvx_win_path() {
    local p="$1"
    printf 'Z:%s' "${p//\//\\}"
}

# The registry settings every prefix gets: unmanaged windows with their captions (no window
# manager runs), no crash dialog that could hang a test, Japanese dialog fonts mapped to VL
# Gothic and a font link so that system-font text shows Japanese.
tvx_write_registry_file() {
    local out="$1"
    {
        printf '\xff\xfe'
        iconv -f UTF-8 -t UTF-16LE <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"ＭＳ Ｐゴシック"="VL PGothic"
"ＭＳ ゴシック"="VL Gothic"
"MS UI Gothic"="VL PGothic"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
"Tahoma"=hex(7):56,00,4c,00,2d,00,47,00,6f,00,74,00,68,00,69,00,63,00,2d,00,52,00,65,00,67,00,75,00,6c,00,61,00,72,00,2e,00,74,00,74,00,66,00,2c,00,56,00,4c,00,20,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
"MS Shell Dlg"=hex(7):56,00,4c,00,2d,00,47,00,6f,00,74,00,68,00,69,00,63,00,2d,00,52,00,65,00,67,00,75,00,6c,00,61,00,72,00,2e,00,74,00,74,00,66,00,2c,00,56,00,4c,00,20,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
"Microsoft Sans Serif"=hex(7):56,00,4c,00,2d,00,47,00,6f,00,74,00,68,00,69,00,63,00,2d,00,52,00,65,00,67,00,75,00,6c,00,61,00,72,00,2e,00,74,00,74,00,66,00,2c,00,56,00,4c,00,20,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
REG
    } >"$out"
}

# Prepares the template prefix in $1 once (wineboot, registry); concurrent callers wait.
tvx_prepare_template() {
    local template="$1"
    mkdir -p "$(dirname "$template")"
    local lock_fd
    exec {lock_fd}>"$template.lock"
    if ! flock -w 600 "$lock_fd"; then
        tvx_log "could not lock $template.lock"
        return 1
    fi
    if [ ! -f "$template/.tvx-ready" ]; then
        tvx_log "preparing Wine prefix $template (once, about 15 s)"
        rm -rf "$template"
        (
            export WINEPREFIX="$template" WINEDEBUG=-all
            export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
            unset DISPLAY
            wineboot -i >/dev/null 2>&1 || exit 1
            tvx_write_registry_file "$template/tvx.reg"
            wine regedit /S "$(tvx_win_path "$template/tvx.reg")" >/dev/null 2>&1 || exit 1
            wineserver -w
        ) || {
            tvx_log "wineboot failed for $template"
            flock -u "$lock_fd"
            exec {lock_fd}>&-
            return 1
        }
        touch "$template/.tvx-ready"
    fi
    flock -u "$lock_fd"
    exec {lock_fd}>&-
}

# A private copy of the template: real copies of the registry and drive C, the system DLLs
# shared through hard links (Wine never writes them).
tvx_clone_prefix() {
    local template="$1" dest="$2"
    mkdir -p "$dest"
    tar -C "$template" --exclude=./drive_c/windows/system32 --exclude=./.tvx-ready \
        --exclude=./tvx.reg -cf - . | tar -C "$dest" -xf -
    cp -al "$template/drive_c/windows/system32" "$dest/drive_c/windows/"
}

# Maps COMn of the prefix (not yet started) to a device path by appending to its registry.
tvx_map_com_port() {
    local prefix="$1" port="$2" device="$3"
    printf '\n[Software\\\\Wine\\\\Ports] %s\n"%s"="%s"\n' "$(date +%s)" "$port" "$device" \
        >>"$prefix/system.reg"
}

# Starts the prefix's wineserver with its output in $work/wineserver.log (it reports its objects
# there when it is stopped), so the test's own output stays readable.
tvx_start_wineserver() {
    local work="$1"
    wineserver -p3 >"$work/wineserver.log" 2>&1
}

# Waits up to $2 seconds for the command in $1 to succeed.
tvx_wait_for() {
    local test_cmd="$1" seconds="$2" i
    for ((i = 0; i < seconds * 10; i++)); do
        if eval "$test_cmd"; then return 0; fi
        sleep 0.1
    done
    return 1
}

# Starts a private Xvfb on a free display; sets DISPLAY and TVX_XVFB_PID.
tvx_start_xvfb() {
    local work="$1"
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    TVX_XVFB_PID=$!
    if ! tvx_wait_for '[ -s "$work/display" ]' 20; then
        tvx_log "Xvfb did not start (see $work/xvfb.log)"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$work/display")"
}

# Starts the virtual null-modem: $work/ptyA (the program's COM port) <-> $work/ptyB.
tvx_start_null_modem() {
    local work="$1"
    socat pty,raw,echo=0,ignoreeof,link="$work/ptyA" pty,raw,echo=0,ignoreeof,link="$work/ptyB" \
        >"$work/socat.log" 2>&1 &
    TVX_SOCAT_PID=$!
    echo "$TVX_SOCAT_PID" >"$work/socat.pid"  # a test unplugs the port by this process id
    if ! tvx_wait_for '[ -e "$work/ptyA" ] && [ -e "$work/ptyB" ]' 10; then
        tvx_log "socat did not create the pty pair (see $work/socat.log)"
        return 1
    fi
    export TVX_COM_PTY="$work/ptyA" TVX_SIM_PTY="$work/ptyB"
}

# Starts the simulator on the far end of the null-modem, logging to $work/sim.log.
tvx_start_sim() {
    local work="$1" sim="$2"
    shift 2
    if [ -z "$sim" ] || [ ! -x "$sim" ]; then
        tvx_log "the device simulator is missing: '$sim'"
        tvx_log "build it first (cmake --preset native && cmake --build --preset native) or set TVX_SIM_EXECUTABLE"
        return 1
    fi
    : >"$work/sim.log"
    "$sim" --serial "$work/ptyB" --log "$work/sim.log" "$@" >"$work/sim.out" 2>&1 &
    TVX_SIM_PID=$!
    echo "$TVX_SIM_PID" >"$work/sim.pid"
    if ! tvx_wait_for 'grep -q "tvx5870-sim: ready" "$work/sim.out"' 20; then
        tvx_log "the simulator did not report ready (see $work/sim.out)"
        return 1
    fi
    export TVX_SIM_LOG="$work/sim.log"
    TVX_SIM_LOG_WIN="$(tvx_win_path "$work/sim.log")"
    export TVX_SIM_LOG_WIN
}

# Stops everything started above, by process id, and the prefix's wineserver.
tvx_stop_all() {
    # Processes a test started itself list their ids in extra.pids of the work folder.
    if [ -n "${TVX_WORK_DIR:-}" ] && [ -s "$TVX_WORK_DIR/extra.pids" ]; then
        local extra
        for extra in $(cat "$TVX_WORK_DIR/extra.pids"); do kill "$extra" 2>/dev/null; done
    fi
    if [ -n "${TVX_SIM_PID:-}" ]; then kill "$TVX_SIM_PID" 2>/dev/null; fi
    if [ -n "${TVX_SOCAT_PID:-}" ]; then kill "$TVX_SOCAT_PID" 2>/dev/null; fi
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        timeout 20 wineserver -k >/dev/null 2>&1 || true
        timeout 20 wineserver -w >/dev/null 2>&1 || true
    fi
    if [ -n "${TVX_XVFB_PID:-}" ]; then kill "$TVX_XVFB_PID" 2>/dev/null; fi
    local pid
    for pid in ${TVX_SIM_PID:-} ${TVX_SOCAT_PID:-} ${TVX_XVFB_PID:-}; do
        wait "$pid" 2>/dev/null || true
    done
    TVX_SIM_PID="" TVX_SOCAT_PID="" TVX_XVFB_PID=""
}
