#!/usr/bin/env bash
# Drives the real program in an X window (on an Xvfb server of its own) with real keyboard
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
search fiore
first_found 2                        # a double-click adds it to the trip
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
