#!/usr/bin/env bash
# Builds the Debian package build/package/ambrevale_VERSION_ARCH.deb in one command: sets
# everything up, builds the program and the city database, and packs them with CPack.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
"$here/scripts/build.sh" dev
"$here/scripts/build-database.sh" "$here/build/bin"
cd "$here/build"
cpack --config CPackConfig.cmake
ls -l "$here"/build/package/*.deb
