# What a trip map drawn as PNG shows, by its colours: the land (so the land outlines
# were found; a trip over land may show no sea), the legs' red and a darker dot for
# each city.
# Sourced by the end-to-end and the package scripts; needs ImageMagick.
#   map_picture_fault FILE CITIES   prints what is missing, nothing when all is there
map_picture_fault() {
  local census
  census=$(convert "$1" -format %c histogram:info:- 2>/dev/null) || { echo "$1 is no picture"; return; }
  pixels() { awk -v colour="#$1" 'index(toupper($0), colour) { sum += $1 } END { print sum + 0 }' <<<"$census"; }
  local land legs dots
  land=$(pixels F3F0E6) legs=$(pixels C02626) dots=$(pixels 941D1D)
  [ "$land" -ge 1000 ] || echo "no land on the map ($land pixels)"
  [ "$legs" -ge 100 ] || echo "no legs on the map ($legs red pixels)"
  [ "$dots" -ge $((15 * $2)) ] || echo "fewer city dots than $2 on the map ($dots pixels)"
}
