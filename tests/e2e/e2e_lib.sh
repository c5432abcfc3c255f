# Helpers of the end-to-end scripts, sourced by them with PROGRAM_DIR and OUTPUT_DIR
# as their arguments. Sourcing sets up a program folder of its own with the fixture
# database ($folder), a settings store of its own and the plain C locale;
# start_program sets $app_pid and $main.
set -euo pipefail
program_dir=$1
out=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cli="$program_dir/ambrevale-cli"
e2e_name=$(basename "$0" .sh)
mkdir -p "$out"
rm -f "$out/failure.png"
work=$(mktemp -d)
trap 'if [ -n "${app_pid:-}" ]; then kill "$app_pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT

fail() {
  echo "$e2e_name: FAIL: $*" >&2
  if [ -s "$out/program.log" ]; then
    echo "$e2e_name: the program's last messages:" >&2
    tail -n 20 "$out/program.log" >&2
  fi
  import -window root "$out/failure.png" 2>/dev/null || true
  exit 1
}

folder="$work/program"
mkdir -p "$folder"
"$cli" import --geonames "$here/tests/data/geonames-cities.txt" \
  --admin1 "$here/tests/data/geonames-admin1.json" \
  --countries "$here/tests/data/iso_3166-1.json" "$folder/dbCities.sqlite" >/dev/null
export AMBREVALE_PROGRAM_DIR="$folder"
export XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset QT_QPA_PLATFORM

# Positions in the window, in pixels at 96 dpi (15 twips per pixel).
px() { echo $(( $1 / 15 )); }
click_at() { # left top width height (twips of the control), [clicks]
  local x=$(( ($1 + $3 / 2) / 15 )) y=$(( ($2 + $4 / 2) / 15 ))
  xdotool mousemove --window "$main" "$x" "$y" click --repeat "${5:-1}" --delay 80 1
}

# Waits for a window of the program with exactly this title; prints its id, or
# nothing when the program ended first.
find_window() {
  local found=""
  for _ in $(seq 100); do
    found=$(xdotool search --all --onlyvisible --pid "$app_pid" --name "^$1\$" 2>/dev/null | head -n1 || true)
    [ -n "$found" ] && break
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "$found"
}

wait_window() {
  local found
  found=$(find_window "$1")
  [ -n "$found" ] || fail "the window '$1' did not appear"
  echo "$found"
}

start_program() {
  "$program_dir/ambrevale" >"$out/program.log" 2>&1 &
  app_pid=$!
  main=$(wait_window Ambrevale)
  sleep 0.5
}

search() { # types the text into the search box and runs the search with Enter
  click_at 360 390 7330 345
  xdotool type --delay 40 "$1"
  xdotool key Return
  sleep 2                            # generous: the machine may be busy with other tests
}

first_found() { # [clicks]: clicks the first found city, just below the list's header
  xdotool mousemove --window "$main" 100 $(( 1530 / 15 + 28 )) click --repeat "${1:-1}" --delay 80 1
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

# Runs the trip, copies the results and compares them with $expected.
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

