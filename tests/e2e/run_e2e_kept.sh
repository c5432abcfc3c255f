#!/usr/bin/env bash
# The trip list survives a run that ends badly: two cities are added, then the
# program is killed with SIGKILL, and in a second run its X server is killed under
# it; each time the next start shows both entries. A third run makes the settings
# store unwritable while it runs: adding shows no box, and the close reports the
# failed write as it always has. Starts its own Xvfb servers (with with_xvfb.sh's functions),
# since one of them is killed. Usage: run_e2e_kept.sh PROGRAM_DIR OUTPUT_DIR
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh" "$@"
xvfb_pid=""
trap 'kill "${app_pid:-}" "${xvfb_pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT

# shellcheck source=tests/support/with_xvfb.sh
source "$(dirname "$0")/../support/with_xvfb.sh"
display_up() { start_display || fail "Xvfb did not start"; }

store="$XDG_CONFIG_HOME/Tormalyn.conf"
mapfile -t rows < <("$cli" search --database "$folder/dbCities.sqlite" fiore)
[ "${#rows[@]}" -ge 2 ] || fail "the fixture has fewer than two cities for 'fiore'"
first=${rows[0]%%$'\t'*}
second=${rows[1]%%$'\t'*}

add_two_cities() {
  search fiore
  first_found 2                      # a double-click adds the first
  sleep 0.5
  xdotool key Down
  sleep 0.3
  click_at 120 2955 7800 405         # "2. Add City To List Below" adds the second
  sleep 1.5                          # the trip is kept within a second
}

# A box of the program other than its window, by title; prints its id.
box_titled() {
  for w in $(xdotool search --all --onlyvisible --pid "$app_pid" 2>/dev/null || true); do
    [ "$w" = "$main" ] && continue
    [ "$(xdotool getwindowname "$w" 2>/dev/null || true)" = "$1" ] && { echo "$w"; return; }
  done
}

# Starts the program on a fresh display, closes it, and checks that the trip it
# restored (and so writes at its close) holds both cities.
check_restored() {
  display_up
  start_program
  kill -TERM "$app_pid"; wait "$app_pid" || fail "the program did not end cleanly ($1)"
  app_pid=""
  stop_display
  grep -qF "Cities=$first;$second" "$store" || grep -qF "Cities=\"$first;$second\"" "$store" ||
    fail "the next start did not show both cities after $1: $(grep Cities= "$store" || true)"
  rm -f "$store"
}

# 1. SIGKILL: no handler of the program runs.
display_up
start_program
add_two_cities
kill -KILL "$app_pid"; wait "$app_pid" 2>/dev/null || true
app_pid=""
stop_display
check_restored "SIGKILL"

# 2. The X server goes away under the program.
display_up
start_program
add_two_cities
stop_display
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -KILL "$app_pid" 2>/dev/null || true
wait "$app_pid" 2>/dev/null || true
app_pid=""
check_restored "the display was lost"

# 3. The store cannot be written during the run (its folder becomes a file, which
# stops even root): no box while adding, and the close reports as it always did.
display_up
start_program
mv "$XDG_CONFIG_HOME" "$XDG_CONFIG_HOME.away"
touch "$XDG_CONFIG_HOME"
add_two_cities
[ -z "$(box_titled "Application Error")$(box_titled Ambrevale)" ] ||
  fail "a box was shown while the store could not be written"
kill -TERM "$app_pid"
report=""
for _ in $(seq 100); do
  report=$(box_titled "Application Error")
  [ -n "$report" ] && break
  sleep 0.1
done
[ -n "$report" ] || fail "the close did not report the failed write"
xdotool windowfocus --sync "$report" key Return
wait "$app_pid" || true
app_pid=""
stop_display
echo "e2e kept: passed"
