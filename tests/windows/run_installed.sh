#!/usr/bin/env bash
# Installs the Windows package into a fresh Wine prefix and checks it there: the
# tool's rows and sentences equal the Linux tool's, the window starts and finds
# cities, the trip list is kept in the registry and restored, and the uninstaller
# removes the program but keeps the settings. Run under xvfb-run.
# Usage: run_installed.sh SETUP_EXE LINUX_PROGRAM_DIR OUTPUT_DIR
set -euo pipefail
setup=$1
linux=$2
out=$3
mkdir -p "$out"
rm -f "$out/failure.png" "$out/window-wine.png" "$out/tool.log"
fail() { echo "windows: FAIL: $*" >&2; import -window root "$out/failure.png" 2>/dev/null || true; exit 1; }
[ -f "$setup" ] || fail "$setup is missing: run scripts/build-windows.sh first"
[ -x "$linux/ambrevale-cli" ] && [ -x "$linux/ambrevale" ] && [ -f "$linux/dbCities.sqlite" ] ||
  fail "the Linux program in $linux is missing: run scripts/build.sh and scripts/build-database.sh"

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wineboot -i >/dev/null 2>&1
# Wine has no Arial, the window's font: Liberation Sans has its measures.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Arial Bold' /d 'Liberation Sans Bold' /f >/dev/null

key='HKCU\Software\Tormalyn\Ambrevale'
wine "$setup" /S
folder=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Programs/Ambrevale' -type d | head -n1)
[ -n "$folder" ] && [ -f "$folder/ambrevale.exe" ] || fail "the installer did not install the program"
find "$WINEPREFIX/drive_c" -name 'Ambrevale.lnk' | grep -q . || fail "no Start-menu entry"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ambrevale' >/dev/null ||
  fail "no uninstaller registered"

# The installed tool prints what the Linux tool prints (line ends aside).
same() { # description, arguments...
  local what=$1; shift
  local windows linux_out
  windows=$(cd "$work" && wine "$folder/ambrevale-cli.exe" "$@" 2>>"$out/tool.log" | tr -d '\r')
  linux_out=$("$linux/ambrevale-cli" "$@" 2>>"$out/tool.log")
  [ -n "$linux_out" ] || fail "the Linux tool printed nothing for $what"
  [ "$windows" = "$linux_out" ] || fail "$what differs:
--- Windows
$windows
--- Linux
$linux_out"
}
same "the search" search fiore
same "the trip" trip Florence Paris Berlin --unit km --total

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
window=""
windows_layout=$work/layout-windows.txt
start_program() {
  rm -f "$windows_layout"
  (cd "$work" && AMBREVALE_REPORT_LAYOUT=$(winepath -w "$windows_layout") \
    wine "$folder/ambrevale.exe" >"$out/program.log" 2>&1) &
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Ambrevale$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    sleep 0.2
  done
  [ -n "$window" ] || fail "the window did not appear"
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
  wine taskkill /im ambrevale.exe >/dev/null 2>&1 || true
  for _ in $(seq 100); do
    pgrep -f 'ambrevale\.exe' >/dev/null || return 0
    sleep 0.2
  done
  fail "the program did not end on a close message"
}
click_at() { # left top width height (twips of the control), [clicks]
  local x=$(( ($1 + $3 / 2) / 15 )) y=$(( ($2 + $4 / 2) / 15 ))
  xdotool mousemove --window "$window" "$x" "$y" click --repeat "${5:-1}" --delay 80 1
}

start_program
click_at 360 390 7330 345            # the search box
xdotool type --delay 60 "fiore"
xdotool key Return
sleep 5
import -window "$window" "$out/window-wine.png"   # the list filled by the search
xdotool mousemove --window "$window" 100 $(( 1530 / 15 + 28 )) click --repeat 2 --delay 80 1
sleep 1
close_program
kept=$(wine reg query "$key" /v Cities 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
case "$kept" in *iore*) ;; *) fail "the trip list was not kept in the registry ($kept)" ;; esac

start_program
close_program
again=$(wine reg query "$key" /v Cities 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ "$again" = "$kept" ] || fail "the trip list was not restored: '$again', was '$kept'"

# The uninstaller runs from a copy of itself, which "wine" does not wait for: wait
# until every program of the prefix has ended.
wine "$folder/uninstall.exe" /S
timeout 300 wineserver -w || true
[ ! -e "$folder/ambrevale.exe" ] && [ ! -e "$folder/Qt6Core.dll" ] ||
  fail "the uninstaller left the program: $(ls "$folder" | tr '\n' ' ')"
wine reg query "$key" /v Cities >/dev/null 2>&1 || fail "the uninstaller removed the settings unasked"
echo "windows: installed, tool and window checked, uninstalled"
