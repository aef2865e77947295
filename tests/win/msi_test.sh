#!/usr/bin/env bash
# The Windows Installer package under Wine, in the test's fresh prefix: an older package (the
# same source, a lower version) installed silently, then this version over it, which must leave
# one installed product; an older package after it must be refused; the installed program
# started until its main window shows and ended through its menu; a silent removal takes the
# files, the shortcuts and the product entry away and leaves the user's configuration. The
# packages are made from this build's programs and the rendered guide with scripts/msi.sh, as
# scripts/package.sh makes them.
# Run by wine_run.sh (TVX_PROGRAM, TVX_WORK_DIR, WINEPREFIX and DISPLAY are set).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
bin="$(dirname "$TVX_PROGRAM")"
drive="$bin/../../tests/win/tvx_drive.exe"
ctl="$bin/../../cli/tvx5870ctl.exe"
fail() { echo "msi_test: $*" >&2; exit 1; }
[ -f "$ctl" ] || fail "no tvx5870ctl.exe in this build"

version="$("$root/scripts/version.sh")"
major="${version%%.*}" minor="${version#*.}"
new="$major.$minor.0"
if [ "$minor" -gt 0 ]; then old="$major.$((minor - 1)).0"; else old="$((major - 1)).0.0"; fi
"$root/scripts/guide.sh" "$TVX_WORK_DIR/guide" >/dev/null
"$root/scripts/msi.sh" "$TVX_WORK_DIR/new.msi" "$bin" "$ctl" "$TVX_WORK_DIR/guide"
"$root/scripts/msi.sh" "$TVX_WORK_DIR/old.msi" "$bin" "$ctl" "$TVX_WORK_DIR/guide" "$old"

# msiexec in the work folder, its verbose log kept there; prints the exit code.
msiexec() {
    local log="$1"
    shift
    local code=0
    (cd "$TVX_WORK_DIR" && wine msiexec "$@" /qn /l*v "$log.log") || code=$?
    wineserver -w
    echo "$code"
}
# "DisplayName DisplayVersion" of each installed product of ours, one a line.
products() {
    wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
        tr -d '\r' | awk '/^HKEY/ { name = ""; version = "" }
            $1 == "DisplayName" { $1 = $2 = ""; name = substr($0, 3) }
            $1 == "DisplayVersion" { version = $3 }
            name == "TVX-5870 control program" && version != "" { print name, version; name = "" }'
}

dir="$WINEPREFIX/drive_c/Program Files/TVX-5870"
# Windows puts a per-machine package's shortcuts into every user's Start menu (ProgramData);
# Wine's installer puts them into the installing user's.
menus=("$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/TVX-5870"
       "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/TVX-5870")

[ "$(msiexec old /i old.msi)" = 0 ] || fail "the older package did not install"
[ "$(products)" = "TVX-5870 control program $old" ] || fail "after the first install: $(products)"
[ "$(msiexec new /i new.msi)" = 0 ] || fail "the package did not install over the older one"
[ "$(products)" = "TVX-5870 control program $new" ] ||
    fail "after the upgrade, not one product of version $new: $(products)"
[ "$(msiexec downgrade /i old.msi)" != 0 ] || fail "an older package replaced the newer one"
[ "$(products)" = "TVX-5870 control program $new" ] || fail "after the refused downgrade: $(products)"

cmp -s "$dir/tvx5870.exe" "$TVX_PROGRAM" || fail "the installed program is not the one packed"
cmp -s "$dir/tvx5870ctl.exe" "$ctl" || fail "tvx5870ctl.exe was not installed"
for page in guide.html guide.en.html images/main-window.png; do
    cmp -s "$dir/guide/$page" "$TVX_WORK_DIR/guide/$page" || fail "the guide's $page was not installed"
done
menu=""
for m in "${menus[@]}"; do [ -d "$m" ] && menu="$m"; done
[ -n "$menu" ] || fail "no Start menu folder TVX-5870"
for link in "TVX-5870.lnk" "Operator's guide (Japanese).lnk" "Operator's guide (English).lnk"; do
    [ -f "$menu/$link" ] || fail "no Start menu entry $link"
done

# A user's configuration (TCP/IP, so that no COM port is opened) must outlive the removal.
ini="$WINEPREFIX/drive_c/windows/tvx5870.ini"
printf '[TVX-5870_Section]\r\nInterface=1\r\n' >"$ini"
(cd "$dir" && wine ./tvx5870.exe) &
wine "$drive" wait-window "TVX-5870 Client Program" 30000 ||
    fail "the installed program showed no main window"
wine "$drive" exit 15000 || fail "the installed program did not end through its menu"
wait

[ "$(msiexec remove /x new.msi)" = 0 ] || fail "the package did not uninstall"
[ ! -e "$dir" ] || fail "the program folder is still there: $(ls -R "$dir" | head)"
[ ! -e "$menu" ] || fail "the Start menu folder is still there"
[ -z "$(products)" ] || fail "a product entry is left: $(products)"
[ -f "$ini" ] && grep -q 'Interface=1' "$ini" || fail "the user's configuration was touched"
echo "msi_test: installed $old, upgraded to $new, refused $old, started, ended and removed"
