#include "distance/leg_measure.h"

#include "app/named_values.h"
#include "app/runtime_error.h"
#include "distance/zip_distance.h"

#include <GeographicLib/Geodesic.hpp>
#include <cmath>

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

} // namespace amb
