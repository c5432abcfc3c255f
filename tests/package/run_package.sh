#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a temporary root and runs what it installed from
# there: the tool and the window through their bin/ links, which must find the program folder
# with its database, pointer and skin. Also checks that the package carries every file that
# lies beside the program in the build, validates the desktop entry and the AppStream file,
# runs lintian, which must report no error and no missing hardening, and checks that every
# shared library the programs and their Qt plugins load comes from a package the .deb
# depends on. Run on an X server (tests/support/with_xvfb.sh).
# Usage: run_package.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
out=$2
mkdir -p "$out"
rm -f "$out/failure.png" "$out/window.png"
work=$(mktemp -d)
work=$(cd "$work" && pwd -P) # the program sees its folder with links resolved
trap 'for pid in ${program_pid:-} ${app_pid:-}; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT

fail() { echo "package: FAIL: $*" >&2; import -window root "$out/failure.png" 2>/dev/null || true; exit 1; }

[ -f "$build/bin/dbCities.sqlite" ] ||
  fail "$build/bin/dbCities.sqlite is missing: build it first with scripts/build-database.sh $build/bin"

echo "package: building the package"
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/package/ambrevale_*.deb)
cp "$deb" "$out/"
root="$work/root"
dpkg-deb -x "$deb" "$root"
folder="$root/usr/lib/ambrevale"

# Both bin/ entries are relative links into the program folder.
for program in ambrevale ambrevale-cli; do
  [ -L "$root/usr/bin/$program" ] || fail "usr/bin/$program is not a link"
  case "$(readlink "$root/usr/bin/$program")" in /*) fail "usr/bin/$program is an absolute link" ;; esac
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program does not lead to the program"
done

# Every file beside the program in the build is in the package's program folder, the same.
while IFS= read -r -d '' file; do
  relative=${file#"$build/bin/"}
  case "$relative" in ambrevale | ambrevale-cli | ambrevale-cli-lookup | ambrevale-cli-whole | *-journal | *-wal | *-shm) continue ;; esac
  [ -f "$folder/$relative" ] || fail "the package lacks $relative beside the program"
  cmp -s "$file" "$folder/$relative" || fail "the package's $relative differs from the build's"
done < <(find "$build/bin" -type f -print0)

# The tool through its link finds the database in its folder.
export LC_ALL=C.UTF-8 LANG=C.UTF-8
unset AMBREVALE_PROGRAM_DIR QT_QPA_PLATFORM
"$root/usr/bin/ambrevale-cli" search fiore >"$work/installed.txt" || fail "the installed tool failed"
"$build/bin/ambrevale-cli" search fiore >"$work/built.txt"
[ -s "$work/built.txt" ] || fail "the build's tool found nothing for 'fiore'"
cmp -s "$work/built.txt" "$work/installed.txt" ||
  fail "the installed tool prints other rows than the build's: $(diff "$work/built.txt" "$work/installed.txt" | head -5)"
# ... and the land outlines its maps are drawn on. The loader notes the libraries it loads.
printf 'Paris\t48.85\t2.35\nBerlin\t52.52\t13.4\n' |
  LD_DEBUG=files LD_DEBUG_OUTPUT="$work/tool-loads" \
    "$root/usr/bin/ambrevale-cli" distance --map "$work/map.png" >/dev/null ||
  fail "the installed tool could not draw a map"
# shellcheck source=tests/e2e/map_picture.sh
source "$(dirname "$0")/../e2e/map_picture.sh"
fault=$(map_picture_fault "$work/map.png" 2)
[ -z "$fault" ] || fail "the installed tool's map: $fault"

# The window through its link: it comes up with its skin, takes the pointer file and searches
# the database. strace shows which files it opened; where tracing is not allowed, the skin's
# colours and the absence of an error report are checked alone.
export XDG_CONFIG_HOME="$work/config"
trace=()
if strace -o /dev/null true 2>/dev/null; then
  trace=(strace -f -qq -e trace=open,openat -o "$work/trace")
else
  echo "package: strace cannot trace here; the opened files are not checked" >&2
fi
"${trace[@]}" "$root/usr/bin/ambrevale" >"$out/program.log" 2>&1 &
app_pid=$!
main=""
for _ in $(seq 150); do
  main=$(xdotool search --onlyvisible --name '^Ambrevale$' 2>/dev/null | head -n1 || true)
  [ -n "$main" ] && break
  sleep 0.1
done
[ -n "$main" ] || fail "the window did not appear"
program_pid=$(xdotool getwindowpid "$main")
sleep 1
# The search box lies at 360,390 twips (15 twips to a pixel); Enter runs the search.
xdotool mousemove --window "$main" $(( (360 + 7330 / 2) / 15 )) $(( (390 + 345 / 2) / 15 )) click 1
xdotool type --delay 40 fiore
xdotool key Return
sleep 2
for w in $(xdotool search --onlyvisible --name '^Application Error$' 2>/dev/null || true); do
  fail "the window showed an error report"
done
import -window "$main" "$out/window.png"
# The skin paints the buttons slate blue (#2f6b9a); without it they are grey.
colours=$(convert "$out/window.png" -format %c histogram:info:-)
grep -qi '#2F6B9A' <<<"$colours" || fail "the window is not skinned"
# The shared objects the running window has loaded, Qt plugins among them.
cp "/proc/$program_pid/maps" "$work/window-maps" || fail "cannot read the window's memory map"
# The program itself, not the tracer, is asked to end.
kill -TERM "$program_pid"
wait "$app_pid" || fail "the program did not end cleanly on SIGTERM"
app_pid="" program_pid=""
if [ ${#trace[@]} -gt 0 ]; then
  cp "$work/trace" "$out/trace.txt"
  # SQLite would follow a link to the database itself and open its target.
  for file in HAND-M.CUR x/o.cjs dbCities.sqlite; do
    grep -Eq "open(at)?\(.*\"($folder/$file|$(readlink -f "$folder/$file"))\", [^)]*\) = [0-9]+" \
      "$work/trace" || fail "the window did not open $file in its program folder"
  done
fi

# Every shared library the programs and the Qt plugins they loaded resolve to belongs to a
# package the .deb depends on, directly or through those packages' own dependencies (the
# unpacked files ran against this machine's libraries, where a missing dependency cannot
# show).
plugin_folder=$(dpkg -L libqt6gui6 | grep -m1 '/qt6/plugins/platforms/libqxcb\.so$')
plugin_folder=${plugin_folder%/platforms/*}
mapfile -t plugins < <({ grep -o "$plugin_folder/[^ ]*\.so" "$work/window-maps"
  cat "$work"/tool-loads.* 2>/dev/null | grep -o "file=$plugin_folder/[^ ]*\.so" | cut -d= -f2; } |
  sort -u)
grep -q '/platforms/libqxcb\.so$' < <(printf '%s\n' "${plugins[@]}") ||
  fail "the window was not seen loading its platform plugin"
grep -q '/platforms/libqoffscreen\.so$' < <(printf '%s\n' "${plugins[@]}") ||
  fail "the tool was not seen loading its platform plugin"
mapfile -t direct < <(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' |
  sed -E 's/\(.*\)//; s/:any//; s/[[:space:]]//g' | grep -v '^$' | sort -u)
[ ${#direct[@]} -gt 0 ] || fail "the package depends on nothing"
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances "${direct[@]}" 2>/dev/null | grep -v '^ ' | tr -d '<>' | sort -u)
# Qt loads every image plugin installed on the machine; one from a package we do not
# depend on (the SVG image plugin, say) is an extra of this machine, which a user's
# machine without that package simply lacks, and its own package carries its libraries.
kept=()
for plugin in "${plugins[@]}"; do
  owner=$(dpkg -S "$plugin" 2>/dev/null | grep -v '^diversion' | head -n1 | cut -d: -f1)
  if [ -n "$owner" ] && ! grep -qxF "$owner" <<<"$closure"; then
    echo "package: not ours to check: $plugin (from $owner, which the package does not need)"
    continue
  fi
  kept+=("$plugin")
done
plugins=("${kept[@]}")
declare -A needed_by=() # each library (a plugin counts as its own) and one object it serves
for object in "$folder/ambrevale" "$folder/ambrevale-cli" "${plugins[@]}"; do
  ldd "$object" >"$work/ldd.txt" 2>&1 || fail "ldd cannot read $object"
  if grep -q 'not found' "$work/ldd.txt"; then fail "$object lacks $(grep 'not found' "$work/ldd.txt")"; fi
  case "$object" in "$folder"/*) ;; *) needed_by[$(readlink -f "$object")]=${object##*/} ;; esac
  for library in $(awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}' "$work/ldd.txt"); do
    needed_by[$(readlink -f "$library")]=${object##*/}
  done
done
# One query for every file, under both names a merged /usr gives it.
paths=()
for library in "${!needed_by[@]}"; do paths+=("$library" "${library#/usr}"); done
declare -A owner_of=()
while IFS= read -r line; do
  package=${line%%: *}
  package=${package%%,*}
  owner_of[/usr${line##*: }]=${package%%:*}
  owner_of[${line##*: }]=${package%%:*}
done < <(dpkg -S "${paths[@]}" 2>/dev/null | grep -v '^diversion')
unlisted=()
for library in "${!needed_by[@]}"; do
  package=${owner_of[$library]:-}
  [ -n "$package" ] || fail "no package holds $library (needed by ${needed_by[$library]})"
  grep -qxF "$package" <<<"$closure" || unlisted+=("$package ($library, for ${needed_by[$library]})")
done
[ ${#unlisted[@]} -eq 0 ] ||
  fail "the package does not depend on: $(printf '%s\n' "${unlisted[@]}" | sort -u | tr '\n' ' ')"
echo "package: ${#plugins[@]} Qt plugins and the programs need only packages it depends on"

# Desktop entry and AppStream metadata.
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

# The desktop finds the program for trip files: the entry installed into a scratch
# XDG_DATA_HOME and indexed there, gio lists it for both media types. gio leaves out an
# entry whose program is not on the PATH, so the package's bin/ is put first.
grep -qx 'Exec=ambrevale %f' "$root"/usr/share/applications/*.desktop || fail "the entry's Exec takes no file"
for file in LICENSE THIRD-PARTY-NOTICES.txt; do
  [ -s "$folder/$file" ] || fail "the package lacks $file beside the program"
done
desktop_home="$work/xdg-data"
mkdir -p "$desktop_home/applications"
cp "$root"/usr/share/applications/*.desktop "$desktop_home/applications/"
update-desktop-database "$desktop_home/applications" || fail "update-desktop-database"
for type in application/gpx+xml application/geo+json; do
  listed=$(PATH="$root/usr/bin:$PATH" XDG_DATA_HOME="$desktop_home" XDG_DATA_DIRS=/usr/share \
    gio mime "$type" 2>&1) || fail "gio mime $type: $listed"
  grep -q "$(basename "$root"/usr/share/applications/*.desktop)" <<<"$listed" ||
    fail "gio does not list the program for $type: $listed"
done
printf '<?xml version="1.0"?>\n<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1"/>\n' >"$work/t.gpx"
XDG_DATA_DIRS=/usr/share gio info -a standard::content-type "$work/t.gpx" | grep -q 'application/gpx+xml' ||
  fail "a .gpx file is not application/gpx+xml here"

# Every theme icon is the vector source drawn at its own size; the source is the scalable one.
icons="$root/usr/share/icons/hicolor"
[ -s "$icons/scalable/apps/ambrevale.svg" ] || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
  icon="$icons/${size}x${size}/apps/ambrevale.png"
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] || fail "no ${size}-pixel icon"
  rsvg-convert -w "$size" -h "$size" -o "$work/icon.png" "$icons/scalable/apps/ambrevale.svg"
  differing=$(compare -metric AE "$icon" "$work/icon.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "the ${size}-pixel icon is not the source drawn at $size ($differing pixels differ)"
done

# lintian: errors fail, warnings are printed.
lintian_status=0
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" >"$out/lintian.txt" 2>&1 || lintian_status=$?
grep -v 'root privileges' "$out/lintian.txt" || true
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"
if grep -q 'hardening-no-' "$out/lintian.txt"; then
  fail "lintian finds hardening missing: $(grep -o 'hardening-no-[a-z-]*.*' "$out/lintian.txt" | sort -u | tr '\n' ' ')"
fi
echo "package: passed ($(basename "$deb"), $(stat -c %s "$deb") bytes)"
