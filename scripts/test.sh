#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the unit tests once under
# AddressSanitizer + UndefinedBehaviorSanitizer, every fuzz target for a few seconds
# over its corpus, then all tests (the end-to-end window test included) on the
# normal build. Ends with CTest's summary.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"

echo "== sanitizer build: unit tests under AddressSanitizer + UndefinedBehaviorSanitizer"
"$here/scripts/build.sh" asan
# The leak settings come with each test (tests/CMakeLists.txt), so a lone ctest run has them too.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd "$here" && ctest --preset asan)

echo "== fuzz targets: ${AMBREVALE_FUZZ_SECONDS:-10} s each over their corpus"
"$here/scripts/fuzz.sh" "${AMBREVALE_FUZZ_SECONDS:-10}"

echo "== normal build: all tests"
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"
cd "$here" && exec ctest --preset dev
