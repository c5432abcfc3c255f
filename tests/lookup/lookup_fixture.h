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
