#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its own figures.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
for p in geographiclib-tools proj-bin; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || {
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p"; }
done
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"
for bench in "$here"/build/bench/bench_*; do
  echo "== $(basename "$bench")"
  if [ "$(basename "$bench")" = bench_startup ]; then
    xvfb-run -a "$bench"
  else
    QT_QPA_PLATFORM=offscreen "$bench"
  fi
done
