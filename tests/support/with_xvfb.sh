#!/usr/bin/env bash
# Runs a command on an Xvfb server of its own and ends the server after it. The
# server picks a free display and names it only once it takes connections, so the
# command never starts before its display is up, nor on the display of a server
# that an earlier test is still shutting down. Sourced, it only defines
# start_display and stop_display, for a script that starts servers of its own.
# Usage: with_xvfb.sh COMMAND [ARGUMENTS...]

start_display() { # sets DISPLAY and xvfb_pid, or returns 1
  local ready
  ready=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 200); do
    [ -s "$ready" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.05
  done
  [ -s "$ready" ] || { rm -f "$ready"; return 1; }
  export DISPLAY=":$(head -n1 "$ready")"
  rm -f "$ready"
}

stop_display() {
  kill "${xvfb_pid:-}" 2>/dev/null || true
  wait "${xvfb_pid:-}" 2>/dev/null || true
  xvfb_pid=""
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  trap stop_display EXIT
  start_display || { echo "with_xvfb: Xvfb did not start" >&2; exit 1; }
  "$@"
fi
