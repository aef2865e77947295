#!/usr/bin/env bash
# Pictures of every dialog of the program for the operator's guide, taken from the real
# tvx5870.exe under Wine on a private Xvfb, driven from outside (tests/win/tvx_drive.exe) with
# the settings a user would have at that point: Japanese titles typed, a glyph drawn, the
# device's network settings read, hosts in the client list, a device connected.
#
#   scripts/screenshots.sh [--out DIR] [--no-build]
#     --out DIR    where the pictures go (default docs/images, and the README's picture of the
#                  main window with a dialog open in docs/readme)
#     --no-build   do not build the simulator, the program and the driver first
#
# Three sittings: RS-232C with the simulator on COM1, TCP/IP client of the simulator, TCP/IP
# server with three simulated devices connected. Each window is captured on its own (xwd -id),
# once its picture has stopped changing. Everything started here is stopped by process id.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

out="$root/docs/images"
readme_out="$root/docs/readme"
build_first=1
while [ $# -gt 0 ]; do
    case "$1" in
        --out) out="$2" readme_out="$2"; shift 2 ;;
        --no-build) build_first=0; shift ;;
        -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
        *) echo "screenshots.sh: unknown option $1" >&2; exit 2 ;;
    esac
done

native="${TVX_NATIVE_BUILD_DIR:-$root/build/native}"
mingw="${TVX_MINGW_BUILD_DIR:-$root/build/mingw}"
if [ "$build_first" -eq 1 ]; then
    scripts/setup.sh >/dev/null
    [ -f "$native/CMakeCache.txt" ] || cmake --preset native >/dev/null
    [ -f "$mingw/CMakeCache.txt" ] || cmake --preset mingw >/dev/null
    cmake --build "$native" -j2 --target tvx5870-sim >/dev/null
    cmake --build "$mingw" -j2 --target tvx5870 tvx_drive >/dev/null
fi
exe="$mingw/src/app/tvx5870.exe"
drive="$mingw/tests/win/tvx_drive.exe"
sim="$native/sim/tvx5870-sim"

# shellcheck source=../tests/win/wine_env.sh
source "$root/tests/win/wine_env.sh"
state="$mingw/wine"
work="$state/screenshots"
rm -rf "$work"
mkdir -p "$work" "$out"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8

program_pid=""
tcp_sim_pid=""
finish() {
    local code=$?
    trap - EXIT INT TERM
    stop_program
    stop_tcp_sim
    tvx_stop_all
    [ "$code" -eq 0 ] || echo "screenshots.sh: failed (work folder $work)" >&2
    exit "$code"
}
trap finish EXIT
trap 'exit 130' INT TERM

drive() { wine "$drive" "$@" 2>/dev/null; }

start_program() {
    wine "$exe" >>"$work/program.log" 2>&1 &
    program_pid=$!
    drive restore >/dev/null
}

stop_program() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then
        drive exit 10000 >/dev/null || kill "$program_pid" 2>/dev/null || true
        wait "$program_pid" 2>/dev/null || true
    fi
    program_pid=""
}

stop_tcp_sim() {
    if [ -n "$tcp_sim_pid" ]; then
        kill "$tcp_sim_pid" 2>/dev/null || true
        wait "$tcp_sim_pid" 2>/dev/null || true
    fi
    tcp_sim_pid=""
}

# Waits until a window whose title matches the regular expression is up; prints its id.
wait_title() {
    local id="" i
    for ((i = 0; i < 150; i++)); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1)" || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    echo "screenshots.sh: no window titled $1" >&2
    return 1
}

# The window whose title matches the regular expression, captured on its own once two
# captures a moment apart are the same (previews and grids are drawn shortly after opening).
shot() {
    local name="$2" id previous="" current i
    id="$(wait_title "$1")"
    for ((i = 0; i < 50; i++)); do
        xwd -id "$id" -silent >"$work/shot.xwd"
        current="$(md5sum <"$work/shot.xwd")"
        [ "$current" = "$previous" ] && break
        previous="$current"
        sleep 0.3
    done
    convert "xwd:$work/shot.xwd" -strip "$out/$name.png"
    echo "screenshots.sh: $out/$name.png"
}

# What a user sees of the windows whose titles match the regular expressions: the screen
# around them, as one picture FILE (the README's picture of the program at work).
screen_shot() {
    local file="$1" id x0=100000 y0=100000 x1=0 y1=0 X Y WIDTH HEIGHT
    shift
    for title in "$@"; do
        id="$(wait_title "$title")"
        eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
        ((X < x0)) && x0=$X
        ((Y < y0)) && y0=$Y
        ((X + WIDTH > x1)) && x1=$((X + WIDTH))
        ((Y + HEIGHT > y1)) && y1=$((Y + HEIGHT))
    done
    x0=$((x0 > 8 ? x0 - 8 : 0)) y0=$((y0 > 8 ? y0 - 8 : 0))
    mkdir -p "$(dirname "$file")"
    xwd -root -silent | convert xwd:- -crop "$((x1 + 8 - x0))x$((y1 + 8 - y0))+$x0+$y0" +repage \
        -strip "$file"
    echo "screenshots.sh: $file"
}

# Opens a dialog from the menu, shoots it and closes it.
dialog_shot() {
    local menu="$1" title="$2" name="$3"
    drive menu "$menu" >/dev/null
    drive wait-dialog 10000 >/dev/null
    shot "$title" "$name"
    drive close-dialog >/dev/null
}

# Opens a dialog from the menu and shoots it, presses its button BUTTON, shoots the message box
# that comes up, answers it with ANSWER (1 OK, 6 Yes, 7 No) and closes the dialog.
dialog_and_box_shot() {
    local menu="$1" title="$2" name="$3" button="$4" box="$5" box_name="$6" answer="$7"
    drive menu "$menu" >/dev/null
    drive wait-dialog 10000 >/dev/null
    shot "^$title" "$name"
    drive click "$button" >/dev/null
    wait_title "^$box\$" >/dev/null
    shot "^$box\$" "$box_name"
    drive answer-box "$box" "$answer" >/dev/null
    drive close-dialog >/dev/null
}

write_ini() {
    printf '[TVX-5870_Section]\r\n' >"$WINEPREFIX/drive_c/windows/tvx5870.ini"
    printf '%s\r\n' "$@" >>"$WINEPREFIX/drive_c/windows/tvx5870.ini"
}

# The default port 9004 (as a user sees it), or a free one when something else holds it.
link_port() {
    python3 -c '
import socket
s = socket.socket()
try:
    s.bind(("127.0.0.1", 9004))
except OSError:
    s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])'
}

tvx_prepare_template "$state/prefix-template"
tvx_clone_prefix "$state/prefix-template" "$WINEPREFIX"
tvx_start_xvfb "$work"
tvx_start_null_modem "$work"
tvx_map_com_port "$WINEPREFIX" COM1 "$work/ptyA"
tvx_start_wineserver "$work"
# The device's own network settings, for the read of "プロトコル".
cat >"$work/device.json" <<'JSON'
{"format": "tvx5870-sim state", "version": 1, "devices": [{"address": 0,
 "net": {"ip": "192.168.1.50", "gateway": "192.168.1.1", "active": "192.168.1.10",
         "subnet_class": "C", "port": "09004", "keep_alive": true, "time_register": "6"}}]}
JSON
tvx_start_sim "$work" "$sim" --state "$work/device.json"

# The main window with its "ファイル" menu open on "タイトルをCSVで読み込み...": the menu is a
# window of its own, captured alone and laid over the main window where it stands.
menu_shot() {
    local name="$1" main popup="" X Y i previous="" current
    main="$(wait_title '^TVX-5870 Client Program$')"
    eval "$(xdotool getwindowgeometry --shell "$main" | grep -E '^[XY]=')"
    xdotool mousemove $((X + 30)) $((Y + 32)) click 1
    # The menu: the visible window without a title that is not the screen's root.
    for ((i = 0; i < 50; i++)); do
        sleep 0.1
        for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
            if [ "$w" != "$main" ] && [ -z "$(xdotool getwindowname "$w")" ] &&
                ! xdotool getwindowgeometry "$w" | grep -q 1280x1024; then
                popup="$w"
            fi
        done
        [ -z "$popup" ] || break
    done
    [ -n "$popup" ] || { echo "screenshots.sh: the menu did not open" >&2; return 1; }
    # The sixth row of the menu: "タイトルをCSVで読み込み...".
    xdotool mousemove $((X + 60)) $((Y + 138))
    for ((i = 0; i < 50; i++)); do
        sleep 0.3
        xwd -id "$popup" -silent >"$work/popup.xwd"
        current="$(md5sum <"$work/popup.xwd")"
        [ "$current" = "$previous" ] && break
        previous="$current"
    done
    local pX pY
    eval "$(xdotool getwindowgeometry --shell "$popup" | grep -E '^[XY]=' | sed 's/^/p/')"
    xwd -id "$main" -silent >"$work/main.xwd"
    convert "xwd:$work/main.xwd" "xwd:$work/popup.xwd" -geometry "+$((pX - X))+$((pY - Y))" \
        -composite -strip "$out/$name.png"
    xdotool key Escape key Escape
    echo "screenshots.sh: $out/$name.png"
}

# --- RS-232C, the simulator on COM1.
start_program
shot '^TVX-5870 Client Program$' main-window
menu_shot titles-csv-menu

drive menu 40010 >/dev/null
drive wait-dialog 10000 >/dev/null
index=0
for title in "朝のニュース" "天気予報　全国版" "スポーツ速報" "中継：東京駅前" "ＣＭ明け" \
    "交通情報" "エンディング" "次回予告"; do
    drive select 1107 "$index" >/dev/null
    drive type 1096 "$title" >/dev/null
    index=$((index + 1))
done
drive select 1107 0 >/dev/null
shot '^タイトル' title-setting
# Title 1 sent ("設定"), for the communication log's picture.
drive click 40031 >/dev/null
drive answer-box "設定完了" 1 15000 >/dev/null
drive move-dialog 150 170 >/dev/null  # the front panel stays in view above it
screen_shot "$readme_out/program.png" '^TVX-5870 Client Program$' '^タイトル'
drive close-dialog >/dev/null

dialog_shot 40014 '^タイトル表示の設定' title-display
dialog_shot 40012 '^表示ページ切換え' page-switching
dialog_shot 40212 '^表示ページ割り付け' page-assignment
dialog_shot 40016 '^自動切換えの設定' auto-switching
dialog_shot 40064 '^スタートアップの設定' startup
dialog_shot 40020 '^表示位置' position-adjust

# "文字レベルの設定", then its "設定" and the device's acknowledgement.
dialog_and_box_shot 40018 '文字レベルの設定' character-level 1006 '設定完了' acknowledgement 1

# "通信ログ": what went to the device and came back so far (the port, a title, a level).
drive menu 40219 >/dev/null
shot '^通信ログ$' comm-log
drive close-window "通信ログ" >/dev/null

# "リモート制御" switched on for this PC (on port 5870, or a free one when it is taken), after
# one request from it.
remote_port="$(python3 -c '
import socket
s = socket.socket()
try:
    s.bind(("127.0.0.1", 5870))
except OSError:
    s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])')"
drive menu 40220 >/dev/null
drive wait-dialog 10000 >/dev/null
drive check 1180 >/dev/null
drive type 1181 "$remote_port" >/dev/null
drive type 1184 "192.168.1.0/24" >/dev/null
drive click 1 >/dev/null
python3 -c '
import sys, time, urllib.request
for _ in range(50):
    try:
        urllib.request.urlopen("http://127.0.0.1:%s/api/v1/state" % sys.argv[1], timeout=5).read()
        break
    except OSError:
        time.sleep(0.2)' "$remote_port"
dialog_shot 40220 '^リモート制御' remote-control

# The external character list, glyph 1 opened in the editor and an arrow drawn there with the
# left button (dot column c, row r lies at client x = 19 + 15c, y = 18 + 12r), then the list.
drive menu 40214 >/dev/null
drive wait-dialog 10000 >/dev/null
drive dblclick-dialog 40 40 >/dev/null
wait_title "^外字登録" >/dev/null
dot() { echo $((19 + 15 * $1)) $((18 + 12 * $2)); }
for stroke in "4 14 24 14" "4 15 24 15" "4 16 24 16" "4 17 24 17" "17 6 27 15" "17 7 27 16" \
    "16 7 26 16" "17 25 27 16" "17 24 27 15" "16 24 26 15"; do
    read -r c1 r1 c2 r2 <<<"$stroke"
    # shellcheck disable=SC2046
    drive draw-dialog $(dot "$c1" "$r1") $(dot "$c2" "$r2") >/dev/null
done
shot '^外字登録' glyph-editor
# "文字から作る..." with 髙 in the Gothic font offered first, taken into the editor; then
# "画像から読み込む..." with a logo the script draws, beside that glyph (cancelled).
drive click 1185 >/dev/null
wait_title '^文字から作る' >/dev/null
drive type 1192 "髙" >/dev/null
sleep 1  # mapped before it is painted: two black captures would look settled
shot '^文字から作る' glyph-from-text
drive click 1 >/dev/null
convert -size 240x160 xc:white -fill black -draw "roundrectangle 10,10 230,150 30,30" \
    -fill white -draw "circle 80,80 80,40" -draw "rectangle 140,40 200,120" \
    -fill black -draw "circle 80,80 80,60" "$work/logo.png"
drive click 1186 >/dev/null
wait_title '^画像ファイルを開く' >/dev/null
drive type 1148 "Z:${work//\//\\}\\logo.png" >/dev/null
drive click 1 >/dev/null
wait_title '^画像から読み込む' >/dev/null
sleep 1
shot '^画像から読み込む' glyph-from-picture
drive close-dialog >/dev/null
drive close-dialog >/dev/null
shot '^外字一覧' glyph-list
drive close-dialog >/dev/null
dialog_shot 40024 '^外字挿入' glyph-insert

# "ページの見え方...": page 9 with title 9, which holds glyph 1 (the arrow drawn above, typed as
# its edit character U+F020), on ch.1 Top and three other titles on the other positions.
drive menu 40010 >/dev/null
drive wait-dialog 10000 >/dev/null
drive select 1107 8 >/dev/null
drive type 1096 "次は$(printf '\uf020')天気予報" >/dev/null
drive close-dialog >/dev/null
drive menu 40212 >/dev/null
drive wait-dialog 10000 >/dev/null
for assignment in "1 1" "2 3" "3 4"; do
    read -r position title <<<"$assignment"
    drive select 40187 "$position" >/dev/null
    drive select 1017 8 >/dev/null
    drive select 1107 "$title" >/dev/null
done
drive close-dialog >/dev/null
drive menu 40230 >/dev/null
drive wait-dialog 10000 >/dev/null
drive select 1190 8 >/dev/null
shot '^ページの見え方' page-view
drive close-dialog >/dev/null

# "全項目の設定" and the question its "設定" asks first (answered No: nothing is sent).
dialog_and_box_shot 40009 '全項目の設定' set-all 1200 '本機の確認' confirm-not-auto-switching 7

dialog_shot 40213 '^設定項目の読み込み' read-back
dialog_shot 40028 '^機器のスレーブアドレス' device-slave-address

# "プロトコル" after "読み込み": the device's values, and the "設定完了" box of its last read.
drive menu 40207 >/dev/null
drive wait-dialog 10000 >/dev/null
drive click 1069 >/dev/null
drive answer-box "設定完了" 1 15000 >/dev/null
shot '^プロトコル' network-settings
drive close-dialog >/dev/null

dialog_shot 40208 '^インターフェイスの設定' interface
dialog_shot 40209 '^RS-232Cの設定' rs232c
dialog_shot 120 '^TVX5870の' version
drive menu 40215 >/dev/null
wait_title "^外字について$" >/dev/null
shot '^外字について$' about-glyphs
drive close-window "外字について" >/dev/null

# Titles were typed: leaving asks about them, and then about the glyph drawn in the editor.
drive menu 119 >/dev/null
wait_title "^TVX-5870$" >/dev/null
shot '^TVX-5870$' exit-question
drive answer-box "TVX-5870" 6 >/dev/null
drive answer-box "TVX-5870" 6 5000 >/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""

# --- TCP/IP client: three hosts in the list, the first of them the simulator.
port="$(link_port)"
"$sim" --tcp-listen "$port" >"$work/tcp-sim.out" 2>&1 &
tcp_sim_pid=$!
tvx_wait_for 'grep -q "tvx5870-sim: ready" "$work/tcp-sim.out"' 20
write_ini Interface=1 ClientServer=0 "port_number=$(printf %05d "$port")" select_number=0 list_count=3 \
    ip00_0=127 ip00_1=0 ip00_2=0 ip00_3=1 ip01_0=192 ip01_1=168 ip01_2=1 ip01_3=21 \
    ip02_0=192 ip02_1=168 ip02_2=1 ip02_3=22
start_program
dialog_shot 40211 '^クライアント/サーバー' client-server
drive menu 40008 >/dev/null
drive wait-dialog 10000 >/dev/null
drive dblclick-list 1106 0 >/dev/null
drive click 1103 >/dev/null
drive answer-box "Success" 1 15000 >/dev/null
shot '^TCP/IPの設定（Client）' tcp-client
drive click 1102 >/dev/null
drive answer-box "Success" 1 >/dev/null
drive close-dialog >/dev/null
stop_program
stop_tcp_sim

# --- TCP/IP server: listening, three devices connected, the first one chosen.
port="$(link_port)"
write_ini Interface=1 ClientServer=1 "port_number=$(printf %05d "$port")" select_number=-1 list_count=0
start_program
drive menu 40008 >/dev/null
drive wait-dialog 10000 >/dev/null
drive click 1 >/dev/null
"$sim" --tcp-connect "127.0.0.1:$port" --count 3 >"$work/tcp-sim.out" 2>&1 &
tcp_sim_pid=$!
# The third device is in the client list once its item can be chosen.
for ((i = 0; i < 100; i++)); do
    drive dblclick-list 1002 2 >/dev/null && break
    sleep 0.2
done
shot '^TCP/IPの設定（Server）' tcp-server
drive click 1000 >/dev/null
drive close-dialog >/dev/null
stop_program
stop_tcp_sim
echo "screenshots.sh: done"
