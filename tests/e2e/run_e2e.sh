#!/usr/bin/env bash
# Drives the real program in an X window (run under xvfb-run) with real keyboard
# and mouse events: search, add two cities to the trip, measure, copy the result
# to the clipboard, close, start again and measure the restored trip.
# Usage: run_e2e.sh PROGRAM_DIR OUTPUT_DIR
set -euo pipefail
program_dir=$1
out=$2
here=$(cd "$(dirname "$0")/../.." && pwd)
cli="$program_dir/ambrevale-cli"
mkdir -p "$out"
rm -f "$out/failure.png" "$out/window.png"
work=$(mktemp -d)
trap 'if [ -n "${app_pid:-}" ]; then kill "$app_pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

fail() { echo "e2e: FAIL: $*" >&2; import -window root "$out/failure.png" 2>/dev/null || true; exit 1; }

# A program folder of its own: the fixture database, the pointer and the skin.
folder="$work/program"
mkdir -p "$folder/x"
cp "$program_dir/HAND-M.CUR" "$folder/"
cp "$program_dir/x/o.cjs" "$folder/x/"
"$cli" import --geonames "$here/tests/data/geonames-cities.txt" \
  --admin1 "$here/tests/data/geonames-admin1.json" \
  --countries "$here/tests/data/iso_3166-1.json" "$folder/dbCities.sqlite" >/dev/null
export AMBREVALE_PROGRAM_DIR="$folder"
export XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset QT_QPA_PLATFORM

# The expected sentence, from the command-line tool on the same data.
mapfile -t rows < <("$cli" search --database "$folder/dbCities.sqlite" fiore)
[ "${#rows[@]}" -ge 2 ] || fail "the fixture has fewer than two cities for 'fiore'"
expected=$(printf '%s\n%s\n' "${rows[0]}" "${rows[1]}" | "$cli" distance)
[ -n "$expected" ] || fail "the command-line tool gave no sentence"

# Positions in the window, in pixels at 96 dpi (15 twips per pixel).
px() { echo $(( $1 / 15 )); }
click_at() { # left top width height (twips of the control), [clicks]
  local x=$(( ($1 + $3 / 2) / 15 )) y=$(( ($2 + $4 / 2) / 15 ))
  xdotool mousemove --window "$main" "$x" "$y" click --repeat "${5:-1}" --delay 80 1
}

start_program() {
  "$program_dir/ambrevale" >"$out/program.log" 2>&1 &
  app_pid=$!
  main=""
  for _ in $(seq 100); do
    main=$(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Ambrevale$' 2>/dev/null | head -n1 || true)
    [ -n "$main" ] && break
    sleep 0.1
  done
  [ -n "$main" ] || fail "the window did not appear"
  sleep 0.5
}

# Waits for a message box of the program (failing on an error report) and prints
# its window id.
wait_box() {
  local box=""
  for _ in $(seq 200); do
    for w in $(xdotool search --all --onlyvisible --pid "$app_pid" 2>/dev/null || true); do
      [ "$w" = "$main" ] && continue
      name=$(xdotool getwindowname "$w" 2>/dev/null || true)
      [ "$name" = "Application Error" ] && fail "an error report was shown"
      [ "$name" = "Ambrevale" ] && box=$w
    done
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] || fail "no message box appeared ($1)"
  echo "$box"
}

answer() { # window id of a message box: press Enter in it
  xdotool windowfocus --sync "$1" key Return
  sleep 0.3
}

measure_and_copy() {
  if [ "${1:-}" = keys ]; then        # from the focused "2. Add": Tab to the next
    xdotool key Tab                   # button, whose Enter starts the run (never a
    sleep 0.3                         # search)
    xdotool key Return
  else
    click_at 120 5890 7800 405        # "3. Start Finding Distance"
  fi
  answer "$(wait_box "Done.")"
  click_at 8040 5380 3840 405         # "Copy Results To Clipboard"
  local hint
  hint=$(wait_box "paste hint")       # shown once the text is on the clipboard
  copied=$(xclip -o -selection clipboard 2>/dev/null | tr -d "\r" || true)
  answer "$hint"
  [ "$copied" = "$expected" ] || fail "clipboard holds '$copied', expected '$expected'"
}

start_program
click_at 360 390 7330 345            # the search box
xdotool type --delay 40 "fiore"
xdotool key Return                   # Enter runs the search
sleep 2                              # generous: the machine may be busy with other tests
# Double-click the first found city: the list starts at 1530 twips (102 px); its
# first row lies just below the column header.
xdotool mousemove --window "$main" 100 $(( 1530 / 15 + 28 )) click --repeat 2 --delay 80 1
sleep 0.5
xdotool key Down                     # select the next city
sleep 0.3
click_at 120 2955 7800 405           # "2. Add City To List Below"
measure_and_copy keys
import -window "$main" "$out/window.png"
kill -TERM "$app_pid"; wait "$app_pid" || fail "the program did not end cleanly on SIGTERM"
grep -q "Fiore" "$XDG_CONFIG_HOME/Tormalyn.conf" || fail "the trip list was not saved"

start_program                        # the restored trip measures the same
measure_and_copy
kill -TERM "$app_pid"; wait "$app_pid" || true
app_pid=""
echo "e2e: passed ($expected)"
