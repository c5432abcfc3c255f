#!/usr/bin/env bash
# Runs one Windows test program under Wine for CTest, in a Windows session's
# environment (windows_env.sh) with the variables named before the program.
#
#   run_windows_test.sh LAUNCHER PREFIX [--fresh] [--setup SCRIPT] [--] \
#       [NAME=VALUE | NAME+=VALUE]... PROGRAM [ARGUMENT]...
#
# PREFIX is the Wine prefix the tests share, made on first use. --fresh runs the
# program in a prefix of its own, as PREFIX was when it was made, removed after.
# --setup sources SCRIPT in that prefix first (it may call windows_run, wine_tool,
# add to the array session_assignments, and define windows_after, which runs once
# the program has passed and whose failure fails the test).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=windows_env.sh
. "$here/windows_env.sh"
WINDOWS_SESSION=$1
shared=$2
shift 2
fresh="" setup=""
while [ $# -gt 0 ]; do
  case $1 in
    --fresh) fresh=1; shift ;;
    --setup) setup=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done

windows_prefix "$shared" || { windows_log "FAIL: the shared prefix $shared could not be made"; exit 1; }
if [ -n "$fresh" ]; then
  own=$(mktemp -d "${shared%/*}/fresh-prefix.XXXXXX")
  trap '_windows_wine_env wineserver -k 2>/dev/null || true; rm -rf "$own"' EXIT
  windows_fresh_prefix "$shared" "$own/prefix" || { windows_log "FAIL: no fresh prefix"; exit 1; }
fi
session_assignments=()
if [ -n "$setup" ]; then
  # shellcheck source=/dev/null
  . "$setup" || { windows_log "FAIL: the setup $setup failed"; exit 1; }
fi
status=0
# The setup's variables go after the caller's, before the program.
assignments=()
while [ $# -gt 0 ] && [[ $1 == *=* ]]; do assignments+=("$1"); shift; done
windows_run "${assignments[@]}" "${session_assignments[@]}" "$@" || status=$?
if [ "$status" != 0 ]; then
  windows_log "FAIL: the program ended with status $status"
  exit "$status"
fi
if declare -F windows_after >/dev/null; then
  windows_after || { windows_log "FAIL: the check after the program failed"; exit 1; }
fi
