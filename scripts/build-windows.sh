#!/usr/bin/env bash
# Builds Ambrevale for Windows x86_64 on a Debian 12 machine (as root): installs
# the cross tools, cross-builds Qt base, GeographicLib, libxlsxwriter and SQLite
# from Debian's sources (cached under ~/.cache/ambrevale/windows, keyed by version,
# options and compiler, so a second run reuses them), builds the program and the
# tool, and leaves the zip and the installer in build-windows/.
#
#   bash scripts/build-windows.sh            everything
#   bash scripts/build-windows.sh STEP...    only these steps, in the order given:
#        tools qt libs app package
#   bash scripts/build-windows.sh qt-cached  status 0 when Qt is built and cached
#
# AMBREVALE_WINDOWS_CACHE moves the cache, AMBREVALE_WINDOWS_BUILD_DIR the output,
# AMBREVALE_JOBS sets the parallel jobs (2).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${AMBREVALE_WINDOWS_BUILD_DIR:-$here/build-windows}
cache=${AMBREVALE_WINDOWS_CACHE:-$HOME/.cache/ambrevale/windows}
jobs=${AMBREVALE_JOBS:-2}
toolchain=$here/cmake/mingw-w64-x86_64.cmake
triplet=x86_64-w64-mingw32

log() { printf 'build-windows: %s\n' "$*" >&2; }
fail() { log "$*"; exit 1; }
elapsed() { local s=$SECONDS; "$@"; log "$1 took $((SECONDS - s)) s"; }

# Runs a quiet command with its output in $cache/logs/NAME.log; when it fails,
# shows the end of that log and where the rest is.
logged() {
  local name=$1; shift
  local file=$cache/logs/$name.log
  mkdir -p "$cache/logs"
  if ! "$@" >"$file" 2>&1; then
    tail -n 25 "$file" >&2
    fail "$name failed; its whole output is in $file"
  fi
}

# A cold build needs about 3 GB (Debian's sources 0.6 GB, Qt's build folder, the
# program's build): say so at the start rather than fail half-way.
check_disk() {
  local free_mb
  mkdir -p "$out"
  for folder in "$cache" "$out"; do
    free_mb=$(df -Pm "$folder" | awk 'NR == 2 { print $4 }')
    [ "$free_mb" -ge 3000 ] ||
      fail "only $free_mb MB free under $folder; the Windows build needs about 3000 MB"
  done
}
report_disk() {
  log "disk used: $(du -sh "$cache" | cut -f1) in the cache $cache," \
    "$(du -sh "$out" | cut -f1) in $out"
}

# ---------------------------------------------------------------- tools
tools() {
  # The cross tools, Wine and NSIS are on scripts/setup.sh's list for this build;
  # it also adds the deb-src lines apt-get source needs.
  [ "$(id -u)" = 0 ] || log "not root: installing what is missing will fail"
  AMBREVALE_WINDOWS=1 bash "$here/scripts/setup.sh"
}

# Unpacks Debian's source of a package into $cache/src once; prints its folder.
# It is fetched and unpacked in a folder of its own and moved in when whole, so an
# interrupted fetch is never taken for the source. A failed fetch is tried again
# after refreshing the package lists (the deb-src lines may be new).
debian_source() {
  local package=$1 dir fetch attempt
  dir=$(find "$cache/src" -maxdepth 1 -mindepth 1 -type d -name "${2:-$package}-*" | head -1)
  if [ -z "$dir" ]; then
    fetch=$cache/src/.fetch-$package
    for attempt in 1 2 3; do
      rm -rf "$fetch"; mkdir -p "$fetch"
      (cd "$fetch" && apt-get source -qq "$package" >"$fetch.log" 2>&1) && break
      log "apt-get source $package failed (attempt $attempt of 3): $(tail -n 1 "$fetch.log")"
      [ "$attempt" = 3 ] && fail "cannot fetch Debian's source of $package: apt-get source needs" \
        "deb-src lines (scripts/setup.sh adds them to /etc/apt/sources.list.d) and the network;" \
        "its output is in $fetch.log"
      sleep $((attempt * 10))
      apt-get update -qq >/dev/null 2>&1 || true
    done
    mv "$fetch"/* "$cache/src/"
    rm -rf "$fetch" "$fetch.log"
    dir=$(find "$cache/src" -maxdepth 1 -mindepth 1 -type d -name "${2:-$package}-*" | head -1)
  fi
  [ -n "$dir" ] || fail "apt-get source $package left no ${2:-$package}-* folder in $cache/src"
  printf '%s\n' "$dir"
}

# A cache key: the name, the source folder's version, the options and the compiler.
cache_key() {
  local name=$1 version=$2; shift 2
  local compiler
  compiler=$($triplet-g++-posix -dumpfullversion)
  printf '%s-%s-%s' "$name" "$version" \
    "$(printf '%s\n' "$@" "gcc $compiler" | sha256sum | cut -c1-12)"
}

# ---------------------------------------------------------------- qt
qt_options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_dbus=OFF -DFEATURE_icu=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
  -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF -DFEATURE_textodfwriter=OFF
  -DFEATURE_direct2d=ON -DFEATURE_testlib=ON
)

qt_prefix() {
  local source version
  source=$(debian_source qt6-base qt6-base)
  version=${source##*/qt6-base-}
  version=${version%%+*}
  printf '%s/%s\n' "$cache" "$(cache_key qt "$version" "${qt_options[@]}")"
}

qt() {
  local prefix source
  source=$(debian_source qt6-base qt6-base)
  prefix=$(qt_prefix)
  if [ -f "$prefix/.complete" ]; then log "Qt cached in $prefix"; return; fi
  # An interrupted build of the same Qt goes on where it stopped.
  local build=$cache/build/qt
  if [ ! -f "$build/build.ninja" ] || [ "$(cat "$build/.prefix" 2>/dev/null)" != "$prefix" ]; then
    rm -rf "$build" "$prefix"
    mkdir -p "$build"
    printf '%s\n' "$prefix" > "$build/.prefix"
    [ -x /usr/lib/qt6/libexec/moc ] || fail "Qt's host tools are missing: run the tools step"
    logged qt-configure cmake -G Ninja -S "$source" -B "$build" \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_CXX_COMPILER_LAUNCHER= \
      "${qt_options[@]}"
  fi
  local build_log=$cache/logs/qt-build.log
  log "building Qt in $build: about 25 minutes of two cores the first time;" \
    "every 100th step shows here, all of its output is in $build_log"
  mkdir -p "$cache/logs"
  # Qt's own sources give thousands of warnings with this compiler: the log keeps them.
  if ! nice -n 19 cmake --build "$build" -j"$jobs" 2>&1 | tee "$build_log" |
    awk '/^\[[0-9]+\/[0-9]+\]/ && ++steps % 100 == 0 { print; fflush() }'; then
    tail -n 25 "$build_log" >&2
    fail "building Qt failed; all of its output is in $build_log"
  fi
  logged qt-install cmake --install "$build"
  touch "$prefix/.complete"
  rm -rf "$build"
}

# ---------------------------------------------------------------- libs
# GeographicLib, libxlsxwriter and SQLite, static, in one prefix: the program then
# needs no DLLs of theirs.
libs_prefix() {
  local geo xlsx sqlite
  geo=$(debian_source geographiclib); xlsx=$(debian_source libxlsxwriter)
  sqlite=$(debian_source sqlite3)
  printf '%s/%s\n' "$cache" "$(cache_key libs "${geo##*-}-${xlsx##*-}-${sqlite##*-}" \
    static zlib-mingw "sqlite ${sqlite_flags[*]}")"
}
sqlite_flags=(-O2 -DSQLITE_THREADSAFE=1 -DSQLITE_DEFAULT_FOREIGN_KEYS=0 -DSQLITE_OMIT_LOAD_EXTENSION)

libs() {
  local prefix build
  prefix=$(libs_prefix)
  if [ -f "$prefix/.complete" ]; then log "libraries cached in $prefix"; return; fi
  build=$cache/build/libs
  rm -rf "$build" "$prefix"
  mkdir -p "$build" "$prefix/lib/pkgconfig" "$prefix/include"
  local common=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix"
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_LIBDIR=lib)

  local s=$SECONDS
  logged geographiclib-configure cmake -S "$(debian_source geographiclib)" \
    -B "$build/geographiclib" "${common[@]}" \
    -DBUILD_DOCUMENTATION=OFF -DBUILD_MANPAGES=OFF -DEXAMPLEDIR=
  nice -n 10 cmake --build "$build/geographiclib" -j"$jobs" --target GeographicLib_STATIC >/dev/null 2>&1 ||
    logged geographiclib-build nice -n 10 cmake --build "$build/geographiclib" -j"$jobs"
  # Only the library is built, so installing stops at the missing tools: install
  # what there is and the pkg-config file by hand.
  cmake --install "$build/geographiclib" >/dev/null 2>&1 || true
  cp "$build/geographiclib/cmake/geographiclib.pc" "$prefix/lib/pkgconfig/"
  [ -f "$prefix/lib/libGeographicLib.a" ] && [ -f "$prefix/include/GeographicLib/Geodesic.hpp" ] ||
    fail "GeographicLib did not install into $prefix"
  log "GeographicLib took $((SECONDS - s)) s"

  s=$SECONDS
  logged libxlsxwriter-configure cmake -S "$(debian_source libxlsxwriter)" \
    -B "$build/libxlsxwriter" "${common[@]}" -DZLIB_ROOT=/usr/$triplet -DUSE_SYSTEM_MINIZIP=OFF
  logged libxlsxwriter-build nice -n 10 cmake --build "$build/libxlsxwriter" -j"$jobs"
  logged libxlsxwriter-install cmake --install "$build/libxlsxwriter"
  # Its zlib, static, where pkg-config's "-lz" is looked for.
  cp "/usr/$triplet/lib/libz.a" "$prefix/lib/"
  log "libxlsxwriter took $((SECONDS - s)) s"

  # Debian's SQLite source has no amalgamation: make it with tclsh, then compile it.
  s=$SECONDS
  local sqlite_build=$build/sqlite3
  mkdir -p "$sqlite_build"
  local sqlite_source
  sqlite_source=$(debian_source sqlite3)
  (cd "$sqlite_build" && logged sqlite-configure "$sqlite_source/configure" --disable-tcl &&
    logged sqlite-amalgamation nice -n 10 make -s sqlite3.c)
  logged sqlite-build nice -n 10 $triplet-gcc-posix "${sqlite_flags[@]}" \
    -c "$sqlite_build/sqlite3.c" -o "$sqlite_build/sqlite3.o"
  $triplet-ar rcs "$prefix/lib/libsqlite3.a" "$sqlite_build/sqlite3.o"
  cp "$sqlite_build/sqlite3.h" "$sqlite_build/sqlite3ext.h" "$prefix/include/"
  local version
  version=$(sed -n 's/^#define SQLITE_VERSION *"\(.*\)"/\1/p' "$sqlite_build/sqlite3.h")
  cat > "$prefix/lib/pkgconfig/sqlite3.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: SQLite
Description: SQL database engine (static, for Windows)
Version: $version
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
PC
  log "SQLite took $((SECONDS - s)) s"
  touch "$prefix/.complete"
  rm -rf "$build"
}

# ---------------------------------------------------------------- app
app() {
  local qt libs
  qt=$(qt_prefix); libs=$(libs_prefix)
  for prefix in "$qt" "$libs"; do
    [ -f "$prefix/.complete" ] || fail "$prefix is not built: run the qt and libs steps first"
  done
  # The city database is the same file on both systems: the Linux tool makes it
  # (and the installed-program test compares with that tool's output). The Linux
  # build runs first and without the Windows build's settings: with the Windows
  # libraries' pkg-config files it would link the mingw-w64 ones.
  local database=$here/build/bin/dbCities.sqlite
  if [ ! -f "$database" ]; then
    log "no $database yet: building the Linux program and its database first"
    env -u PKG_CONFIG_LIBDIR -u PKG_CONFIG_PATH -u PKG_CONFIG_SYSROOT_DIR \
      bash "$here/scripts/build.sh" dev
    env -u PKG_CONFIG_LIBDIR -u PKG_CONFIG_PATH -u PKG_CONFIG_SYSROOT_DIR \
      bash "$here/scripts/build-database.sh" "$here/build/bin"
  fi

  # The libraries' pkg-config files, never the host's: only for the Windows build,
  # whose reconfiguring inside `cmake --build` needs them too.
  (
    export PKG_CONFIG_LIBDIR=$libs/lib/pkgconfig PKG_CONFIG_PATH=
    # Qt's toolchain file remembers where our toolchain file was when Qt was built:
    # name it again, so a moved tree or cache still works.
    logged app-configure cmake -G Ninja -S "$here" -B "$out/build" \
      -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
      -DQT_CHAINLOAD_TOOLCHAIN_FILE="$toolchain" \
      -DAMBREVALE_WINDOWS_PREFIXES="$qt;$libs" \
      -DCMAKE_BUILD_TYPE=Release -DAMBREVALE_BENCH=OFF
    nice -n 5 cmake --build "$out/build" -j"$jobs"
  )
  # Copied only when it differs, so an unchanged database does not make the package again.
  cmp -s "$database" "$out/build/bin/dbCities.sqlite" || cp "$database" "$out/build/bin/"
}

# ---------------------------------------------------------------- package
version() {
  sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/build/CMakeCache.txt"
}

package() {
  local v folder setup
  v=$(version)
  folder=$out/Ambrevale-$v-win64
  setup=$out/Ambrevale-$v-win64-setup.exe
  # Packing takes minutes: done again only when a file that goes in has changed.
  if [ -f "$out/Ambrevale-$v-win64.zip" ] && [ -f "$setup" ] &&
     [ -z "$(find "$out/build/bin" "$here/packaging/windows" "$out/build/windows/ambrevale.ico" "$0" \
             -newer "$setup" -print -quit)" ]; then
    log "the zip and the installer are up to date"
    return
  fi
  rm -rf "$folder"
  mkdir -p "$folder"
  # The program folder as the build left it (programs, DLLs, plugins, data files).
  (cd "$out/build/bin" && cp -r . "$folder/")
  find "$folder" \( -name '*.exe' -o -name '*.dll' \) -exec $triplet-strip --strip-unneeded {} +
  rm -f "$out/Ambrevale-$v-win64.zip"
  (cd "$out" && zip -qr9 "Ambrevale-$v-win64.zip" "Ambrevale-$v-win64")
  bash "$here/packaging/windows/make-setup.sh" "$folder" "$v" "$out/build/windows/ambrevale.ico" "$setup"
  log "$(cd "$out" && du -h "Ambrevale-$v-win64.zip" "Ambrevale-$v-win64-setup.exe" | tr '\t\n' '  ')"
}

main() {
  # For scripts/test.sh: whether Qt is built and cached already (status 0).
  if [ "${1:-}" = qt-cached ]; then
    [ -f "$(qt_prefix)/.complete" ]
    return
  fi
  local steps=("$@") step
  [ ${#steps[@]} -gt 0 ] || steps=(tools qt libs app package)
  for step in "${steps[@]}"; do
    case $step in
      tools|qt|libs|app|package) ;;
      *) fail "no step $step: the steps are tools qt libs app package" ;;
    esac
  done
  mkdir -p "$cache/src"
  check_disk
  for step in "${steps[@]}"; do
    elapsed "$step"
  done
  report_disk
}

# On one line, so bash has read the whole script before it runs any of it: a
# script edited while it runs cannot go astray.
main "$@"; exit
