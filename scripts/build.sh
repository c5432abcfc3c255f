#!/usr/bin/env bash
# Configures and builds one preset ("dev" by default, or "asan").
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-dev}
cd "$here"
jobs=$(( $(nproc) < 2 ? 1 : 2 ))
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$jobs"
