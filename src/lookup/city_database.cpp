#include "lookup/city_database.h"

#include "app/main_module.h"
#include "app/runtime_error.h"
#include "lookup/city_fold.h"
#include "lookup/sql_connection.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace amb {

QString defaultCityDatabasePath() {
    return QDir(programFolder()).filePath(kCityDatabaseFileName);
}

QString cityTableSchema() {
    return QStringLiteral("CREATE TABLE cities (city TEXT NOT NULL, AccentCity TEXT NOT NULL, "
                          "Region TEXT, Latitude REAL NOT NULL, Longitude REAL NOT NULL)");
}

QString cityIndexSchema() {
    return QStringLiteral("CREATE INDEX cities_city ON cities (city)");
}

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
    // A text that folds to nothing (combining marks, variation selectors) names no
    // city: it finds nothing rather than every city.
    if (folded.isEmpty())
        conditions << QStringLiteral("0");
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
    statement.sql = conditions.isEmpty() ? select
                                         : select + QStringLiteral(" WHERE ") +
                                               conditions.join(QStringLiteral(" AND "));
    return statement;
}

CoordinateFormat::CoordinateFormat(const QLocale& locale) : numbers_(locale) {}

QString CoordinateFormat::text(double degrees) const {
    return numbers_.toText(degrees);
}

QString coordinateText(double degrees, const QLocale& locale) {
    return CoordinateFormat(locale).text(degrees);
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

    // One precomputed sort key per name. Regions matter only among equal names,
    // so they get keys only there.
    struct Entry {
        QCollatorSortKey name;
        quint32 row;
    };
    std::vector<Entry> entries;
    entries.reserve(n);
    for (size_t i = 0; i < n; ++i)
        entries.push_back({collator.sortKey(records[i].accentCity), static_cast<quint32>(i)});
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.name.compare(b.name) < 0; });

    for (size_t first = 0; first < n;) {
        size_t last = first + 1;
        while (last < n && entries[last].name.compare(entries[first].name) == 0)
            ++last;
        if (last - first > 1) {
            struct Tie {
                QCollatorSortKey region;
                quint32 row;
            };
            std::vector<Tie> ties;
            for (size_t i = first; i < last; ++i)
                ties.push_back({collator.sortKey(records[entries[i].row].region), entries[i].row});
            std::sort(ties.begin(), ties.end(), [&](const Tie& a, const Tie& b) {
                if (const int c = a.region.compare(b.region))
                    return c < 0;
                // Rows the collation counts as equal still get a fixed order.
                const CityRecord& x = records[a.row];
                const CityRecord& y = records[b.row];
                if (const int c = x.accentCity.compare(y.accentCity))
                    return c < 0;
                if (const int c = x.region.compare(y.region))
                    return c < 0;
                if (x.latitude != y.latitude)
                    return x.latitude < y.latitude;
                if (x.longitude != y.longitude)
                    return x.longitude < y.longitude;
                return a.row < b.row;
            });
            for (size_t i = first; i < last; ++i)
                entries[i].row = ties[i - first].row;
        }
        first = last;
    }

    std::vector<CityRecord> sorted;
    sorted.reserve(n);
    for (const Entry& e : entries)
        sorted.push_back(std::move(records[e.row]));
    records = std::move(sorted);
}

namespace {

QString rebuildAdvice() {
    return QStringLiteral(
               "Build it with scripts/build-database.sh, or with \"ambrevale-cli import\", "
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

void checkDatabaseFile(const QString& databasePath) {
    const QString shown = QDir::toNativeSeparators(databasePath);
    const QByteArray encoded = QFile::encodeName(databasePath);
    struct stat info {};
    if (databasePath.isEmpty() || ::stat(encoded.constData(), &info) != 0) {
        const int error = databasePath.isEmpty() ? ENOENT : errno;
        if (error == ENOENT || error == ENOTDIR)
            throw RunTimeError(err::FileNotFound, QStringLiteral("The city database %1 was not "
                                                                 "found. %2")
                                                      .arg(shown, rebuildAdvice()));
        throw RunTimeError(error == EACCES ? err::PermissionDenied : err::DeviceIO,
                           QStringLiteral("The city database %1 cannot be reached: %2.")
                               .arg(shown, QString::fromLocal8Bit(std::strerror(error))));
    }
    // A pipe would make the search wait forever, a folder or a device is no database.
    if (!S_ISREG(info.st_mode)) {
        const QString what = S_ISDIR(info.st_mode)    ? QStringLiteral("a folder")
                             : S_ISFIFO(info.st_mode) ? QStringLiteral("a named pipe")
                             : S_ISSOCK(info.st_mode) ? QStringLiteral("a socket")
                                                      : QStringLiteral("a device");
        throw RunTimeError(
            err::InvalidPropertyValue,
            QStringLiteral("The city database %1 is %2, not a database file.").arg(shown, what));
    }
    if (::access(encoded.constData(), R_OK) != 0)
        throw RunTimeError(err::PermissionDenied,
                           QStringLiteral("The city database %1 cannot be read: %2.")
                               .arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
}

std::vector<CityRecord> findCityRecords(const QString& databasePath, const QString& searchText,
                                        const QLocale& locale) {
    checkDatabaseFile(databasePath);

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
            record.latitude =
                coordinate(query.value(2), record.accentCity, "latitude", databasePath);
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
    const CoordinateFormat numbers(locale);
    std::vector<CityRecord> records = findCityRecords(databasePath, searchText, locale);
    std::vector<CityRow> rows;
    rows.reserve(records.size());
    for (CityRecord& r : records) {
        rows.push_back({cityRowText(r.accentCity, r.region), numbers.text(r.latitude),
                        numbers.text(r.longitude)});
        r = CityRecord(); // the names are no longer needed: keep the peak memory down
    }
    return rows;
}

} // namespace amb
