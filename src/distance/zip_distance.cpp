#include "distance/zip_distance.h"

#include "app/error_report.h"
#include "app/locale_numbers.h"
#include "app/runtime_error.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>

// The miles depend on one rounding per operation in the written order.
#if defined(__FAST_MATH__)
#error "the distance formula must not be built with -ffast-math"
#endif

namespace amb::modZipDistance {

namespace {

// Pins a computed value in a register behind a compiler barrier. The arithmetic
// that produced it cannot sink below the status check that follows, and the
// arithmetic that uses it cannot rise above that check.
inline double settled(double v) {
#if defined(__GNUC__) && defined(__x86_64__)
    asm volatile("" : "+x"(v)::"memory");
#elif defined(__GNUC__) && defined(__aarch64__)
    asm volatile("" : "+w"(v)::"memory");
#else
    volatile double held = v;
    v = held;
#endif
    return v;
}

// One step of the arithmetic: its result, once the status says it went well.
inline double step(double v) {
    v = settled(v);
    checkFloatingPointStatus();
    return settled(v);
}

const QString kCheckCoordinates =
    QStringLiteral("Check the latitude and longitude of the two cities, or add them again from "
                   "the search list.");

} // namespace

void checkFloatingPointStatus() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    if (raised == 0)
        return;
    std::feclearexcept(FE_ALL_EXCEPT);
    if (raised & FE_INVALID)
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument: the distance "
                                          "formula met an invalid floating-point operation. ") +
                               kCheckCoordinates);
    if (raised & FE_DIVBYZERO)
        throw RunTimeError(err::DivisionByZero,
                           QStringLiteral("Division by zero in the distance formula. ") +
                               kCheckCoordinates);
    throw RunTimeError(err::Overflow,
                       QStringLiteral("Overflow: a number in the distance formula grew too "
                                      "large. ") +
                           kCheckCoordinates);
}

namespace {

// The formula's own steps. They assume a clear status on entry; the public
// functions below clear it first, so a flag left by unrelated code never counts.
double toRadians(double degrees) {
    const double perDegree = step(kPiForDegrees / kHalfCircle);
    return step(perDegree * degrees);
}

double toDegrees(double radians) {
    const double perRadian = step(kHalfCircle / kPiForDegrees);
    return step(perRadian * radians);
}

double arcCosine(double x) {
    if (x == 1)
        return 0;
    if (x == -1)
        return kPiForArc;
    const double square = step(x * x);
    const double radicand = step(1 - square);
    if (radicand < 0)
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument: the distance "
                                          "formula asked for the square root of a negative "
                                          "number. ") +
                               kCheckCoordinates);
    const double root = step(std::sqrt(radicand));
    const double ratio = step(x / root);
    const double angle = step(std::atan(ratio));
    return step(kHalfPi - angle);
}

double cosineOfCentralAngle(double lat1, double lat2, double lon1, double lon2) {
    if (std::isnan(lat1) || std::isnan(lat2) || std::isnan(lon1) || std::isnan(lon2))
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument: a coordinate is "
                                          "not a number. ") +
                               kCheckCoordinates);
    const double sinLat1 = step(std::sin(toRadians(lat1)));
    const double sinLat2 = step(std::sin(toRadians(lat2)));
    const double s = step(sinLat1 * sinLat2);
    const double cosLat2 = step(std::cos(toRadians(lat2)));
    const double cosLat1 = step(std::cos(toRadians(lat1)));
    double c = step(cosLat2 * cosLat1);
    const double lonDifference = step(lon1 - lon2);
    const double cosLon = step(std::cos(toRadians(lonDifference)));
    c = step(c * cosLon);
    return step(c + s);
}

} // namespace

double degrees_to_radians(double degrees) {
    std::feclearexcept(FE_ALL_EXCEPT);
    return toRadians(degrees);
}

double radians_to_degrees(double radians) {
    std::feclearexcept(FE_ALL_EXCEPT);
    return toDegrees(radians);
}

double arc_cosine(double x) {
    std::feclearexcept(FE_ALL_EXCEPT);
    return arcCosine(x);
}

double central_angle_cosine(double lat1, double lat2, double lon1, double lon2) {
    std::feclearexcept(FE_ALL_EXCEPT);
    return cosineOfCentralAngle(lat1, lat2, lon1, lon2);
}

double central_angle_degrees(double lat1, double lat2, double lon1, double lon2) {
    // Two cities at one spot can come out a hair beyond 1 through rounding; that is
    // a distance of 0, not a failed square root.
    std::feclearexcept(FE_ALL_EXCEPT);
    const double x = std::clamp(cosineOfCentralAngle(lat1, lat2, lon1, lon2), -1.0, 1.0);
    const double a = arcCosine(x);
    return toDegrees(a);
}

double calculate_mileage(double lat1, double lat2, double lon1, double lon2) {
    const double degrees = central_angle_degrees(lat1, lat2, lon1, lon2);
    const double nautical = step(degrees * kNauticalMilesPerDegree);
    return step(nautical * kStatuteMilesPerNautical);
}

double roundToCents(double value) {
    if (!std::isfinite(value))
        throw RunTimeError(err::Overflow,
                           QStringLiteral("Overflow: the distance is not a finite number. ") +
                               kCheckCoordinates);
    // to_chars works on the exact binary value and breaks ties to even; reading the
    // text back gives the double nearest the rounded decimal.
    char digits[400];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    double rounded = 0;
    if (written.ec != std::errc() ||
        std::from_chars(digits, written.ptr, rounded).ec != std::errc())
        throw RunTimeError(err::Overflow,
                           QStringLiteral("Overflow: the distance is too large to be rounded. ") +
                               kCheckCoordinates);
    return rounded + 0.0; // no "-0"
}

QString milesText(double miles) {
    return LocaleNumbers::current().toText(miles);
}

QString distanceSentence(const QString& firstCity, const QString& secondCity,
                         const QString& milesText) {
    return distanceSentence(firstCity, secondCity, milesText, QStringLiteral("miles"));
}

QString distanceSentence(const QString& firstCity, const QString& secondCity,
                         const QString& numberText, const QString& unitWords) {
    // One allocation for the whole line: the distance run writes one per leg.
    static constexpr QLatin1StringView kBetween("Distance between "), kAnd(" and "), kIs(" is ");
    QString sentence;
    sentence.reserve(kBetween.size() + firstCity.size() + kAnd.size() + secondCity.size() +
                     kIs.size() + numberText.size() + 1 + unitWords.size());
    sentence.append(kBetween).append(firstCity).append(kAnd).append(secondCity).append(kIs);
    sentence.append(numberText).append(QLatin1Char(' ')).append(unitWords);
    return sentence;
}

double coordinateFromText(const QString& text) {
    return coordinateFromText(text, LocaleNumbers::current());
}

double coordinateFromText(const QString& text, const LocaleNumbers& numbers) {
    if (const std::optional<double> value = numbers.fromText(text))
        return *value;
    throwNotANumber(text);
}

void throwNotANumber(const QString& text) {
    throw RunTimeError(err::TypeMismatch,
                       QStringLiteral("Type mismatch: the coordinate \"%1\" is not a number. "
                                      "Add the city again from the search list so that its "
                                      "latitude and longitude come with it.")
                           .arg(text));
}

QString GetDistance(Platform& platform, const QString& firstCity, const QString& secondCity,
                    double lat1, double lat2, double lon1, double lon2) {
    ErrorReport report(platform, QStringLiteral("modZipDistance.GetDistance"));
    QString sentence;
    double miles = 0;
    if (report.condition(100, [&] { return firstCity == secondCity; })) {
        report(102,
               [&] { sentence = distanceSentence(firstCity, secondCity, QStringLiteral("0")); });
    } else { // 104
        report(106, [&] { miles = calculate_mileage(lat1, lat2, lon1, lon2); });
        report(108, [&] {
            sentence = distanceSentence(firstCity, secondCity, milesText(roundToCents(miles)));
        });
    } // 110
    return sentence;
}

} // namespace amb::modZipDistance
