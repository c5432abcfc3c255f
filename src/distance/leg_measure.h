#pragma once

#include <QString>
#include <optional>

namespace amb {

// The units and earth models the command-line tool measures in. Statute miles on
// the sphere are the window's miles, and a kilometre is always the international
// one, 1 mi = 1.609344 km: kilometres on the sphere are the window's miles times
// that, as are the map's steps. Nautical miles on the sphere are the arc minutes of
// the central angle. On the WGS84 ellipsoid the geodesic length is converted exactly
// (1 mi = 1609.344 m, 1 nmi = 1852 m).
enum class DistanceUnit { StatuteMiles, Kilometres, NauticalMiles };

inline constexpr double kKilometresPerStatuteMile = 1.609344;
enum class EarthModel { Sphere, Wgs84 };

std::optional<DistanceUnit> parseDistanceUnit(const QString& text); // "mi", "km", "nmi"
std::optional<EarthModel> parseEarthModel(const QString& text);     // "sphere", "wgs84"
QString unitSymbol(DistanceUnit unit);                              // "mi", "km", "nmi"
QString unitWords(DistanceUnit unit); // "miles", "kilometres", "nautical miles"
QString modelName(EarthModel model);  // "sphere", "wgs84"

// The distance between two points in decimal degrees. Throws RunTimeError when
// the sphere's arithmetic fails (as the window's formula does) or a coordinate is
// out of range for the ellipsoid.
double legDistance(double lat1, double lon1, double lat2, double lon2, DistanceUnit unit,
                   EarthModel model);

// The courses of a leg in degrees true, [0, 360): the direction it sets out in and
// the one it arrives in. On the sphere, the great circle's; on the ellipsoid, the
// geodesic's azimuths. A leg between two equal points has no direction: then there
// is no course (also when the coordinates are out of range for the ellipsoid).
struct LegCourse {
    double initial = 0;
    double final = 0;
};
std::optional<LegCourse> legCourse(double lat1, double lon1, double lat2, double lon2,
                                   EarthModel model);
// A course as the sentences give it: whole degrees, 0 to 359.
int wholeDegrees(double course);

} // namespace amb
