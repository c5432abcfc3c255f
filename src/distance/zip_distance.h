#pragma once

#include <QString>

namespace amb {

class LocaleNumbers;
class Platform;

// The great-circle distance between two cities on a sphere, by the spherical law
// of cosines, and the sentence the results list shows for it.
namespace modZipDistance {

// The formula's constants. Each is the double nearest the decimal written here;
// they differ from each other and from the library's pi on purpose, so the miles
// come out as they always have. Do not replace them by a library value.
inline constexpr double kPiForDegrees = 3.14159265;        // degrees_to_radians, radians_to_degrees
inline constexpr double kHalfCircle = 180;                 // degrees_to_radians, radians_to_degrees
inline constexpr double kHalfPi = 1.5707963267949;         // arc_cosine, general case
inline constexpr double kPiForArc = 3.14159265358979;      // arc_cosine of -1
inline constexpr double kNauticalMilesPerDegree = 60;      // calculate_mileage
inline constexpr double kStatuteMilesPerNautical = 1.1515; // calculate_mileage

// The sentence for one pair of neighbouring trip cities. Never fails: a failure is
// shown as an error report under modZipDistance.GetDistance; a failed distance
// then counts as 0 miles, a failed sentence gives the empty text.
QString GetDistance(Platform& platform, const QString& firstCity, const QString& secondCity,
                    double lat1, double lat2, double lon1, double lon2);

// Statute miles between two points given in decimal degrees. Throws RunTimeError
// (invalid operation 5, division by zero 11, overflow 6) when a step of the
// arithmetic fails.
double calculate_mileage(double lat1, double lat2, double lon1, double lon2);

// The central angle in degrees that calculate_mileage turns into miles (the
// command-line tool's kilometres and nautical miles start from it too). Throws as
// calculate_mileage does.
double central_angle_degrees(double lat1, double lat2, double lon1, double lon2);

double degrees_to_radians(double degrees);
double radians_to_degrees(double radians);
// The angle in radians whose cosine is x; |x| > 1 throws RunTimeError 5 (the
// square root of a negative number).
double arc_cosine(double x);

// The cosine of the central angle, as calculate_mileage forms it before it is
// limited to [-1, 1] (exposed so tests can see which side of 1 a pair falls).
double central_angle_cosine(double lat1, double lat2, double lon1, double lon2);

// `value` rounded to 2 decimals, half to even, judged on the double's exact value.
double roundToCents(double value);
// A number of miles as the user reads it: the default locale's decimal separator,
// no group separator, up to 15 significant digits, no trailing zeros
// (LocaleNumbers::current()).
QString milesText(double miles);
QString distanceSentence(const QString& firstCity, const QString& secondCity,
                         const QString& milesText);
// The same sentence in another unit: "... is <number> <unitWords>".
QString distanceSentence(const QString& firstCity, const QString& secondCity,
                         const QString& numberText, const QString& unitWords);

// A coordinate as the lists hold it, in the user's locale (as the search writes it)
// or with a decimal point. Throws RunTimeError 13 (type mismatch) for anything that
// is not a finite number, the empty text included.
double coordinateFromText(const QString& text);
double coordinateFromText(const QString& text, const LocaleNumbers& numbers);
// The type mismatch for a coordinate text that is not a number.
[[noreturn]] void throwNotANumber(const QString& text);

// Throws the RunTimeError for an invalid operation, a division by zero or an
// overflow raised since the status was last cleared, clearing it.
void checkFloatingPointStatus();

} // namespace modZipDistance
} // namespace amb
