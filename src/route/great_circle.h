#pragma once

#include <vector>

namespace amb::route {

// A point on the globe in decimal degrees. On a path the longitude may run past
// ±180 so that the path stays continuous (see greatCirclePath).
struct GeoPoint {
    double lat = 0;
    double lon = 0;
    bool operator==(const GeoPoint&) const = default;
};

// The sphere of the distance formula: a degree of arc is 60 nautical miles of
// 1.1515 statute miles, and a statute mile is 1.609344 km (kKilometresPerStatuteMile,
// the one kilometre of the tool's --unit km too).
double sphereRadiusKm();

// Points along the great circle from `from` to `to`, both included, neighbours at
// most `maxStepKm` apart on the formula's sphere. Longitudes are continuous: each
// differs from the one before by at most 180, so the path may leave [-180, 180]
// (170 east to 170 west over the Pacific ends at 190). The first point is `from`
// exactly; the last is `to` with its longitude shifted by a multiple of 360.
// Coordinates must be finite; otherwise the two points come back as they are. Identical points give
// the two of them; for exactly antipodal points, where every great circle fits, the path follows
// the meridian of `from`. A pass over a pole holds the pole twice, once at the longitude it arrives
// on and once at the one it leaves on, so the path runs along the pole's edge of a flat map instead
// of across it.
std::vector<GeoPoint> greatCirclePath(GeoPoint from, GeoPoint to, double maxStepKm = 100);

// A continuous path cut where it crosses the antimeridian, longitudes brought into
// [-180, 180]: each crossing ends one piece at ±180 and starts the next at ∓180,
// both at the latitude where the great circle meets the antimeridian.
std::vector<std::vector<GeoPoint>> splitAtAntimeridian(const std::vector<GeoPoint>& path);

// greatCirclePath split at the antimeridian: the pieces of a leg for a map format
// that wants longitudes within [-180, 180].
std::vector<std::vector<GeoPoint>> greatCircleSegments(GeoPoint from, GeoPoint to,
                                                       double maxStepKm = 100);

} // namespace amb::route
