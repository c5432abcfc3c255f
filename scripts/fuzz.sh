#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehavior-
# Sanitizer, in build/fuzz) and runs each for SECONDS (default 60) over its seeds in
# tests/fuzz/corpus/<target>, two at a time where there are two cores; what it
# learns goes to build/fuzz/corpus/<target>. AMBREVALE_FUZZ_RUNS=N ends each target
# after N executions instead, with SECONDS as the most it may take.
# Ends with one table. An input that crashes, leaks, hangs or trips a sanitizer is
# kept under build/fuzz/crashes/<target>/ and the script exits non-zero.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
case $seconds in '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number" >&2; exit 2 ;; esac
runs=${AMBREVALE_FUZZ_RUNS:-}
case $runs in *[!0-9]*) echo "fuzz.sh: AMBREVALE_FUZZ_RUNS must be a whole number" >&2; exit 2 ;; esac
cd "$here"
build=build/fuzz
jobs=$(( $(nproc) < 2 ? 1 : 2 ))
cmake --preset fuzz >/dev/null
cmake --build "$build" --target fuzz_targets -j"$jobs"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for binary in "$build"/targets/fuzz_*; do targets+=("$(basename "${binary#"$build"/targets/fuzz_}")"); done
fi

# Leaks are faults too; the suppressions name third-party libraries only.
# Allocation stacks of 10 frames still show where a block came from, at less cost per malloc.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:malloc_context_size=10}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/sanitizer/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The longest input worth trying for each format: a number or a name is short, a
# file a few pages. Longer inputs only slow a reader down, not reach new code.
max_len() {
  case $1 in
    locale_numbers) echo 128 ;; resolve_name) echo 12000 ;; # a name may be 10,000 letters long
    cli_options) echo 512 ;;
    kept_trip | trip_lines) echo 2048 ;;
    import_csv | import_geonames | trip_files) echo 4096 ;;
    map_place) echo 512 ;;
    quick_search | skin) echo 4096 ;;
    city_database) echo 32768 ;; # a database of a few pages of 512 bytes
    *) echo 8192 ;;
  esac
}

# Runs one target; leaves its table row in logs/<target>.row and its verdict
# (0 clean, 1 failed) in logs/<target>.verdict.
fuzz_one() {
  local target=$1 binary=$build/targets/fuzz_$1 seeds=tests/fuzz/corpus/$1
  local corpus=$build/corpus/$1 crashes=$build/crashes/$1 log=$build/logs/$1.log
  mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
  local dictionary=()
  [ -f "tests/fuzz/$target.dict" ] && dictionary=(-dict="tests/fuzz/$target.dict")
  local before status=0 found verdict=0 coverage
  before=$(find "$crashes" -type f | wc -l)
  echo "== $target: ${seconds} s${runs:+ or $runs executions}"
  # -close_fd_mask=3: the readers' messages are not the fuzzer's; its reports still come.
  "$binary" "$corpus" "$seeds" "${dictionary[@]}" -max_total_time="$seconds" ${runs:+-runs="$runs"} -timeout=10 \
    -rss_limit_mb=2048 -max_len="$(max_len "$target")" -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$log" 2>&1 || status=$?
  found=$(( $(find "$crashes" -type f | wc -l) - before ))
  if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
    verdict=1
    [ "$found" -gt 0 ] || found=1
    { echo "== $target failed:"; grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5; } >&2 || true
  fi
  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  # A seed that fails at once leaves no coverage line; the table still comes.
  coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2 || true)
  printf '%-16s %12s %10s %9s %9s %8s\n' "$target" "$(stat number_of_executed_units)" \
    "$(stat average_exec_per_sec)" "$(stat new_units_added)" "${coverage:--}" "$found" \
    >"$build/logs/$target.row"
  echo "$verdict" >"$build/logs/$target.verdict"
}

# One target per core, at most two: each gets a core of its own for its time.
mkdir -p "$build/logs"
running=0
for target in "${targets[@]}"; do
  [ -x "$build/targets/fuzz_$target" ] || { echo "fuzz.sh: no target '$target'" >&2; exit 2; }
  rm -f "$build/logs/$target.row" "$build/logs/$target.verdict"
done
for target in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$(( running - 1 ))
  fi
  fuzz_one "$target" &
  running=$(( running + 1 ))
done
wait || true

failed=0
rows=()
for target in "${targets[@]}"; do
  rows+=("$(cat "$build/logs/$target.row" 2>/dev/null || printf '%-16s %12s' "$target" "(no result)")")
  [ "$(cat "$build/logs/$target.verdict" 2>/dev/null || echo 1)" = 0 ] || failed=1
done

echo
printf '%-16s %12s %10s %9s %9s %8s\n' target executions "exec/s" "new units" "coverage" crashes
printf '%s\n' "${rows[@]}"
echo "(each for ${seconds} s${runs:+ or $runs executions}; logs in $build/logs, crash inputs in $build/crashes/<target>/)"
exit "$failed"
