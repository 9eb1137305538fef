#!/usr/bin/env bash
# check-msi.sh INSTALLER.msi BUILD: installs the MSI with msiexec /qn into a Wine prefix of its own (so that
# nothing of the build's library path helps the programs), runs the installed volmira-query.exe, starts the
# installed volmira.exe on an X server with a window manager, waits for the picker "Select mdb File", opens
# the sample dictionary in it with a double-click and waits for the picker to close, takes a screenshot of each
# into BUILD/screenshots/, then uninstalls and checks that no file is left behind.
set -euo pipefail
msi=$1 build=$2
export WINEPREFIX=$build/wine-install WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
shots=$build/screenshots
mkdir -p "$shots"
windowsPath() { printf 'Z:%s' "$1" | tr / '\\'; }
fail() { echo "check-msi: $*"; exit 1; }

display=
cleanup() {
  "$wineserver" -k 2> /dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2> /dev/null || true
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  env -u DISPLAY "$wine" wineboot -i > /dev/null 2>&1
fi
"$wineserver" -k 2> /dev/null || true
listing() { (cd "$WINEPREFIX/drive_c" && find . -type f ! -path './windows/*' ! -path '*/Temp/*' | sort); }
before=$(listing)

env -u DISPLAY "$wine" msiexec /i "$(windowsPath "$msi")" /qn || fail "msiexec /i failed"
installed=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Programs/Volmira' -type d | head -1)
[ -n "$installed" ] || fail "nothing installed under AppData\\Local\\Programs\\Volmira"
find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs/Volmira.lnk' | grep -q . || fail "no Start menu entry"
env -u DISPLAY "$wine" uninstaller --list | tr -d '\r' | grep -q '|Volmira$' || fail "no entry among the installed programs"
echo "check-msi: installed into $installed: $(cd "$installed" && find . -type f | wc -l) files"

# The installed programs find every library they need beside them.
version=$(cd "$installed" && env -u DISPLAY "$wine" volmira-query.exe TAVRIN-sample.mdb \
  "Select MAX(Rels_No) from CDS_TBL_RELS_RELEASES")
[ "$version" = 4510 ] || fail "the installed volmira-query.exe printed '$version'"

# The window, on a display of its own with openbox drawing the title bars; Wine opens windows only where its
# server started with the display set.
"$wineserver" -k 2> /dev/null || true
"$wineserver" -w 2> /dev/null || true
for n in $(seq 90 99); do
  [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display
openbox > /dev/null 2>&1 &
waitFor() {
  # The first window of a new Wine prefix takes a while.
  for _ in $(seq 360); do
    xdotool search --name "^$1\$" > /dev/null 2>&1 && return 0
    sleep 0.5
  done
  return 1
}
(cd "$installed" && "$wine" volmira.exe > /dev/null 2>&1 &)
waitFor "Select mdb File" || fail "the picker did not show"
sleep 2
picker=$(xdotool search --name "^Select mdb File\$" | head -1)
import -window "$picker" -frame "$shots/picker.png"
# A double-click on the first name of the file list, the sample, opens it.
xdotool mousemove --window "$picker" 276 53 sleep 0.3 click 1 sleep 0.5 click --repeat 2 --delay 100 1
for _ in $(seq 60); do
  xdotool search --name "^Select mdb File\$" > /dev/null 2>&1 || break
  sleep 0.5
done
xdotool search --name "^Select mdb File\$" > /dev/null 2>&1 && fail "the picker did not open the sample"
sleep 3
import -window "$(xdotool search --name "^TAVRIN Volmira\$" | head -1)" -frame "$shots/main-window.png"
echo "check-msi: screenshots in $shots"
"$wineserver" -k 2> /dev/null || true
unset DISPLAY

env -u DISPLAY "$wine" msiexec /x "$(windowsPath "$msi")" /qn || fail "msiexec /x failed"
left=$(comm -13 <(echo "$before") <(listing))
[ -z "$left" ] || fail "left behind after uninstalling: $left"
[ ! -e "$installed" ] || fail "$installed is still there"
echo "check-msi: installed, started, opened the sample, uninstalled; nothing left behind"
