#!/usr/bin/env bash
# The installer under Wine, in the test's fresh prefix: a silent install, the installed program
# started from its folder until its main window shows and ended through its menu, then a silent
# uninstall that removes the program files and the Start menu folder but leaves the user's
# configuration. The installer is made from this build's tvx5870.exe, tvx5870ctl.exe and the
# rendered guide with the real script, as scripts/package.sh makes it.
# Run by wine_run.sh (TVX_PROGRAM, TVX_WORK_DIR, WINEPREFIX and DISPLAY are set).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
bin="$(dirname "$TVX_PROGRAM")"
drive="$bin/../../tests/win/tvx_drive.exe"
fail() { echo "installer_test: $*" >&2; exit 1; }

setup="$TVX_WORK_DIR/setup.exe"
ctl="$bin/../../cli/tvx5870ctl.exe"
[ -f "$ctl" ] || fail "no tvx5870ctl.exe in this build"
version="$("$root/scripts/version.sh")"
"$root/scripts/guide.sh" "$TVX_WORK_DIR/guide" >/dev/null
makensis -V2 -DVERSION="$version" -DBIN_DIR="$bin" -DCTL_EXE="$ctl" -DGUIDE_DIR="$TVX_WORK_DIR/guide" \
    -DOUT_FILE="$setup" "$root/installer/tvx5870.nsi"

wine "$setup" /S
wineserver -w
dir="$WINEPREFIX/drive_c/Program Files/TVX-5870"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TVX-5870"
[ -f "$dir/tvx5870.exe" ] || fail "tvx5870.exe was not installed"
[ -f "$dir/uninstall.exe" ] || fail "no uninstaller"
[ -f "$menu/TVX-5870.lnk" ] || fail "no Start menu entry"
cmp -s "$dir/tvx5870ctl.exe" "$ctl" || fail "tvx5870ctl.exe was not installed"
for page in guide.html guide.en.html images/main-window.png; do
    [ -f "$dir/guide/$page" ] || fail "the guide's $page was not installed"
done
[ -f "$menu/操作説明書.lnk" ] && [ -f "$menu/Operator's guide.lnk" ] ||
    fail "no Start menu entries for the guide"
cmp -s "$dir/tvx5870.exe" "$TVX_PROGRAM" || fail "the installed program is not the one packed"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TVX-5870' /v DisplayVersion |
    grep -qF "$version" || fail "no uninstall entry with the version"

# A user's configuration (TCP/IP, so that no COM port is opened) must outlive the uninstall.
ini="$WINEPREFIX/drive_c/windows/tvx5870.ini"
printf '[TVX-5870_Section]\r\nInterface=1\r\n' >"$ini"
(cd "$dir" && wine ./tvx5870.exe) &
wine "$drive" wait-window "TVX-5870 Client Program" 30000 || fail "the installed program showed no main window"
wine "$drive" exit 15000 || fail "the installed program did not end through its menu"
wait

wine "$dir/uninstall.exe" /S
wineserver -w
for _ in $(seq 50); do [ -e "$dir/tvx5870.exe" ] || break; sleep 0.2; done
[ ! -e "$dir/tvx5870.exe" ] || fail "tvx5870.exe is still there after the uninstall"
[ ! -e "$dir/uninstall.exe" ] || fail "the uninstaller is still there"
[ ! -e "$dir/tvx5870ctl.exe" ] && [ ! -e "$dir/guide" ] || fail "the companion or the guide is still there"
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
[ -f "$ini" ] || fail "the user's configuration was removed"
echo "installer_test: installed, started, ended and uninstalled"
