// The CSV gazetteer importer over a whole file: any bytes end in a database or in
// a RunTimeError, and a failed import leaves no database behind.
#include "fuzz_support.h"

#include "lookup/city_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    const QString input = fuzz::writeScratchFile(QStringLiteral("cities.csv"),
                                                 {reinterpret_cast<const char*>(data), size});
    fuzz::importIntoScratch([&](const QString& database) { amb::importCsv(input, database); });
    return 0;
}
