#include "lookup/city_fold.h"
#include "lookup/city_import.h"
#include "lookup/city_writer.h"
#include "lookup/import_input.h"
#include "lookup/import_readers.h"

#include "app/runtime_error.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace amb {

using namespace importing;

namespace importing {

QHash<QString, QString> readAdmin1(const QByteArray& data, const QString& path) {
    QHash<QString, QString> names;
    if (data.trimmed().startsWith('[')) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
        if (error.error != QJsonParseError::NoError)
            badRow(path, lineAtOffset(data, error.offset),
                   QStringLiteral("not valid JSON: %1").arg(error.errorString()));
        const QJsonArray entries = doc.array();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonObject entry = entries.at(i).toObject();
            const QString code = entry.value(QLatin1String("code")).toString();
            const QString name = entry.value(QLatin1String("name")).toString();
            if (code.isEmpty() || name.isEmpty())
                badFile(path, QStringLiteral("entry %1 of the list has no \"code\" or no \"name\"")
                                  .arg(i + 1));
            names.insert(code, name);
        }
        return names;
    }
    // GeoNames' own admin1 file: code, name, ASCII name, id.
    qint64 lineNumber = 0;
    for (const QByteArray& bytes : data.split('\n')) {
        ++lineNumber;
        const QByteArrayView line = withoutLineEnd(bytes);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype tab = line.indexOf('\t');
        QString code, name;
        if (tab <= 0 || !decodeUtf8(line.first(tab), code))
            badRow(path, lineNumber, QStringLiteral("expected a region code, a tab and a name"));
        QByteArrayView rest = line.sliced(tab + 1);
        if (const qsizetype next = rest.indexOf('\t'); next >= 0)
            rest = rest.first(next);
        if (!decodeUtf8(rest, name) || name.isEmpty())
            badRow(path, lineNumber,
                   QStringLiteral("the region name is missing or not UTF-8 text"));
        names.insert(code, name);
    }
    return names;
}

// The common name where there is one ("South Korea" rather than "Korea, Republic of").
QHash<QString, QString> readCountries(const QByteArray& data, const QString& path) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        badRow(path, lineAtOffset(data, error.offset),
               QStringLiteral("not valid JSON: %1").arg(error.errorString()));
    const QJsonValue list = doc.object().value(QLatin1String("3166-1"));
    if (!list.isArray())
        badFile(path, QStringLiteral("expected an object with the list \"3166-1\" of countries"));
    QHash<QString, QString> names;
    const QJsonArray entries = list.toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const QString code = entry.value(QLatin1String("alpha_2")).toString();
        QString name = entry.value(QLatin1String("common_name")).toString();
        if (name.isEmpty())
            name = entry.value(QLatin1String("name")).toString();
        if (code.isEmpty() || name.isEmpty())
            badFile(path, QStringLiteral("country %1 of the list has no \"alpha_2\" or no \"name\"")
                              .arg(i + 1));
        names.insert(code, name);
    }
    // Codes that GeoNames uses outside the standard list.
    if (!names.contains(QStringLiteral("XK")))
        names.insert(QStringLiteral("XK"), QStringLiteral("Kosovo"));
    return names;
}

} // namespace importing

namespace {

// Splits a line at its tabs into at most `wanted` fields; returns the number of
// fields of the whole line.
qsizetype splitTabs(QByteArrayView line, QByteArrayView* fields, qsizetype wanted) {
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            if (count < wanted)
                fields[count] = line.sliced(start, i - start);
            ++count;
            start = i + 1;
        }
    }
    return count;
}

// Lines between two progress reports.
constexpr qint64 kProgressLines = 16384;

// The fields of a GeoNames line that the import reads.
enum GeoNamesField : qsizetype {
    Name = 1,
    AlternateNames = 3,
    Latitude = 4,
    Longitude = 5,
    CountryCode = 8,
    Admin1Code = 10,
    FieldsNeeded = 11,
    Population = 14,
    FieldsRead = 15
};

// Population, country code and alternate names of a GeoNames line, where the line
// has them (a cut-down file may stop after the region code).
CityDetails geoNamesDetails(const QByteArrayView* fields, qsizetype count) {
    CityDetails details;
    details.country = QString::fromUtf8(fields[CountryCode]);
    if (count > AlternateNames)
        details.alternateNames = QString::fromUtf8(fields[AlternateNames]);
    if (count > Population)
        details.population = parsePopulation(fields[Population]);
    return details;
}
} // namespace

namespace importing {

ImportSummary readGeoNamesCities(QIODevice& file, const QString& path,
                                 const QHash<QString, QString>& admin1,
                                 const QHash<QString, QString>& countries,
                                 CityTableWriter& rows, const ImportProgress& progress) {
    const qint64 bytesTotal = file.size();
    ImportSummary summary;
    QHash<QByteArray, QString> regions; // "CC.code" -> region text, shared by its rows
    QHash<QByteArray, bool> withoutName;
    qint64 lineNumber = 0;
    QByteArrayView fields[FieldsRead];
    while (!file.atEnd()) {
        const QByteArray bytes = file.readLine();
        ++lineNumber;
        const QByteArrayView line = withoutLineEnd(bytes);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype count = splitTabs(line, fields, FieldsRead);
        if (count < FieldsNeeded)
            badRow(path, lineNumber,
                   QStringLiteral("expected the tab-separated fields of a GeoNames row (at least "
                                  "%1), found %2")
                       .arg(qsizetype(FieldsNeeded))
                       .arg(count));
        ImportRow row;
        if (!decodeUtf8(fields[Name], row.accentCity))
            badRow(path, lineNumber, QStringLiteral("the name is not UTF-8 text"));
        if (row.accentCity.trimmed().isEmpty())
            badRow(path, lineNumber, QStringLiteral("the name is empty"));
        if (!parseDegrees(fields[Latitude], 90, row.latitude))
            badRow(path, lineNumber,
                   QStringLiteral("the latitude \"%1\" is not a number of degrees from -90 to 90")
                       .arg(QString::fromUtf8(fields[Latitude])));
        if (!parseDegrees(fields[Longitude], 180, row.longitude))
            badRow(
                path, lineNumber,
                QStringLiteral("the longitude \"%1\" is not a number of degrees from -180 to 180")
                    .arg(QString::fromUtf8(fields[Longitude])));

        QByteArray key = fields[CountryCode].toByteArray();
        key += '.';
        key += fields[Admin1Code];
        auto region = regions.constFind(key);
        if (region == regions.cend()) {
            const QString code = QString::fromUtf8(fields[CountryCode]);
            QString country = countries.value(code);
            if (country.isEmpty() && !code.isEmpty()) {
                country = code;
                if (!summary.unknownCountryCodes.contains(code))
                    summary.unknownCountryCodes.append(code);
            }
            const QString regionName = admin1.value(QString::fromUtf8(key));
            withoutName.insert(key, regionName.isEmpty());
            QString text = regionName;
            if (!country.isEmpty())
                text = text.isEmpty() ? country : text + QStringLiteral(", ") + country;
            region = regions.insert(key, text);
        }
        row.region = *region;
        if (withoutName.value(key))
            ++summary.withoutRegionName;
        row.city = foldCityName(row.accentCity);
        row.details = geoNamesDetails(fields, count);
        rows.add(std::move(row));
        if (progress.rows && lineNumber % kProgressLines == 0)
            progress.rows(lineNumber, file.pos(), bytesTotal);
    }
    if (const auto* device = qobject_cast<const QFileDevice*>(&file);
        device && device->error() != QFileDevice::NoError)
        badFile(path, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    if (progress.rows)
        progress.rows(lineNumber, bytesTotal, bytesTotal);
    summary.cities = rows.rows();
    return summary;
}

} // namespace importing

ImportSummary importGeoNames(const GeoNamesSources& sources, const QString& outputPath,
                             const ImportProgress& progress) {
    const QHash<QString, QString> admin1 = readAdmin1(readWhole(sources.admin1), sources.admin1);
    const QHash<QString, QString> countries =
        readCountries(readWhole(sources.countries), sources.countries);

    QFile file(sources.cities);
    openForReading(file);
    CityTableWriter rows(outputPath, progress);
    const ImportSummary summary =
        readGeoNamesCities(file, sources.cities, admin1, countries, rows, progress);
    rows.finish();
    return summary;
}

} // namespace amb
