#pragma once

// Databases built from the committed fixture, shared by the lookup tests.

#include "lookup/city_import.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace amb::test {

inline GeoNamesSources fixtureSources() {
    return {testDataPath(QStringLiteral("geonames-cities.txt")),
            testDataPath(QStringLiteral("geonames-admin1.json")),
            testDataPath(QStringLiteral("iso_3166-1.json"))};
}

// Writes `bytes` to `path`, replacing it.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Runs statements on a database file of the tests' own making.
inline void execOn(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        for (const QString& sql : statements) {
            QSqlQuery query(db);
            QVERIFY2(query.exec(sql), qPrintable(sql));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
}

} // namespace amb::test
