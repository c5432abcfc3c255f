#!/usr/bin/env bash
# Makes the Windows installer from a program folder: lists the folder's files (the list
# the installed folder keeps, which an upgrade and the uninstaller remove by), writes the
# installer's File lines for exactly those files and runs makensis.
# Usage: make-setup.sh PROGRAM_FOLDER VERSION ICON OUTFILE
set -euo pipefail
folder=$(cd "$1" && pwd)
version=$2
icon=$3
outfile=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mapfile -t files < <(cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ ${#files[@]} -gt 0 ] || { echo "make-setup: $folder is empty" >&2; exit 1; }
for name in "${files[@]}"; do
  case $name in
    *[!A-Za-z0-9._/+-]*) echo "make-setup: a file name the installer script cannot carry: $name" >&2; exit 1 ;;
    installed-files.txt | uninstall.exe) echo "make-setup: $name is the installer's own" >&2; exit 1 ;;
  esac
done
{
  declare -A made=()
  for name in "${files[@]}"; do
    windows=${name//\//\\}
    parent=${windows%\\*}
    if [ "$parent" != "$windows" ] && [ -z "${made[$parent]:-}" ]; then
      printf 'CreateDirectory "$INSTDIR\\%s"\n' "$parent"
      made[$parent]=1
    fi
    printf 'File "/oname=%s" "%s"\n' "$windows" "$folder/$name"
  done
} >"$work/files.nsh"
# UTF-16 with its byte-order mark and CRLF, as the installer reads it.
printf '%s\r\n' "${files[@]//\//\\}" | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } \
  >"$work/installed-files.txt"
makensis -V2 -DVERSION="$version" -DSOURCE="$folder" -DICON="$icon" -DOUTFILE="$outfile" \
  -DFILES="$work/files.nsh" -DLIST="$work/installed-files.txt" "$here/ambrevale.nsi" >/dev/null
