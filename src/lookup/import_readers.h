#pragma once

// The importer's readers over input already open or in memory, apart from the
// files they usually come from and the database they usually go to: importGeoNames
// and importCsv are these over files, and a test can hand them bytes.

#include "lookup/city_import.h"
#include "lookup/city_writer.h"
#include "lookup/import_input.h"

#include <QByteArray>
#include <QHash>
#include <QIODevice>
#include <QString>
#include <vector>

namespace amb::importing {

// Region names by "CC.code" from the JSON list or GeoNames' tab-separated file;
// `path` names the input in messages.
QHash<QString, QString> readAdmin1(const QByteArray& data, const QString& path);
// Country names by two-letter code from iso-codes' iso_3166-1.json.
QHash<QString, QString> readCountries(const QByteArray& data, const QString& path);
// The cities of a GeoNames file, streamed from `cities` into `writer` (not finished).
ImportSummary readGeoNamesCities(QIODevice& cities, const QString& path,
                                 const QHash<QString, QString>& admin1,
                                 const QHash<QString, QString>& countries,
                                 CityTableWriter& writer, const ImportProgress& progress);

// The rows of a CSV file and the line of its header.
struct CsvRows {
    std::vector<ImportRow> rows;
    qint64 headerLine = 0;
};
CsvRows readCsvRows(const QByteArray& data, const QString& path);

} // namespace amb::importing
