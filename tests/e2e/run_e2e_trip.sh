#!/usr/bin/env bash
# Drives the real window (on an Xvfb server of its own) through the commands its lists' menus
# add: four cities, kilometres, the total line, the map window saved as PNG, Move
# Up, the trip saved as GPX, cleared, opened again and measured to the same
# sentences. Usage: run_e2e_trip.sh PROGRAM_DIR OUTPUT_DIR
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh" "$@"
rm -f "$out/map-window.png"
cp "$program_dir/land-110m.json" "$folder/"

mapfile -t rows < <("$cli" search --database "$folder/dbCities.sqlite" sang)
[ "${#rows[@]}" -ge 4 ] || fail "the fixture has fewer than four cities for 'sang'"
sentences() { # the tool's sentences for rows given by index, then its options
  local picks=$1; shift
  for i in $picks; do printf '%s\n' "${rows[$i]}"; done | "$cli" distance "$@"
}

results_menu() { # right-click the results list, then the keys that pick the entry
  xdotool mousemove --window "$main" $(( 8040 / 15 + 100 )) $(( 120 / 15 + 100 )) click 3
  sleep 0.5
  xdotool key --delay 120 "$@"
  sleep 0.5
}

trip_menu() { # the trip list's menu from the keyboard (Shift+F10) at the current row
  xdotool key shift+F10
  sleep 0.5
  xdotool key --delay 120 "$@"
  sleep 0.5
}

file_dialog() { # title, path: types the path into the dialog and accepts it
  local dialog
  dialog=$(wait_window "$1")
  xdotool windowfocus --sync "$dialog"
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 20 "$2"
  xdotool key Return
  sleep 1
}

start_program
search sang
# The first found city, then the next three with "2. Add City To List Below".
first_found 2
sleep 0.5
for _ in 1 2 3; do
  first_found
  sleep 0.2
  for _ in $(seq "$(( ${added:-0} + 1 ))"); do xdotool key Down; done
  added=$(( ${added:-0} + 1 ))
  sleep 0.2
  click_at 120 2955 7800 405
  sleep 0.3
done

# Units > Kilometres: the second entry, then its submenu's second.
results_menu Down Down Right Down Return
expected=$(sentences "0 1 2 3" --unit km)
measure_and_copy
# Total Line After the Last Leg: the fourth entry.
results_menu Down Down Down Down Return
expected=$(sentences "0 1 2 3" --unit km --total)
measure_and_copy
case "$expected" in *"Total distance is "*" kilometres") ;; *) fail "no total in '$expected'" ;; esac

# Show Trip On Map, then Save Map As… (Tab from the map: +, −, Fit, Save Map As…).
results_menu Down Return
map=$(wait_window "Ambrevale – Map")
xdotool windowfocus --sync "$map"
sleep 1
import -window "$map" "$out/map-window.png"
xdotool key Tab Tab Tab Tab space
file_dialog "Save Map As" "$work/map.png"
# shellcheck source=tests/e2e/map_picture.sh
source "$(dirname "$0")/map_picture.sh"
fault=$(map_picture_fault "$work/map.png" 4)
[ -z "$fault" ] || fail "the map saved as PNG: $fault"
xdotool windowfocus --sync "$map" key Escape  # closes the map window
sleep 0.5

# The last city one place up: focus the trip list's last row, then Move Up.
xdotool mousemove --window "$main" 100 $(( 3480 / 15 + 28 )) click 1
xdotool key End
sleep 0.3
trip_menu Down Down Down Return
reordered="0 1 3 2"
# Save Trip As… as GPX, clear the list, Open Trip… the file again.
trip_menu Down Down Return
file_dialog "Save Trip As" "$work/trip.gpx"
[ -s "$work/trip.gpx" ] || fail "the trip was not saved"
click_at 120 5380 3840 405           # "Clear List"
sleep 0.3
xdotool mousemove --window "$main" 100 $(( 3480 / 15 + 60 )) click 1
trip_menu Down Return
file_dialog "Open Trip" "$work/trip.gpx"
expected=$(sentences "$reordered" --unit km --total)
measure_and_copy
kill -TERM "$app_pid"; wait "$app_pid" || fail "the program did not end cleanly on SIGTERM"
app_pid=""
grep -q "^Unit=km" "$XDG_CONFIG_HOME/Tormalyn.conf" || fail "the unit was not kept"
echo "e2e trip: passed"
