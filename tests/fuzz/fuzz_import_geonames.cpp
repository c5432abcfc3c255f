// The GeoNames importer over its three inputs in memory. The first byte picks which
// of them the rest stands for (the cities, the region names in JSON or
// tab-separated, the country names); the others are the small fixtures of the
// tests, read once.
#include "fuzz_support.h"

#include "lookup/import_readers.h"

#include <QBuffer>

namespace {
struct Fixture {
    amb::GeoNamesSources files = fuzz::tripFixture();
    QByteArray cities = amb::importing::readWhole(files.cities);
    QHash<QString, QString> regions =
        amb::importing::readAdmin1(amb::importing::readWhole(files.admin1), files.admin1);
    QHash<QString, QString> countries =
        amb::importing::readCountries(amb::importing::readWhole(files.countries), files.countries);
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    static const Fixture fixture;
    fuzz::Input input(data, size);
    const uint8_t which = input.byte() % 3;
    const QByteArray rest = input.restBytes();
    fuzz::importIntoMemory([&](amb::importing::CityTableWriter& writer) {
        const QHash<QString, QString> regions =
            which == 1 ? amb::importing::readAdmin1(rest, fixture.files.admin1) : fixture.regions;
        const QHash<QString, QString> countries =
            which == 2 ? amb::importing::readCountries(rest, fixture.files.countries)
                       : fixture.countries;
        QByteArray cities = which == 0 ? rest : fixture.cities;
        QBuffer device(&cities);
        device.open(QIODevice::ReadOnly);
        return amb::importing::readGeoNamesCities(device, fixture.files.cities, regions, countries,
                                                  writer, {})
            .cities;
    });
    return 0;
}
