#pragma once

// What the importer's tests read back from the databases it writes, and the
// check that refused input leaves the older database as it was.

#include "app/runtime_error.h"
#include "lookup/sqlite_database.h"
#include "lookup_fixture.h"

namespace amb::test {

struct StoredCity {
    QString city, region;
    double latitude = 0, longitude = 0;
    bool found = false;
};

inline StoredCity stored(const QString& database, const QString& accentCity) {
    SqliteDatabase db(database, SqliteDatabase::ReadOnly);
    SqliteStatement q(db,
                      "SELECT city, Region, Latitude, Longitude FROM cities WHERE AccentCity = ?");
    q.bind(1, accentCity);
    if (!q.next())
        return {};
    return {q.text(0), q.text(1), q.real(2), q.real(3), true};
}

struct StoredDetails {
    QString population; // "NULL" when none is stored
    QString country;
    QStringList names;
};

inline StoredDetails storedDetails(const QString& database, const QString& accentCity,
                                   const QString& region) {
    StoredDetails result;
    SqliteDatabase db(database, SqliteDatabase::ReadOnly);
    SqliteStatement q(db, "SELECT f.population, f.country, c.rowid FROM cities c JOIN city_facts "
                          "f ON f.id = c.rowid WHERE c.AccentCity = ? AND c.Region = ?");
    q.bind(1, accentCity);
    q.bind(2, region);
    if (!q.next()) {
        result.names << QStringLiteral("(no details stored)");
        return result;
    }
    const auto text = [&](int column) {
        return q.isNull(column) ? QStringLiteral("NULL") : q.text(column);
    };
    result.population = text(0);
    result.country = text(1);
    SqliteStatement n(db, "SELECT name FROM city_names WHERE id = ? ORDER BY name");
    n.bind(1, q.integer(2));
    while (n.next())
        result.names << n.text(0);
    return result;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A bad row names its file and line, and whatever database was there before
// stays as it was: nothing half-written, no temporary file left behind. `import`
// reads `input` into `output`.
template <typename Import>
void checkRefused(const QByteArray& content, int line, const QString& reason,
                  const QString& olderDatabase, Import import) {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input"));
    writeFile(input, content);
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    QFile::copy(olderDatabase, output);
    const QByteArray before = readAll(output);

    QString description;
    try {
        import(input, output);
    } catch (const RunTimeError& e) {
        description = e.description();
    }
    const QString where = QStringLiteral("%1:%2: ").arg(QDir::toNativeSeparators(input)).arg(line);
    QVERIFY2(description.startsWith(where), qPrintable(description));
    QVERIFY2(description.contains(reason), qPrintable(description));
    QCOMPARE(readAll(output), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("dbCities.sqlite"), QStringLiteral("input")}));
}

// The columns of a data row naming a city and what the database should hold for it.
inline void storedCityColumns() {
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("region");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
}

inline void storedCityRow(const char* tag, const char* accent, const char* city, const char* region,
                          double latitude, double longitude) {
    QTest::newRow(tag) << QString::fromUtf8(accent) << QString::fromUtf8(city)
                       << QString::fromUtf8(region) << latitude << longitude;
}

// The current data row's city as the database holds it.
inline void checkStoredRow(const QString& database) {
    QFETCH(QString, accentCity);
    const StoredCity s = stored(database, accentCity);
    QVERIFY(s.found);
    QTEST(s.city, "city");
    QTEST(s.region, "region");
    QTEST(s.latitude, "latitude");
    QTEST(s.longitude, "longitude");
}

// The current data row's population, country and alternate names as stored.
inline void checkStoredDetails(const QString& database) {
    QFETCH(QString, accentCity);
    QFETCH(QString, region);
    const StoredDetails details = storedDetails(database, accentCity, region);
    QTEST(details.names, "names");
    QTEST(details.population, "population");
    QTEST(details.country, "country");
}

} // namespace amb::test
