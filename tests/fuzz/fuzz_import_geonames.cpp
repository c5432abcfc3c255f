// The GeoNames importer over whole files. The first byte picks which of its three
// inputs the rest stands for (the cities, the region names in JSON or tab-separated,
// the country names); the others are the small fixtures of the tests.
#include "fuzz_support.h"

#include "app/runtime_error.h"
#include "lookup/city_import.h"

#include <QFile>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    fuzz::Input input(data, size);
    const uint8_t which = input.byte() % 3;
    amb::GeoNamesSources sources{QStringLiteral(AMBREVALE_TEST_DATA "/geonames-trip.txt"),
                                 QStringLiteral(AMBREVALE_TEST_DATA "/geonames-admin1.json"),
                                 QStringLiteral(AMBREVALE_TEST_DATA "/iso_3166-1.json")};
    QString& fuzzed = which == 0 ? sources.cities : which == 1 ? sources.admin1 : sources.countries;
    fuzzed = fuzz::writeScratchFile(QStringLiteral("input"), input.rest());
    const QString database = fuzz::scratchFolder() + QStringLiteral("/cities.sqlite");
    try {
        amb::importGeoNames(sources, database);
    } catch (const amb::RunTimeError&) {
        if (QFile::exists(database))
            std::abort(); // a failed import left a database
    }
    QFile::remove(database);
    return 0;
}
