#include "lookup/city_database.h"

#include "app/main_module.h"
#include "app/runtime_error.h"
#include "lookup/city_fold.h"
#include "lookup/sql_connection.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <numeric>

namespace amb {

QString defaultCityDatabasePath() {
    return QDir(programFolder()).filePath(kCityDatabaseFileName);
}

QString cityTableSchema() {
    return QStringLiteral("CREATE TABLE cities (city TEXT NOT NULL, AccentCity TEXT NOT NULL, "
                          "Region TEXT, Latitude REAL NOT NULL, Longitude REAL NOT NULL)");
}

QString cityIndexSchema() { return QStringLiteral("CREATE INDEX cities_city ON cities (city)"); }

CityStatement cityStatement(const QString& searchText) {
    static const QString select =
        QStringLiteral("SELECT AccentCity, Region, Latitude, Longitude FROM cities");
    const QString folded = foldCityName(searchText);
    qsizetype wildcard = folded.indexOf(QLatin1Char('%'));
    const qsizetype underscore = folded.indexOf(QLatin1Char('_'));
    if (wildcard < 0 || (underscore >= 0 && underscore < wildcard))
        wildcard = underscore;

    const QString literal = wildcard < 0 ? folded : folded.left(wildcard);
    CityStatement statement;
    QStringList conditions;
    if (!literal.isEmpty()) {
        conditions << QStringLiteral("city >= ?");
        statement.values << literal;
        const QString upper = prefixUpperBound(literal);
        if (!upper.isNull()) {
            conditions << QStringLiteral("city < ?");
            statement.values << upper;
        }
    }
    if (wildcard >= 0) {
        // Both sides are folded to lower case, so LIKE's own ASCII case folding
        // changes nothing.
        conditions << QStringLiteral("city LIKE ?");
        statement.values << folded + QLatin1Char('%');
    }
    statement.sql = conditions.isEmpty()
                        ? select
                        : select + QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return statement;
}

QString coordinateText(double degrees, const QLocale& locale) {
    if (locale.numberOptions() & QLocale::OmitGroupSeparator)
        return locale.toString(degrees, 'g', 15);
    QLocale numbers = locale;
    numbers.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return numbers.toString(degrees, 'g', 15);
}

QString cityRowText(const QString& accentCity, const QString& region) {
    return accentCity + QStringLiteral(" - ") + region;
}

void sortCityRecords(std::vector<CityRecord>& records, const QLocale& locale) {
    const size_t n = records.size();
    if (n < 2)
        return;
    QLocale collationLocale = locale.collation();
    if (collationLocale.language() == QLocale::C)
        collationLocale = QLocale(QLocale::English, QLocale::UnitedStates);
    const QCollator collator(collationLocale);

    // One sort key per name; regions repeat a lot, so each distinct one gets one key.
    std::vector<QCollatorSortKey> cityKeys;
    cityKeys.reserve(n);
    std::vector<QCollatorSortKey> regionKeys;
    std::vector<int> regionOf(n);
    QHash<QString, int> regionIndex;
    for (size_t i = 0; i < n; ++i) {
        cityKeys.push_back(collator.sortKey(records[i].accentCity));
        const QString& region = records[i].region;
        auto it = regionIndex.constFind(region);
        if (it == regionIndex.cend()) {
            it = regionIndex.insert(region, static_cast<int>(regionKeys.size()));
            regionKeys.push_back(collator.sortKey(region));
        }
        regionOf[i] = *it;
    }

    std::vector<size_t> order(n);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (const int c = cityKeys[a].compare(cityKeys[b]))
            return c < 0;
        if (regionOf[a] != regionOf[b])
            if (const int c = regionKeys[static_cast<size_t>(regionOf[a])].compare(
                    regionKeys[static_cast<size_t>(regionOf[b])]))
                return c < 0;
        // Names the collation counts as equal still get a fixed order.
        const CityRecord& x = records[a];
        const CityRecord& y = records[b];
        if (const int c = x.accentCity.compare(y.accentCity))
            return c < 0;
        if (const int c = x.region.compare(y.region))
            return c < 0;
        if (x.latitude != y.latitude)
            return x.latitude < y.latitude;
        if (x.longitude != y.longitude)
            return x.longitude < y.longitude;
        return a < b;
    });

    std::vector<CityRecord> sorted;
    sorted.reserve(n);
    for (const size_t i : order)
        sorted.push_back(std::move(records[i]));
    records = std::move(sorted);
}

namespace {

QString rebuildAdvice() {
    return QStringLiteral("Build it with scripts/build-database.sh, or with \"ambrevale-cli import\", "
                          "and place %1 beside the program.")
        .arg(kCityDatabaseFileName);
}

double coordinate(const QVariant& value, const QString& accentCity, const char* what,
                  const QString& path) {
    bool ok = false;
    const double degrees = value.isNull() ? 0 : value.toDouble(&ok);
    if (!ok)
        throw RunTimeError(
            err::TypeMismatch,
            QStringLiteral("The city database %1 holds the city \"%2\" without a valid %3. %4")
                .arg(QDir::toNativeSeparators(path), accentCity, QLatin1String(what),
                     rebuildAdvice()));
    return degrees;
}

} // namespace

std::vector<CityRecord> findCityRecords(const QString& databasePath, const QString& searchText,
                                        const QLocale& locale) {
    const QFileInfo file(databasePath);
    if (!file.exists())
        throw RunTimeError(err::FileNotFound,
                           QStringLiteral("The city database %1 was not found. %2")
                               .arg(QDir::toNativeSeparators(databasePath), rebuildAdvice()));

    std::vector<CityRecord> records;
    {
        SqlConnection connection(databasePath, SqlConnection::ReadOnly);
        const CityStatement statement = cityStatement(searchText);
        QSqlQuery query(connection.database());
        query.setForwardOnly(true);
        if (!query.prepare(statement.sql))
            throw connection.failure(query.lastError());
        for (const QVariant& value : statement.values)
            query.addBindValue(value);
        if (!query.exec())
            throw connection.failure(query.lastError());
        while (query.next()) {
            CityRecord record;
            record.accentCity = query.value(0).toString();
            record.region = query.value(1).toString(); // NULL reads as the empty text
            record.latitude = coordinate(query.value(2), record.accentCity, "latitude", databasePath);
            record.longitude =
                coordinate(query.value(3), record.accentCity, "longitude", databasePath);
            records.push_back(std::move(record));
        }
        if (query.lastError().isValid())
            throw connection.failure(query.lastError());
    }
    sortCityRecords(records, locale);
    return records;
}

std::vector<CityRow> findCityRows(const QString& databasePath, const QString& searchText,
                                  const QLocale& locale) {
    QLocale numbers = locale;
    numbers.setNumberOptions(numbers.numberOptions() | QLocale::OmitGroupSeparator);
    const std::vector<CityRecord> records = findCityRecords(databasePath, searchText, locale);
    std::vector<CityRow> rows;
    rows.reserve(records.size());
    for (const CityRecord& r : records)
        rows.push_back({cityRowText(r.accentCity, r.region), coordinateText(r.latitude, numbers),
                        coordinateText(r.longitude, numbers)});
    return rows;
}

} // namespace amb
