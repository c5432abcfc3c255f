#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine (as root),
# builds the program and the default city database. Safe to run again: each
# step is skipped when it is already done.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${AMBREVALE_BUILD_DIR:-$here/build}

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libqt6sql6-sqlite libgl-dev
  libxlsxwriter-dev libsqlite3-dev
  xvfb xauth xdotool x11-utils xclip imagemagick
  gnumeric fonts-liberation iso-codes locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# Node.js and npm often come preinstalled; Debian's npm conflicts with them.
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The decimal-comma tests need a German locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
