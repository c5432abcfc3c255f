#include "app/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace amb {

namespace {

// Whether `value`, written with 15 significant digits, lies exactly halfway
// between two such numbers.
bool isHalfway(double value) {
    char digits[40];
    auto written = std::to_chars(digits, digits + sizeof digits, std::fabs(value),
                                 std::chars_format::scientific, 16);
    // "d.dddddddddddddddde..": the 16th and 17th significant digits.
    if (written.ec != std::errc() || digits[16] != '5' || digits[17] != '0')
        return false;
    // Rare: look at the exact value (a double has at most 767 significant digits).
    char exact[800];
    written = std::to_chars(exact, exact + sizeof exact, std::fabs(value),
                            std::chars_format::scientific, 770);
    if (written.ec != std::errc() || exact[16] != '5')
        return false;
    const char* e =
        std::find(static_cast<const char*>(exact + 17), static_cast<const char*>(written.ptr), 'e');
    const char* first = exact + 17;
    return std::all_of(first, e, [](char c) { return c == '0'; });
}

// Most numbers the program writes (coordinates read from a gazetteer among them)
// are a decimal with at most 8 decimals and 15 significant digits that reads back
// to the same double. Rounding to 15 digits then gives exactly that decimal: the
// value lies within half a unit in its last binary place of it, far less than half
// a unit of the 15th digit, so it is not halfway either. Finding it takes a few
// multiplications, far less than rounding at a given precision. Writes it in the
// fixed form that %g uses for such a number and returns its length; 0 when the
// value is not such a decimal or %g would write an exponent.
int shortDecimalText(double value, char* buffer) {
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1e-4 && magnitude < 1e15))
        return 0;
    double scale = 1;
    for (int decimals = 0; decimals <= 8; ++decimals, scale *= 10) {
        const double scaled = std::nearbyint(magnitude * scale);
        if (scaled >= 1e15)
            return 0;
        if (scaled / scale != magnitude)
            continue;
        char digits[24];
        const int count = static_cast<int>(
            std::to_chars(digits, digits + sizeof digits, static_cast<unsigned long long>(scaled))
                .ptr -
            digits);
        char* p = buffer;
        if (value < 0)
            *p++ = '-';
        if (count <= decimals) {
            *p++ = '0';
            *p++ = '.';
            p = std::fill_n(p, decimals - count, '0');
            p = std::copy_n(digits, count, p);
        } else {
            p = std::copy_n(digits, count - decimals, p);
            if (decimals > 0) {
                *p++ = '.';
                p = std::copy_n(digits + count - decimals, decimals, p);
            }
        }
        if (decimals > 0)
            while (p[-1] == '0')
                --p;
        if (p[-1] == '.')
            --p;
        return static_cast<int>(p - buffer);
    }
    return 0;
}

} // namespace

int numberText15(double value, char* buffer) {
    if (!std::isfinite(value))
        return 0;
    if (value == 0) { // QLocale writes no sign for -0
        buffer[0] = '0';
        return 1;
    }
    if (const int length = shortDecimalText(value, buffer))
        return length;
    // to_chars rounds the exact binary value to 15 digits as QLocale does, and both
    // choose between fixed and exponent form as printf's %g; only a value exactly
    // halfway differs: to_chars rounds it to even, QLocale away from zero.
    if (isHalfway(value))
        value =
            std::nextafter(value, std::copysign(std::numeric_limits<double>::infinity(), value));
    const auto written = std::to_chars(buffer, buffer + 32, value, std::chars_format::general, 15);
    return static_cast<int>(written.ptr - buffer);
}

} // namespace amb
