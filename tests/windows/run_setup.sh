#!/usr/bin/env bash
# The Windows installer's own duties, in a fresh Wine prefix: every DLL it ships is named in
# the notices, the icon holds seven sizes each drawn at its size, an upgrade over an older
# install leaves no file of the older list behind, "Open with" lists the program for trip
# files without taking their default, a silent install or uninstall while ambrevale.exe
# runs ends with an error and changes nothing, and the uninstaller removes its own files
# and leaves a user's file in the folder.
# Usage: run_setup.sh SETUP_EXE PROGRAM_FOLDER ICO SOURCE_DIR OUTPUT_DIR WINDOWS_SESSION_EXE
set -euo pipefail
setup=$1
package=$2
ico=$3
source_dir=$4
out=$5
# The launcher that starts each Windows program in a Windows session's own environment.
WINDOWS_SESSION=$6
mkdir -p "$out"
fail() { echo "setup: FAIL: $*" >&2; exit 1; }
for file in "$setup" "$package/ambrevale.exe" "$ico"; do
  [ -e "$file" ] || fail "$file is missing: run scripts/build-windows.sh first"
done

# shellcheck source=tests/windows/windows_env.sh
source "$source_dir/tests/windows/windows_env.sh"

# ---- the notices name every DLL; the licence is there too
notices="$package/THIRD-PARTY-NOTICES.txt"
[ -s "$notices" ] && [ -s "$package/LICENSE" ] || fail "the package lacks LICENSE or THIRD-PARTY-NOTICES.txt"
unnamed=()
while IFS= read -r -d '' dll; do
  relative=${dll#"$package/"}
  grep -qF "$relative" "$notices" || unnamed+=("$relative")
done < <(find "$package" -iname '*.dll' -print0)
[ ${#unnamed[@]} -eq 0 ] || fail "DLLs shipped but not named in the notices: ${unnamed[*]}"
echo "setup: every DLL of $(find "$package" -iname '*.dll' | wc -l) is named in the notices"

# ---- the icon: seven sizes, each the vector source drawn at that size
sizes=$(identify -format '%w ' "$ico")
[ "$sizes" = "16 24 32 48 64 128 256 " ] || fail "the icon holds the sizes '$sizes'"
index=0
for size in $sizes; do
  rsvg-convert -w "$size" -h "$size" -o "$out/icon-$size.png" "$source_dir/data/ambrevale.svg"
  differing=$(compare -metric AE "$ico[$index]" "$out/icon-$size.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "the icon's $size-pixel picture is not the source drawn at $size ($differing pixels differ)"
  index=$((index + 1))
done

work=$(mktemp -d)
sleeper_pid=""
trap '[ -z "$sleeper_pid" ] || kill "$sleeper_pid" 2>/dev/null || true; _windows_wine_env wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
windows_prefix "$work/prefix" || fail "the Wine prefix could not be made"
folder="$WINEPREFIX/drive_c/Amb"
setup_copy="$work/setup.exe" # a path without spaces, for cmd
cp "$setup" "$setup_copy"
listed() { # the installed list, one name a line, with / for \
  iconv -f UTF-16 -t UTF-8 "$folder/installed-files.txt" | tr -d '\r' | tr '\\' '/'
}
state() { (cd "$folder" && find . -type f -exec md5sum {} + | LC_ALL=C sort); }

# ---- an older version: the same folder with a DLL and a plugin folder more
older="$work/older"
cp -r "$package" "$older"
echo old >"$older/old-only.dll"
mkdir -p "$older/oldplugins"
echo old >"$older/oldplugins/old.dll"
bash "$source_dir/packaging/windows/make-setup.sh" "$older" 0.9 "$ico" "$work/older-setup.exe"
windows_run --verbatim "Z:${work//\//\\}\\older-setup.exe" /S /D=C:\\Amb || fail "the older installer failed"
[ -f "$folder/old-only.dll" ] && listed | grep -qx old-only.dll || fail "the older install is not as made"
echo "mine" >"$folder/my-notes.txt"

# ---- the upgrade: the older list's files are gone, the new list's all there
windows_run --verbatim "Z:${setup_copy//\//\\}" /S /D=C:\\Amb || fail "the upgrade failed"
[ ! -e "$folder/old-only.dll" ] && [ ! -e "$folder/oldplugins" ] ||
  fail "the upgrade left the older version's files: $(ls "$folder" "$folder/oldplugins" 2>/dev/null | tr '\n' ' ')"
[ -f "$folder/my-notes.txt" ] || fail "the upgrade removed the user's file"
mapfile -t new_list < <(listed)
expected=$(cd "$package" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$(printf '%s\n' "${new_list[@]}")" = "$expected" ] || fail "the installed list is not the package's files"
for name in "${new_list[@]}"; do
  cmp -s "$package/$name" "$folder/$name" || fail "the upgrade did not install $name"
done
echo "setup: the upgrade removed the older list's files and installed the ${#new_list[@]} of its own"

# ---- "Open with": the program and the trip type, listed for .gpx and .geojson, no default
query() { wine_tool reg query "$@" 2>/dev/null | tr -d '\r'; }
for suffix in .gpx .geojson; do
  query "HKCU\\Software\\Classes\\$suffix\\OpenWithProgids" /v Ambrevale.Trip | grep -q Ambrevale.Trip ||
    fail "$suffix does not offer Ambrevale"
  query "HKCU\\Software\\Classes\\Applications\\ambrevale.exe\\SupportedTypes" /v "$suffix" | grep -qF "$suffix" ||
    fail "the program does not name $suffix among its types"
  default=$(query "HKCU\\Software\\Classes\\$suffix" /ve | sed -n 's/.*REG_SZ[[:space:]]*//p')
  [ -z "$default" ] || [ "$default" = "(value not set)" ] || fail "the installer took $suffix's default ($default)"
done
command=$(query 'HKCU\Software\Classes\Ambrevale.Trip\shell\open\command' /ve)
grep -qiF '"C:\Amb\ambrevale.exe" "%1"' <<<"$command" || fail "the trip type opens with: $command"

# ---- while a program named ambrevale.exe runs, nothing is changed
cat >"$work/sleeper.c" <<'C'
#include <windows.h>
int main(void) { Sleep(120000); return 0; }
C
mkdir -p "$WINEPREFIX/drive_c/elsewhere"
x86_64-w64-mingw32-gcc -o "$WINEPREFIX/drive_c/elsewhere/ambrevale.exe" "$work/sleeper.c"
wine_tool 'C:\elsewhere\ambrevale.exe' &
sleeper_pid=$!
for _ in $(seq 50); do
  wine_tool tasklist 2>/dev/null | tr -d '\r' | grep -qi '^ambrevale.exe' && break
  sleep 0.2
done
before=$(state)
status=0
windows_run --verbatim "Z:${setup_copy//\//\\}" /S /D=C:\\Amb || status=$?
[ "$status" = 2 ] || fail "a silent install while ambrevale.exe runs ended with $status, not 2"
status=0
windows_run --verbatim 'C:\Amb\uninstall.exe' /S _?=C:\\Amb || status=$?
[ "$status" = 2 ] || fail "a silent uninstall while ambrevale.exe runs ended with $status, not 2"
[ "$(state)" = "$before" ] || fail "the refused runs changed the folder"
kill "$sleeper_pid" 2>/dev/null || true
wait "$sleeper_pid" 2>/dev/null || true
sleeper_pid=""
wine_tool taskkill /f /im ambrevale.exe >/dev/null 2>&1 || true
for _ in $(seq 50); do
  wine_tool tasklist 2>/dev/null | tr -d '\r' | grep -qi '^ambrevale.exe' || break
  sleep 0.2
done

# ---- the uninstaller: its files and registrations go, the user's file stays
windows_run --verbatim 'C:\Amb\uninstall.exe' /S _?=C:\\Amb || fail "the uninstaller failed"
left=$(cd "$folder" && find . -type f | sed 's|^\./||' | grep -vx uninstall.exe | LC_ALL=C sort)
[ "$left" = my-notes.txt ] || fail "the uninstaller left: $(tr '\n' ' ' <<<"$left")"
[ -z "$(find "$folder" -mindepth 1 -type d)" ] || fail "the uninstaller left folders: $(find "$folder" -mindepth 1 -type d)"
for suffix in .gpx .geojson; do
  if query "HKCU\\Software\\Classes\\$suffix\\OpenWithProgids" /v Ambrevale.Trip | grep -q Ambrevale.Trip; then
    fail "the uninstaller left Ambrevale in $suffix's choices"
  fi
done
if query 'HKCU\Software\Classes\Applications\ambrevale.exe' >/dev/null; then
  fail "the uninstaller left the program's registration"
fi
echo "setup: passed"
