#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehavior-
# Sanitizer, in build/fuzz) and runs each for SECONDS (default 60) over its seeds in
# tests/fuzz/corpus/<target>; what it learns goes to build/fuzz/corpus/<target>.
# Ends with one table. An input that crashes, leaks, hangs or trips a sanitizer is
# kept under build/fuzz/crashes/<target>/ and the script exits non-zero.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
case $seconds in '' | *[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number" >&2; exit 2 ;; esac
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
    locale_numbers | resolve_name) echo 128 ;;
    cli_options) echo 512 ;;
    kept_trip | trip_lines) echo 2048 ;;
    import_csv | import_geonames | trip_files) echo 4096 ;;
    *) echo 8192 ;;
  esac
}

rows=()
failed=0
for target in "${targets[@]}"; do
  binary=$build/targets/fuzz_$target
  [ -x "$binary" ] || { echo "fuzz.sh: no target '$target'" >&2; exit 2; }
  seeds=tests/fuzz/corpus/$target
  corpus=$build/corpus/$target
  crashes=$build/crashes/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus" "$crashes" "$(dirname "$log")"
  dictionary=()
  [ -f "tests/fuzz/$target.dict" ] && dictionary=(-dict="tests/fuzz/$target.dict")
  before=$(find "$crashes" -type f | wc -l)
  echo "== $target: ${seconds} s"
  status=0
  # -close_fd_mask=3: the readers' messages are not the fuzzer's; its reports still come.
  "$binary" "$corpus" "$seeds" "${dictionary[@]}" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len="$(max_len "$target")" -close_fd_mask=3 -print_final_stats=1 \
    -artifact_prefix="$crashes/" >"$log" 2>&1 || status=$?
  found=$(( $(find "$crashes" -type f | wc -l) - before ))
  if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
    failed=1
    [ "$found" -gt 0 ] || found=1
    grep -E "ERROR|SUMMARY|Test unit written" "$log" | head -5 >&2 || true
  fi
  stat() { sed -n "s/^stat::$1: *//p" "$log" | tail -1; }
  # A seed that fails at once leaves no coverage line; the table still comes.
  coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -1 | cut -d' ' -f2 || true)
  rows+=("$(printf '%-16s %12s %10s %9s %9s %8s' "$target" "$(stat number_of_executed_units)" \
    "$(stat average_exec_per_sec)" "$(stat new_units_added)" "${coverage:--}" "$found")")
done

echo
printf '%-16s %12s %10s %9s %9s %8s\n' target executions "exec/s" "new units" "coverage" crashes
printf '%s\n' "${rows[@]}"
echo "(each for ${seconds} s; logs in $build/logs, crash inputs in $build/crashes/<target>/)"
exit "$failed"
