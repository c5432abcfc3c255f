// The GeoNames importer over whole files. The first byte picks which of its three
// inputs the rest stands for (the cities, the region names in JSON or tab-separated,
// the country names); the others are the small fixtures of the tests.
#include "fuzz_support.h"

#include "lookup/city_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    fuzz::Input input(data, size);
    const uint8_t which = input.byte() % 3;
    amb::GeoNamesSources sources = fuzz::tripFixture();
    QString& fuzzed = which == 0 ? sources.cities : which == 1 ? sources.admin1 : sources.countries;
    fuzzed = fuzz::writeScratchFile(QStringLiteral("input"), input.rest());
    fuzz::importIntoScratch(
        [&](const QString& database) { amb::importGeoNames(sources, database); });
    return 0;
}
