#!/usr/bin/env bash
# Runs a command on an Xvfb server of its own and ends the server after it. The
# server picks a free display and names it only once it takes connections, so the
# command never starts before its display is up, nor on the display of a server
# that an earlier test is still shutting down.
# Usage: with_xvfb.sh COMMAND [ARGUMENTS...]
set -euo pipefail
ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$ready" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -f "$ready"' EXIT
for _ in $(seq 200); do
  [ -s "$ready" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
[ -s "$ready" ] || { echo "with_xvfb: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$ready")"
status=0
"$@" || status=$?
exit "$status"
