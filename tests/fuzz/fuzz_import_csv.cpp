// The CSV gazetteer importer over a whole file: any bytes end in a database or in
// a RunTimeError, and a failed import leaves no database behind.
#include "fuzz_support.h"

#include "app/runtime_error.h"
#include "lookup/city_import.h"

#include <QFile>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    const QString input = fuzz::writeScratchFile(QStringLiteral("cities.csv"),
                                                 {reinterpret_cast<const char*>(data), size});
    const QString database = fuzz::scratchFolder() + QStringLiteral("/cities.sqlite");
    try {
        amb::importCsv(input, database);
    } catch (const amb::RunTimeError&) {
        if (QFile::exists(database))
            std::abort(); // a failed import left a database
    }
    QFile::remove(database);
    return 0;
}
