#!/usr/bin/env bash
# Starts the real window as the desktop does, from the desktop entry's Exec line with a
# GPX file for %f (a name with a space and non-ASCII letters), and sees the trip in the
# list the window keeps; then again over that kept list, where it asks before replacing.
# Usage: run_e2e_open.sh PROGRAM_DIR OUTPUT_DIR
# shellcheck source=tests/e2e/e2e_lib.sh
source "$(dirname "$0")/e2e_lib.sh" "$@"

gpx() { # name lat lon ...: a GPX route of these points
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1"><rte>\n'
  while [ $# -gt 0 ]; do
    printf '<rtept lat="%s" lon="%s"><name>%s</name></rtept>\n' "$2" "$3" "$1"
    shift 3
  done
  printf '</rte></gpx>\n'
}
first="$work/Reise nach Zürich.gpx"
second="$work/zweite Reise.gpx"
gpx "Bergen - Vestland" 60.39 5.32 "Tromso - Troms" 69.65 18.96 >"$first"
gpx "Hamar - Innlandet" 60.79 11.07 >"$second"

exec_line=$(sed -n 's/^Exec=//p' "$here/packaging/ambrevale.desktop")
read -r -a words <<<"$exec_line"
[ "${words[0]}" = ambrevale ] || fail "the Exec line starts with '${words[0]}', not the program"
open_from_entry() { # the file for %f
  local args=() word
  for word in "${words[@]:1}"; do
    case $word in %f) args+=("$1") ;; %*) fail "the Exec line has $word" ;; *) args+=("$word") ;; esac
  done
  [ ${#args[@]} -eq 1 ] || fail "the Exec line passes no file: $exec_line"
  "$program_dir/ambrevale" "${args[@]}" >"$out/program.log" 2>&1 &
  app_pid=$!
  main=$(wait_window Ambrevale)
  sleep 2
}
end_and_read_list() { # sets $list to the trip list the window kept when it ended
  kill -TERM "$app_pid"; wait "$app_pid" || fail "the program did not end cleanly on SIGTERM"
  app_pid=""
  list=$(grep '^Cities=' "$XDG_CONFIG_HOME/Tormalyn.conf" || true)
}

open_from_entry "$first"
for w in $(xdotool search --all --onlyvisible --pid "$app_pid" 2>/dev/null || true); do
  [ "$w" = "$main" ] || fail "a box was shown for an empty list: $(xdotool getwindowname "$w")"
done
end_and_read_list
case $list in *"Bergen - Vestland"*"Tromso - Troms"*) ;; *) fail "the trip was not opened: '$list'" ;; esac

# The kept list is restored first; the file then asks before replacing it. The question
# has the main window's title: it is the narrower of the two.
open_from_entry "$second"
box=""
for _ in $(seq 100); do
  mapfile -t titled < <(xdotool search --all --onlyvisible --pid "$app_pid" --name '^Ambrevale$' 2>/dev/null || true)
  if [ ${#titled[@]} -ge 2 ]; then
    box=$(for w in "${titled[@]}"; do
      printf '%s %s\n' "$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')" "$w"
    done | sort -n | head -n1 | cut -d' ' -f2)
    break
  fi
  sleep 0.1
done
[ -n "$box" ] || fail "no question before replacing the restored list"
answer "$box"
end_and_read_list
case $list in *"Hamar - Innlandet"*) ;; *) fail "the answered file did not replace the list: '$list'" ;; esac
case $list in *Bergen*) fail "the old list was kept: '$list'" ;; esac
echo "$e2e_name: passed"
