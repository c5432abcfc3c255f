#include "distance/leg_measure.h"

#include "app/named_values.h"
#include "app/runtime_error.h"
#include "distance/zip_distance.h"

#include <GeographicLib/Geodesic.hpp>
#include <cmath>
#include <numbers>

namespace amb {

namespace {
constexpr double kMetresPerStatuteMile = kKilometresPerStatuteMile * 1000;
constexpr double kMetresPerNauticalMile = 1852;

const NamedValue<DistanceUnit> kUnitSymbols[] = {
    {QStringLiteral("mi"), DistanceUnit::StatuteMiles},
    {QStringLiteral("km"), DistanceUnit::Kilometres},
    {QStringLiteral("nmi"), DistanceUnit::NauticalMiles}};
const NamedValue<DistanceUnit> kUnitWords[] = {
    {QStringLiteral("miles"), DistanceUnit::StatuteMiles},
    {QStringLiteral("kilometres"), DistanceUnit::Kilometres},
    {QStringLiteral("nautical miles"), DistanceUnit::NauticalMiles}};
const NamedValue<EarthModel> kModelNames[] = {{QStringLiteral("sphere"), EarthModel::Sphere},
                                              {QStringLiteral("wgs84"), EarthModel::Wgs84}};
} // namespace

std::optional<DistanceUnit> parseDistanceUnit(const QString& text) {
    return valueNamed(kUnitSymbols, text);
}

std::optional<EarthModel> parseEarthModel(const QString& text) {
    return valueNamed(kModelNames, text);
}

QString unitSymbol(DistanceUnit unit) {
    return nameOf(kUnitSymbols, unit);
}

QString unitWords(DistanceUnit unit) {
    return nameOf(kUnitWords, unit);
}

QString modelName(EarthModel model) {
    return nameOf(kModelNames, model);
}

double legDistance(double lat1, double lon1, double lat2, double lon2, DistanceUnit unit,
                   EarthModel model) {
    if (model == EarthModel::Sphere) {
        if (unit == DistanceUnit::NauticalMiles)
            return modZipDistance::central_angle_degrees(lat1, lat2, lon1, lon2) *
                   modZipDistance::kNauticalMilesPerDegree;
        const double miles = modZipDistance::calculate_mileage(lat1, lat2, lon1, lon2);
        return unit == DistanceUnit::Kilometres ? miles * kKilometresPerStatuteMile : miles;
    }
    if (!(std::fabs(lat1) <= 90) || !(std::fabs(lat2) <= 90) || !std::isfinite(lon1) ||
        !std::isfinite(lon2))
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument: a latitude is "
                                          "beyond 90 degrees or a coordinate is not a number."));
    double metres = 0;
    GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, metres);
    switch (unit) {
    case DistanceUnit::Kilometres:
        return metres / 1000;
    case DistanceUnit::NauticalMiles:
        return metres / kMetresPerNauticalMile;
    case DistanceUnit::StatuteMiles:
        break;
    }
    return metres / kMetresPerStatuteMile;
}

namespace {

double withinCircle(double degrees) {
    double course = std::fmod(degrees, 360.0);
    if (course < 0)
        course += 360;
    return course >= 360 ? 0 : course; // -1e-17 + 360 rounds to 360
}

// The direction from point 1 towards point 2 on the sphere, in degrees from north.
double sphereBearing(double lat1, double lon1, double lat2, double lon2) {
    constexpr double toRadians = std::numbers::pi / 180;
    const double phi1 = lat1 * toRadians, phi2 = lat2 * toRadians;
    const double dLambda = (lon2 - lon1) * toRadians;
    return std::atan2(std::sin(dLambda) * std::cos(phi2),
                      std::cos(phi1) * std::sin(phi2) -
                          std::sin(phi1) * std::cos(phi2) * std::cos(dLambda)) /
           toRadians;
}

} // namespace

std::optional<LegCourse> legCourse(double lat1, double lon1, double lat2, double lon2,
                                   EarthModel model) {
    if (!(std::fabs(lat1) <= 90) || !(std::fabs(lat2) <= 90) || !std::isfinite(lon1) ||
        !std::isfinite(lon2))
        return std::nullopt;
    // Equal points, the same pole under any longitudes, or the same place a whole
    // turn of longitude apart.
    const bool samePole = lat1 == lat2 && std::fabs(lat1) == 90;
    if (samePole || (lat1 == lat2 && withinCircle(lon2 - lon1) == 0))
        return std::nullopt;
    if (model == EarthModel::Wgs84) {
        double metres = 0, azi1 = 0, azi2 = 0;
        GeographicLib::Geodesic::WGS84().Inverse(lat1, lon1, lat2, lon2, metres, azi1, azi2);
        return LegCourse{withinCircle(azi1), withinCircle(azi2)};
    }
    // Arriving, the leg heads opposite to the way back.
    return LegCourse{withinCircle(sphereBearing(lat1, lon1, lat2, lon2)),
                     withinCircle(sphereBearing(lat2, lon2, lat1, lon1) + 180)};
}

int wholeDegrees(double course) {
    const int whole = static_cast<int>(std::lround(course));
    return whole >= 360 ? whole - 360 : whole;
}

} // namespace amb
