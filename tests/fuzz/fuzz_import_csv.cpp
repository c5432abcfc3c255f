// The CSV gazetteer importer over a whole file in memory: any bytes end in a
// database holding every city read, or in a RunTimeError.
#include "fuzz_support.h"

#include "lookup/import_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    fuzz::importIntoMemory([&](amb::importing::CityTableWriter& writer) {
        amb::importing::CsvRows read = amb::importing::readCsvRows(bytes, QStringLiteral("cities.csv"));
        const auto cities = static_cast<qint64>(read.rows.size());
        for (amb::importing::ImportRow& row : read.rows)
            writer.add(std::move(row));
        return cities;
    });
    return 0;
}
