#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its own figures, and the lines
# "HEADLINE<tab>label<tab>value" among them are gathered into one table at the end.
#
#   scripts/bench.sh                 every benchmark, the gazetteer import included
#                                    (13 million rows: minutes and about 6 GB of disk)
#   scripts/bench.sh --no-gazetteer  all but the gazetteer import
#   scripts/bench.sh --tool          the command-line tool against the sqlite3 shell
#                                    (search) and geod (distance) alone
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
gazetteer=1
only=
for arg in "$@"; do
  case "$arg" in
    --no-gazetteer) gazetteer=0 ;;
    --tool) only="bench_search_cli bench_distance_cli" ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done
# setup.sh also installs the programs the benchmarks compare against: the sqlite3
# shell (search) and the geodesic tools geod and GeodSolve (distance).
"$here/scripts/setup.sh"
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"

headlines=$(mktemp)
log=$(mktemp)
trap 'rm -f "$headlines" "$log"' EXIT
for bench in "$here"/build/bench/bench_*; do
  [ -f "$bench" ] && [ -x "$bench" ] || continue
  name=$(basename "$bench")
  if [ -n "$only" ] && [[ " $only " != *" $name "* ]]; then
    continue
  fi
  if [ "$name" = bench_import ] && [ "$gazetteer" = 0 ]; then
    printf '%s\tskipped (--no-gazetteer)\t\n' "$name" >>"$headlines"
    continue
  fi
  echo "== $name"
  if [ "$name" = bench_startup ]; then
    run=(xvfb-run -a "$bench")
  else
    run=(env QT_QPA_PLATFORM=offscreen "$bench")
  fi
  # Each benchmark's own output shows as it runs; its HEADLINE lines are kept.
  status=0
  "${run[@]}" 2>&1 | tee "$log" || status=$?
  awk -F'\t' -v b="$name" '$1 == "HEADLINE" { print b "\t" $2 "\t" $3 }' "$log" >>"$headlines"
  [ "$status" = 0 ] || printf '%s\tFAILED (exit status %s)\t\n' "$name" "$status" >>"$headlines"
done

echo
echo "== Headline figures"
awk -F'\t' '
  { bench[NR] = $1; label[NR] = $2; value[NR] = $3
    if (length($1) > wb) wb = length($1); if (length($2) > wl) wl = length($2) }
  END { for (i = 1; i <= NR; i++) printf "%-*s  %-*s  %s\n", wb, bench[i], wl, label[i], value[i] }
' "$headlines"
