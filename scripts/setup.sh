#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (as root),
# builds the program and the default city database. Safe to run again: each
# step is skipped when it is already done.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${AMBREVALE_BUILD_DIR:-$here/build}

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libxlsxwriter-dev libsqlite3-dev libgeographiclib-dev geographiclib-tools
  libicu-dev # the collation library's version, which the database names with its order
  sqlite3 proj-bin
  xvfb xauth xdotool x11-utils xclip imagemagick
  gnumeric fonts-liberation iso-codes locales
  help2man dpkg-dev file lintian desktop-file-utils appstream strace time
  libglib2.0-bin shared-mime-info # gio finds the program for the trip files' media types
  librsvg2-bin # rsvg-convert draws the icon at every size from its SVG
  gpsbabel gdal-bin
  python3 # the machine-format tests read the files back with its csv and json modules
  # The fuzz targets (scripts/fuzz.sh): clang with libFuzzer and the sanitizers.
  clang libclang-rt-14-dev
)

# The Windows build (scripts/build-windows.sh): the cross compiler, Wine to run the
# tests, NSIS for the installer, tclsh to make SQLite's amalgamation, and Qt's host
# tools; procps's pgrep for the installed-program test. Installed where that build
# is asked for or has been made.
windows_packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev wine wine64 nsis tcl zip qt6-base-dev-tools procps
)
windows=0
if [ "${AMBREVALE_WINDOWS:-0}" = 1 ] || [ -d "$here/build-windows/build" ]; then
  windows=1
  packages+=("${windows_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js and npm often come preinstalled; Debian's npm conflicts with them.
command -v npm >/dev/null 2>&1 || missing+=(npm)

# The Windows build takes Debian's sources of Qt base, GeographicLib, libxlsxwriter
# and SQLite: apt-get source needs deb-src lines matching the deb lines.
sources_changed=0
if [ "$windows" = 1 ] && ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ &&
   ! grep -qs '^deb-src' /etc/apt/sources.list; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/ambrevale-src.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/ambrevale-src.list
  fi
  sources_changed=1
fi

if [ ${#missing[@]} -gt 0 ] || [ "$sources_changed" = 1 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number tests run under these locales (decimal comma, U+2212 minus, direction
# marks, Arabic-Indic and Persian digits). Debian names most as "xx_YY.UTF-8 UTF-8",
# and fa_IR and hi_IN as "xx_YY UTF-8".
locale_lines=("en_US.UTF-8 UTF-8" "de_DE.UTF-8 UTF-8" "fr_FR.UTF-8 UTF-8" "sv_SE.UTF-8 UTF-8"
  "he_IL.UTF-8 UTF-8" "ar_EG.UTF-8 UTF-8" "ar_SA.UTF-8 UTF-8" "fa_IR UTF-8" "hi_IN UTF-8")
generate=0
for line in "${locale_lines[@]}"; do
  name=${line%% *}
  name=${name%.UTF-8}
  locale -a 2>/dev/null | grep -qi "^${name}\.utf8$" && continue
  sed -i "s/^# *${line}\$/${line}/" /etc/locale.gen
  grep -q "^${line}\$" /etc/locale.gen || echo "${line}" >> /etc/locale.gen
  generate=1
done
[ "$generate" = 0 ] || locale-gen >/dev/null

# The map's land outlines, fetched once into the data cache; the build copies them
# beside the program.
"$here/scripts/fetch-data.sh" >/dev/null
