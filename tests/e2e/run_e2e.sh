#!/usr/bin/env bash
# Drives the real program in an X window (run under xvfb-run) with real keyboard
# and mouse events: search, add two cities to the trip, measure, copy the result
# to the clipboard, close, start again and measure the restored trip.
# Usage: run_e2e.sh PROGRAM_DIR OUTPUT_DIR
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh" "$@"
rm -f "$out/window.png"

# The pointer and the skin beside the program too.
mkdir -p "$folder/x"
cp "$program_dir/HAND-M.CUR" "$folder/"
cp "$program_dir/x/o.cjs" "$folder/x/"

# The expected sentence, from the command-line tool on the same data.
mapfile -t rows < <("$cli" search --database "$folder/dbCities.sqlite" fiore)
[ "${#rows[@]}" -ge 2 ] || fail "the fixture has fewer than two cities for 'fiore'"
expected=$(printf '%s\n%s\n' "${rows[0]}" "${rows[1]}" | "$cli" distance)
[ -n "$expected" ] || fail "the command-line tool gave no sentence"

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
