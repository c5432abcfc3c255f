#pragma once

// Databases built from the committed fixture, shared by the lookup tests.

#include "lookup/city_import.h"
#include "lookup/sqlite_database.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace amb::test {

inline GeoNamesSources fixtureSources() {
    return {testDataPath(QStringLiteral("geonames-cities.txt")),
            testDataPath(QStringLiteral("geonames-admin1.json")),
            testDataPath(QStringLiteral("iso_3166-1.json"))};
}

// The fixture with the cities of the trip tests (Berlin, Rome, Tokyo, several
// Parises) in place of the search fixture's.
inline GeoNamesSources tripFixtureSources() {
    GeoNamesSources sources = fixtureSources();
    sources.cities = testDataPath(QStringLiteral("geonames-trip.txt"));
    return sources;
}

// A city as the database holds it.
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

// Runs statements on a database file of the tests' own making.
inline void execOn(const QString& path, const QStringList& statements) {
    try {
        SqliteDatabase db(path, SqliteDatabase::Create);
        for (const QString& sql : statements)
            db.exec(sql.toUtf8());
    } catch (const RunTimeError& e) {
        QFAIL(qPrintable(e.description()));
    }
}

} // namespace amb::test
