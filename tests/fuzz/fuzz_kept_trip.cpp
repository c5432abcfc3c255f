// The trip kept in the settings, in both layouts, read in each locale of the tests.
// What the JSON layout reads, kept again and read again, is the same trip: the same
// texts, and coordinates that show the same numbers (or the same text when they are
// no number).
#include "fuzz_support.h"

#include "app/locale_numbers.h"
#include "app/settings.h"

#include <algorithm>
#include <cstdlib>

namespace {
bool identical(const std::vector<amb::SavedEntry>& a, const std::vector<amb::SavedEntry>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.text == y.text && x.latitude == y.latitude && x.longitude == y.longitude;
    });
}

// The same number as the list shows it (15 digits), or the same text when it is none.
bool sameCoordinate(const QString& a, const QString& b, const amb::LocaleNumbers& numbers) {
    const auto x = numbers.fromText(a);
    if (!x)
        return a == b;
    const auto y = numbers.fromText(b);
    return y && numbers.toText(*x) == numbers.toText(*y);
}

bool sameTrip(const std::vector<amb::SavedEntry>& a, const std::vector<amb::SavedEntry>& b,
              const amb::LocaleNumbers& numbers) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].text != b[i].text || !sameCoordinate(a[i].latitude, b[i].latitude, numbers) ||
            !sameCoordinate(a[i].longitude, b[i].longitude, numbers))
            return false;
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    fuzz::Input input(data, size);
    const amb::LocaleNumbers& numbers = fuzz::testNumbers(input.byte());
    const QString value = QString::fromUtf8(input.restBytes());

    if (const auto kept = amb::readKeptCoordinates(value, numbers)) {
        const auto again = amb::readKeptCoordinates(amb::keepCoordinates(*kept, numbers), numbers);
        if (!again || !sameTrip(*kept, *again, numbers))
            std::abort(); // a kept trip changed on its way through the settings
    }
    const std::vector<amb::SavedEntry> older = amb::parseCoordinates(value);
    if (!older.empty() && !identical(amb::parseCoordinates(amb::joinCoordinates(older)), older))
        std::abort(); // the older layout does not read back what it wrote
    amb::splitCities(value);
    return 0;
}
