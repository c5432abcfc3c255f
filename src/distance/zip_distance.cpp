#include "distance/zip_distance.h"

#include "app/error_report.h"
#include "app/locale_numbers.h"
#include "app/runtime_error.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cmath>
#include <type_traits>

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

// One step of the arithmetic: its result, once the status says it went well. The
// unchecked steps do the same operations in the same order, so they give the same
// bits; only the status is looked at once, at the end (see quickThenChecked).
template <bool checked = true>
inline double step(double v) {
    if constexpr (!checked)
        return v;
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
template <bool checked = true>
double toRadians(double degrees) {
    const double perDegree = step<checked>(kPiForDegrees / kHalfCircle);
    return step<checked>(perDegree * degrees);
}

template <bool checked = true>
double toDegrees(double radians) {
    const double perRadian = step<checked>(kHalfCircle / kPiForDegrees);
    return step<checked>(perRadian * radians);
}

template <bool checked = true>
double arcCosine(double x) {
    if (x == 1)
        return 0;
    if (x == -1)
        return kPiForArc;
    const double square = step<checked>(x * x);
    const double radicand = step<checked>(1 - square);
    if (radicand < 0)
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument: the distance "
                                          "formula asked for the square root of a negative "
                                          "number. ") +
                               kCheckCoordinates);
    const double root = step<checked>(std::sqrt(radicand));
    const double ratio = step<checked>(x / root);
    const double angle = step<checked>(std::atan(ratio));
    return step<checked>(kHalfPi - angle);
}

template <bool checked = true>
double cosineOfCentralAngle(double lat1, double lat2, double lon1, double lon2) {
    if (std::isnan(lat1) || std::isnan(lat2) || std::isnan(lon1) || std::isnan(lon2))
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("Invalid procedure call or argument: a coordinate is "
                                          "not a number. ") +
                               kCheckCoordinates);
    const double sinLat1 = step<checked>(std::sin(toRadians<checked>(lat1)));
    const double sinLat2 = step<checked>(std::sin(toRadians<checked>(lat2)));
    const double s = step<checked>(sinLat1 * sinLat2);
    const double cosLat2 = step<checked>(std::cos(toRadians<checked>(lat2)));
    const double cosLat1 = step<checked>(std::cos(toRadians<checked>(lat1)));
    double c = step<checked>(cosLat2 * cosLat1);
    const double lonDifference = step<checked>(lon1 - lon2);
    const double cosLon = step<checked>(std::cos(toRadians<checked>(lonDifference)));
    c = step<checked>(c * cosLon);
    return step<checked>(c + s);
}

// Two cities at one spot can come out a hair beyond 1 through rounding; that is
// a distance of 0, not a failed square root.
template <bool checked>
double centralAngleDegrees(double lat1, double lat2, double lon1, double lon2) {
    const double x =
        std::clamp(cosineOfCentralAngle<checked>(lat1, lat2, lon1, lon2), -1.0, 1.0);
    const double a = arcCosine<checked>(x);
    return toDegrees<checked>(a);
}

template <bool checked>
double mileage(double lat1, double lat2, double lon1, double lon2) {
    const double degrees = centralAngleDegrees<checked>(lat1, lat2, lon1, lon2);
    const double nautical = step<checked>(degrees * kNauticalMilesPerDegree);
    return step<checked>(nautical * kStatuteMilesPerNautical);
}

// Nearly every pair raises no fault: it is measured once, and the status looked at
// at the end. One that raised a fault is measured again step by step, so the report
// names the fault of the first step that raised one, as the window's formula does.
template <class Formula>
double quickThenChecked(const Formula& formula) {
    // Clearing the status costs far more than reading it.
    if (std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW) != 0)
        std::feclearexcept(FE_ALL_EXCEPT);
    const double quick = formula(std::false_type{});
    if (std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW) == 0)
        return quick;
    std::feclearexcept(FE_ALL_EXCEPT);
    return formula(std::true_type{});
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
    return quickThenChecked([&](auto checked) {
        return centralAngleDegrees<decltype(checked)::value>(lat1, lat2, lon1, lon2);
    });
}

double calculate_mileage(double lat1, double lat2, double lon1, double lon2) {
    return quickThenChecked([&](auto checked) {
        return mileage<decltype(checked)::value>(lat1, lat2, lon1, lon2);
    });
}

double roundToCents(double value) {
    if (!std::isfinite(value))
        throw RunTimeError(err::Overflow,
                           QStringLiteral("Overflow: the distance is not a finite number. ") +
                               kCheckCoordinates);
    // Nearly every distance lies well away from a half cent. Then the whole number of
    // cents nearest the rounded product is the one nearest the exact value (the
    // product's error is below 1e-8 cent here), and one division, correctly rounded,
    // gives the double nearest that decimal.
    if (std::fabs(value) < 1e6) {
        const double cents = value * 100;
        const double whole = std::round(cents);
        if (std::fabs(std::fabs(cents - whole) - 0.5) > 1e-6)
            return whole / 100 + 0.0; // no "-0"
    }
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
