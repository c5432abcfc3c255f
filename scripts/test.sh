#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the unit tests once under
# AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target for a few seconds
# over its corpus, then all tests (the end-to-end window test included) on the
# normal build, then the Windows program cross-built and its tests under Wine
# (AMBREVALE_WINDOWS=0 leaves that out). The Linux tests run and report first; the
# last lines say which parts failed and list the tests that skipped.
#   bash scripts/test.sh            everything
#   bash scripts/test.sh windows    only the normal build and the Windows part
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# The Windows part is on unless switched off: setup.sh then installs its tools too.
export AMBREVALE_WINDOWS=${AMBREVALE_WINDOWS:-1}
# CI stops a run at 90 minutes; a cold Windows build (Qt cross-built from source)
# takes half an hour of two idle cores (more on a shared machine), so that part gets
# what is left of the budget and, on a machine too slow for it, says plainly that it
# did not finish.
budget_seconds=$(( ${AMBREVALE_TEST_BUDGET_MINUTES:-85} * 60 ))
parts=${1:-all}
case $parts in
  all | windows) ;;
  *) echo "usage: scripts/test.sh [windows]" >&2; exit 2 ;;
esac
"$here/scripts/setup.sh"

# Tallies a ctest run from its output, also when the run was cut short: sets
# ran, passed, failed and skipped, and skipped_names.
tally() { # log
  ran=$(grep -cE ' Test +#[0-9]+: ' "$1" || true)
  passed=$(grep -E ' Test +#[0-9]+: ' "$1" | grep -cE ' Passed +[0-9.]+ sec' || true)
  skipped_names=$(grep -E ' Test +#[0-9]+: .*\*\*\*Skipped' "$1" |
    sed -E 's/.* Test +#[0-9]+: ([^ ]+) .*/\1/' | tr '\n' ' ' || true)
  skipped=$(wc -w <<<"$skipped_names")
  failed=$((ran - passed - skipped))
}

if [ "$parts" = all ]; then
  echo "== sanitizer build: unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
  "$here/scripts/build.sh" asan
  # The leak settings come with each test (tests/CMakeLists.txt), so a lone ctest run has them too.
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  (cd "$here" && ctest --preset asan)

  echo "== fuzz targets: ${AMBREVALE_FUZZ_SECONDS:-10} s each over their corpus"
  "$here/scripts/fuzz.sh" "${AMBREVALE_FUZZ_SECONDS:-10}"
fi

echo "== normal build: all tests"
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"
cd "$here"
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
linux_status=skipped linux_line="not run (scripts/test.sh windows)"
if [ "$parts" = all ]; then
  { status=0; ctest --preset dev || status=$?; echo "$status" >"$logs/linux.status"; } 2>&1 |
    tee "$logs/linux.log"
  linux_status=$(cat "$logs/linux.status")
  tally "$logs/linux.log"
  linux_line="$([ "$linux_status" = 0 ] && echo passed || echo FAILED):"
  linux_line+=" $ran ran, $passed passed, $failed failed, $skipped skipped${skipped_names:+ ($skipped_names)}"
fi

# The Windows program and its tests under Wine. The first run cross-builds Qt and
# the libraries into a cache (see the README's Windows section); later runs reuse it.
# Only a cold Qt build may leave the part unfinished at the end of the budget: with
# Qt cached, the build and the tests must fit, and a test that ran and failed fails
# the run whenever the budget ends.
windows_status=skipped windows_line="not run (AMBREVALE_WINDOWS=0)"
if [ "$AMBREVALE_WINDOWS" != 0 ]; then
  echo "== Windows build: the program cross-built, its tests under Wine"
  left() { echo $(( budget_seconds - SECONDS > 60 ? budget_seconds - SECONDS : 60 )); }
  qt_cold=1
  bash "$here/scripts/build-windows.sh" qt-cached 2>/dev/null && qt_cold=""
  build_status=0
  timeout "$(left)" bash "$here/scripts/build-windows.sh" || build_status=$?
  if [ "$build_status" = 124 ] && [ -n "$qt_cold" ]; then
    windows_status=out-of-time
    windows_line="NOT FINISHED: the cold Qt build did not finish within the budget of"
    windows_line+=" $((budget_seconds / 60)) minutes (AMBREVALE_TEST_BUDGET_MINUTES); no Windows test ran"
  elif [ "$build_status" != 0 ]; then
    windows_status=$build_status
    windows_line="FAILED: the Windows build $([ "$build_status" = 124 ] &&
      echo "ran out of the budget with Qt cached" || echo "failed (above)"); no Windows test ran"
  else
    total=$(cd "$here/build-windows/build" && ctest -N -L windows | sed -n 's/^Total Tests: //p')
    { status=0
      (cd "$here/build-windows/build" && timeout "$(left)" ctest -L windows --output-on-failure) ||
        status=$?
      echo "$status" >"$logs/windows.status"; } 2>&1 | tee "$logs/windows.log"
    tests_status=$(cat "$logs/windows.status")
    tally "$logs/windows.log"
    counts="$ran of ${total:-?} ran, $passed passed, $failed failed, $skipped skipped${skipped_names:+ ($skipped_names)}, $(( ${total:-$ran} - ran )) not reached"
    if [ "$failed" -gt 0 ]; then
      windows_status=1 windows_line="FAILED: $counts"
    elif [ "$tests_status" = 124 ] && [ -n "$qt_cold" ]; then
      windows_status=out-of-time
      windows_line="NOT FINISHED after the cold Qt build, in the budget of $((budget_seconds / 60)) minutes: $counts"
    elif [ "$tests_status" = 124 ]; then
      windows_status=124 windows_line="FAILED: the tests ran out of the budget with Qt cached: $counts"
    elif [ "$tests_status" != 0 ]; then
      windows_status=$tests_status windows_line="FAILED (ctest ended with status $tests_status): $counts"
    else
      windows_status=0 windows_line="passed: $counts"
    fi
  fi
fi

echo "== Linux tests: $linux_line"
echo "== Windows build and tests: $windows_line"
case $linux_status in 0 | skipped) ;; *) exit "$linux_status" ;; esac
# Only a cold Qt build running out of the budget fails nothing: it is reported
# above, and the next run starts from what the Windows build has cached.
case $windows_status in 0 | skipped | out-of-time) ;; *) exit "$windows_status" ;; esac
