#!/usr/bin/env bash
# Installs the Windows package into a fresh Wine prefix, into a folder whose name
# holds letters of three scripts, and checks it there as a Windows user would
# start it (every program through windows_env.sh, in a Windows session's
# environment): the tool's rows and sentences equal the Linux tool's, its text
# export is UTF-8 with a byte-order mark, the window starts and finds cities, a
# trip put into the classic settings key comes back and is kept there as a string
# value, and the uninstaller removes the program but keeps the settings. Run on
# an X server (tests/support/with_xvfb.sh).
# Usage: run_installed.sh SETUP_EXE LINUX_PROGRAM_DIR OUTPUT_DIR LAUNCHER
set -euo pipefail
setup=$1
linux=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=windows_env.sh
. "$here/windows_env.sh"
WINDOWS_SESSION=$4
mkdir -p "$out"
rm -f "$out/failure.png" "$out/window-wine.png" "$out/tool.log"
fail() { echo "windows: FAIL: $*" >&2; import -window root "$out/failure.png" 2>/dev/null || true; exit 1; }
step() { echo "windows: $*" >&2; }
[ -f "$setup" ] || fail "$setup is missing: run scripts/build-windows.sh first"
[ -f "$WINDOWS_SESSION" ] || fail "the launcher $WINDOWS_SESSION is missing: build the Windows tests"
[ -x "$linux/ambrevale-cli" ] && [ -x "$linux/ambrevale" ] && [ -f "$linux/dbCities.sqlite" ] ||
  fail "the Linux program in $linux is missing: run scripts/build.sh and scripts/build-database.sh"

work=$(mktemp -d)
trap '_windows_wine_env wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
step "making a fresh Wine prefix"
windows_prefix "$work/prefix" || fail "the Wine prefix could not be made"

# A per-user install, into a folder whose name the local code page cannot hold.
programs=$(windows_run 'C:\windows\system32\cmd.exe' /c 'echo %LOCALAPPDATA%' 2>/dev/null |
  tr -d '\r') ||
  fail "cannot ask the prefix for LOCALAPPDATA"
[ -n "$programs" ] || fail "the prefix has no LOCALAPPDATA"
win_folder="$programs\\Programs\\Zoë Łódź 東京\\Ambrevale"
step "installing into $win_folder"
# The installer reads its command line itself: /D= comes last and unquoted.
windows_run --verbatim "$setup" /S "/D=$win_folder" || fail "the installer failed with status $?"
windows_settle
folder=$(wine_tool winepath -u "$win_folder" 2>/dev/null | tr -d '\r') ||
  fail "cannot find $win_folder on the Linux side"
folder=${folder%/}
[ -f "$folder/ambrevale.exe" ] && [ -f "$folder/dbCities.sqlite" ] ||
  fail "the installer did not install the program into $win_folder ($folder)"
find "$WINEPREFIX/drive_c" -name 'Ambrevale.lnk' | grep -q . || fail "no Start-menu entry"
wine_tool reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ambrevale' >/dev/null 2>&1 ||
  fail "no uninstaller registered"

# The installed tool prints what the Linux tool prints (line ends aside), with its
# database in that folder.
same() { # description, arguments...
  local what=$1; shift
  local windows linux_out status=0
  windows=$(cd "$work" && windows_run "$win_folder\\ambrevale-cli.exe" "$@" 2>>"$out/tool.log" |
    tr -d '\r') || status=$?
  [ "$status" = 0 ] || fail "the Windows tool failed on $what (status $status): $(tail -n 5 "$out/tool.log")"
  linux_out=$("$linux/ambrevale-cli" "$@" 2>>"$out/tool.log") || fail "the Linux tool failed on $what"
  [ -n "$linux_out" ] || fail "the Linux tool printed nothing for $what"
  [ "$windows" = "$linux_out" ] || fail "$what differs:
--- Windows
$windows
--- Linux
$linux_out"
}
step "comparing the tool with the Linux tool"
same "the search" search fiore
same "the trip" trip Florence Paris Berlin --unit km --total

# The text export, written by the installed tool into that folder: UTF-8 with a
# byte-order mark, the Linux file's lines after it.
step "checking the text export's bytes"
printf 'Zürich - Zurich, Switzerland\t47.36667\t8.55\nParis - Ile-de-France, France\t48.85341\t2.3488\n' \
  >"$folder/trip.txt" || fail "cannot write the trip file into $folder"
windows_run "$win_folder\\ambrevale-cli.exe" distance "$win_folder\\trip.txt" \
  --text-file "$win_folder\\Zürich.txt" >/dev/null 2>>"$out/tool.log" ||
  fail "the Windows tool's text export failed: $(tail -n 3 "$out/tool.log")"
[ -f "$folder/Zürich.txt" ] || fail "the text export wrote no Zürich.txt into $folder"
"$linux/ambrevale-cli" distance "$folder/trip.txt" --text-file "$work/linux.txt" >/dev/null ||
  fail "the Linux tool's text export failed"
[ "$(head -c 3 "$folder/Zürich.txt" | od -An -tx1 | tr -d ' \n')" = efbbbf ] ||
  fail "the text export does not start with a UTF-8 byte-order mark: $(head -c 16 "$folder/Zürich.txt" | od -An -tx1)"
grep -q 'Zürich' "$folder/Zürich.txt" || fail "the text export does not hold Zürich in UTF-8"
cmp -s <(tail -c +4 "$folder/Zürich.txt") "$work/linux.txt" ||
  fail "after its byte-order mark the text export differs from the Linux one"

# Waits for a file the program writes; fails after a minute.
wait_for_file() { # file, what
  for _ in $(seq 300); do
    [ -s "$1" ] && return 0
    sleep 0.2
  done
  fail "$2"
}

# The Linux window's controls, as the layout the Windows window must have. Its
# settings go to a folder of this run.
linux_layout=$work/layout-linux.txt
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config AMBREVALE_REPORT_LAYOUT=$linux_layout \
  "$linux/ambrevale" >"$out/linux-program.log" 2>&1 &
linux_pid=$!
wait_for_file "$linux_layout" "the Linux window did not report its layout"
kill "$linux_pid"
wait "$linux_pid" || true

# The window: start it, find a city, add it to the trip, close it; the trip list is
# in the registry; at the next start it comes back and is saved again.
key='HKCU\Software\VB and VBA Program Settings\Tormalyn\Ambrevale'
prepared='Firenze - Toscana, Italy'
wine_tool reg add "$key" /v Cities /t REG_SZ /d "$prepared" /f >/dev/null 2>&1 ||
  fail "cannot put a trip into $key"
window=""
windows_layout=$work/layout-windows.txt
win_layout=$(wine_tool winepath -w "$windows_layout" 2>/dev/null | tr -d '\r') ||
  fail "cannot name $windows_layout for Windows"
start_program() {
  rm -f "$windows_layout"
  (cd "$work" && windows_run "AMBREVALE_REPORT_LAYOUT=$win_layout" \
    "$win_folder\\ambrevale.exe" >"$out/program.log" 2>&1) &
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Ambrevale$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || fail "the window did not appear: $(tail -n 5 "$out/program.log")"
  wait_for_file "$windows_layout" "the window did not report its layout"
  sleep 1
  # A start-up error (no database, no skin, no pointer) shows a box of its own.
  if xdotool search --onlyvisible --name 'Error' >/dev/null 2>&1; then
    fail "the window started with an error box"
  fi
  # The same controls in the same places as on Linux.
  diff -u "$linux_layout" <(tr -d '\r' <"$windows_layout") >"$out/layout.diff" ||
    fail "the window's layout differs from the Linux window's:
$(cat "$out/layout.diff")"
}
close_program() {
  # A close message, as the close box sends: the window saves the trip list.
  wine_tool taskkill /im ambrevale.exe >/dev/null 2>&1 || true
  for _ in $(seq 100); do
    pgrep -f 'ambrevale\.exe' >/dev/null || return 0
    sleep 0.2
  done
  fail "the program did not end on a close message"
}
kept_cities() {
  local listed
  listed=$(wine_tool reg query "$key" /v Cities 2>/dev/null | tr -d '\r') ||
    fail "no Cities in $key"
  grep -q 'Cities *REG_SZ' <<<"$listed" || fail "Cities in $key is not a string value: $listed"
  sed -n 's/.*REG_SZ *//p' <<<"$listed"
}
click_at() { # left top width height (twips of the control), [clicks]
  local x=$(( ($1 + $3 / 2) / 15 )) y=$(( ($2 + $4 / 2) / 15 ))
  xdotool mousemove --window "$window" "$x" "$y" click --repeat "${5:-1}" --delay 80 1
}

step "starting the window"
start_program
click_at 360 390 7330 345            # the search box
xdotool type --delay 60 "fiore"
xdotool key Return
sleep 5
import -window "$window" "$out/window-wine.png"   # the list filled by the search
xdotool mousemove --window "$window" 100 $(( 1530 / 15 + 28 )) click --repeat 2 --delay 80 1
sleep 1
close_program
windows_settle
kept=$(kept_cities)
case "$kept" in "$prepared;"*iore*) ;; *) fail "the trip list in $key is not the prepared entry and the added city: '$kept'" ;; esac

step "starting the window again"
start_program
close_program
windows_settle
again=$(kept_cities)
[ "$again" = "$kept" ] || fail "the trip list was not restored: '$again', was '$kept'"

# The uninstaller runs from a copy of itself, which the launcher does not wait
# for: wait until every program of the prefix has ended.
step "uninstalling"
windows_run "$win_folder\\uninstall.exe" /S || fail "the uninstaller failed with status $?"
windows_settle
[ ! -e "$folder/ambrevale.exe" ] && [ ! -e "$folder/Qt6Core.dll" ] ||
  fail "the uninstaller left the program: $(ls "$folder" | tr '\n' ' ')"
wine_tool reg query "$key" /v Cities >/dev/null 2>&1 || fail "the uninstaller removed the settings unasked"
echo "windows: installed into $win_folder, tool, text export and window checked, uninstalled"
