#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace amb {

// The inputs of a database built from the GeoNames gazetteer.
struct GeoNamesSources {
    QString cities;    // tab-separated GeoNames file (cities500.txt and the like)
    QString admin1;    // region names: JSON [{"code":"IT.16","name":"Tuscany"}, ...]
                       // or GeoNames' tab-separated admin1CodesASCII.txt
    QString countries; // country names: iso-codes' iso_3166-1.json
};

struct ImportSummary {
    qint64 cities = 0;
    qint64 withoutRegionName = 0;    // region unknown: the country alone is stored
    QStringList unknownCountryCodes; // not in the country file: the code is stored
};

// What a long import tells its caller as it goes; both are optional.
struct ImportProgress {
    // After the rows are read: sorting them into the list's order (or only
    // writing them, for a gazetteer too large to sort), then building the indexes.
    enum Stage { Ordering, Writing, Indexing };
    std::function<void(Stage)> stage;
    // Every few thousand lines of a GeoNames file: lines and bytes read so far.
    std::function<void(qint64 lines, qint64 bytesRead, qint64 bytesTotal)> rows;
};

// Build the city database at `outputPath` (see city_database.h), with the
// population, country code and alternate names of each city (city_details.h). The database is
// written to a temporary file beside it and renamed over `outputPath` only when
// complete, so a failed import leaves no half-written database and an older
// database in its place stays untouched. A bad input row stops the import with a
// RunTimeError whose description begins with "FILE:LINE: ".
// The cities file is streamed: memory does not grow with its size.
ImportSummary importGeoNames(const GeoNamesSources& sources, const QString& outputPath,
                             const ImportProgress& progress = {});

// The same from a CSV file (UTF-8, comma-separated, fields quoted with " when
// needed) whose header names the columns city, AccentCity, Region, Latitude and
// Longitude, in any order; other columns are ignored. Latitude and Longitude are
// decimal degrees with a point. The city column is folded again so that searches
// match it; an empty one is taken from AccentCity.
// Optional columns Population, CountryCode and AlternateNames (comma-separated,
// as GeoNames writes them) fill the details of city_details.h.
ImportSummary importCsv(const QString& csvPath, const QString& outputPath,
                        const ImportProgress& progress = {});

} // namespace amb
