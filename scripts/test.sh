#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the unit tests once under
# AddressSanitizer + UndefinedBehaviorSanitizer, then all tests (the end-to-end
# window test included) on the normal build. Ends with CTest's summary.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"

echo "== sanitizer build: unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
"$here/scripts/build.sh" asan
# Leaks count as failures; tests/sanitizer/lsan.supp names the third-party ones.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$here/tests/sanitizer/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd "$here" && ctest --preset asan)

echo "== normal build: all tests"
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"
cd "$here" && exec ctest --preset dev
