#!/usr/bin/env bash
# Checks the environment a Windows program sees when the tests start it: started
# through run_windows_test.sh like every unit test, cmd.exe lists its variables.
# The host's own variables are set on purpose first (a display, a home, a locale,
# Qt's), so a leak shows.
#   check_session.sh RUN_WINDOWS_TEST LAUNCHER PREFIX [NAME=VALUE | NAME+=VALUE]...
set -euo pipefail
run=$1 launcher=$2 prefix=$3
shift 3
fail() { echo "windows: FAIL: $*" >&2; exit 1; }
listed=$(mktemp)
trap 'rm -f "$listed"' EXIT
DISPLAY=${DISPLAY:-:97} WAYLAND_DISPLAY=wayland-7 XDG_RUNTIME_DIR=/run/user/7 \
  XDG_CONFIG_HOME=/tmp/host-config QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=3 \
  LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 LC_NUMERIC=de_DE.UTF-8 \
  SHELL=/bin/host-shell HOME=${HOME:-/root} AMBREVALE_HOST_ONLY=1 \
  bash "$run" "$launcher" "$prefix" -- "$@" 'C:\windows\system32\cmd.exe' /c set \
  >"$listed" 2>&1 || fail "cmd.exe did not run in the session: $(cat "$listed")"
sed -i 's/\r$//' "$listed"
names() { sed -n 's/=.*//p' "$listed"; }
value() { sed -n "s/^$1=//Ip" "$listed" | head -n 1; }

for name in DISPLAY WAYLAND_DISPLAY HOME SHELL LANG AMBREVALE_HOST_ONLY USER LOGNAME PWD TERM; do
  ! names | grep -qix "$name" || fail "the host's $name reached the program: $(value "$name")"
done
# The names the test sets inside the session may be there; no other of these kinds.
set_here=$(printf '%s\n' "$@" | sed -n 's/^\([A-Za-z_][A-Za-z0-9_]*\)+\{0,1\}=.*/\1/p')
for prefix_name in XDG_ LC_ QT_; do
  leaked=$(names | grep -i "^$prefix_name" | grep -vixF "$set_here" || true)
  [ -z "$leaked" ] || fail "the host's $prefix_name* variables reached the program: $(tr '\n' ' ' <<<"$leaked")"
done
# Qt's variables are the ones the test set inside the session, never the host's.
case $(value QT_QPA_PLATFORM) in xcb) fail "the host's QT_QPA_PLATFORM reached the program" ;; esac
for name in SystemRoot APPDATA LOCALAPPDATA USERPROFILE TEMP TMP ComSpec PATHEXT USERNAME; do
  [ -n "$(value "$name")" ] || fail "$name is not set, as Windows sets it"
done
[[ $(value APPDATA) == [A-Za-z]:\\* ]] || fail "APPDATA is no Windows folder: $(value APPDATA)"
[[ $(value TEMP) == [A-Za-z]:\\* ]] || fail "TEMP is no Windows folder: $(value TEMP)"
# PATH holds Windows folders only: drive letters and backslashes, never the
# host's /usr/bin, whatever drive shows it.
IFS=';' read -ra folders <<<"$(value PATH)"
[ ${#folders[@]} -gt 0 ] || fail "PATH is empty"
for folder in "${folders[@]}"; do
  [ -z "$folder" ] && continue
  [[ $folder == [A-Za-z]:\\* && $folder != */* ]] || fail "PATH holds a folder that is no Windows folder: $folder"
  case ${folder,,} in
    *\\usr\\bin | *\\usr\\local\\bin | *:\\bin | *\\usr\\sbin) fail "PATH holds the host's $folder" ;;
  esac
done
printf '%s\n' "${folders[@]}" | grep -qix 'C:\\windows\\system32' || fail "PATH lacks C:\\windows\\system32"
echo "windows: the session's environment is Windows's own: $(names | wc -l) variables"
