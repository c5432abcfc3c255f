#!/usr/bin/env bash
# Sets everything up, builds the program and its city database, and starts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Ambrevale is built, but no display is available (DISPLAY is not set)." >&2
  echo "Start it on a desktop, or under a virtual display with:" >&2
  echo "  xvfb-run -a $here/build/bin/ambrevale" >&2
  exit 2
fi
exec "$here/build/bin/ambrevale" "$@"
