#include "lookup/city_details.h"

#include "app/runtime_error.h"
#include "lookup/city_fold.h"
#include "lookup/sqlite_database.h"

#include <QStringList>

namespace amb {

QStringList cityDetailsSchema() {
    return {QStringLiteral("CREATE TABLE city_facts (id INTEGER PRIMARY KEY, population INTEGER, "
                           "country TEXT)"),
            QStringLiteral("CREATE TABLE city_names (name TEXT NOT NULL, id INTEGER NOT NULL)")};
}

QString cityDetailsIndexSchema() {
    return QStringLiteral("CREATE INDEX city_names_name ON city_names (name, id)");
}

bool hasCityDetails(SqliteDatabase& db) {
    return db.hasTable("city_facts") && db.hasTable("city_names");
}

QStringList foldedAlternateNames(const QString& list, const QString& foldedCity) {
    QStringList names;
    if (list.isEmpty())
        return names;
    for (const QString& name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString folded = foldCityName(name.trimmed());
        if (!folded.isEmpty() && folded != foldedCity && !names.contains(folded))
            names << folded;
    }
    return names;
}

CityDetailsWriter::CityDetailsWriter(SqliteDatabase& db, bool createTables) {
    if (createTables)
        for (const QString& sql : cityDetailsSchema())
            db.exec(sql.toUtf8());
    facts_ = std::make_unique<SqliteStatement>(
        db, "INSERT INTO city_facts (id, population, country) VALUES (?, ?, ?)");
    names_ =
        std::make_unique<SqliteStatement>(db, "INSERT INTO city_names (name, id) VALUES (?, ?)");
}

CityDetailsWriter::~CityDetailsWriter() = default;

void CityDetailsWriter::add(qint64 id, const QString& foldedCity, const CityDetails& details) {
    facts_->bind(1, id);
    if (details.population >= 0)
        facts_->bind(2, details.population);
    if (!details.country.isEmpty())
        facts_->bind(3, details.country);
    facts_->run();
    for (const QString& name : foldedAlternateNames(details.alternateNames, foldedCity)) {
        names_->bind(1, name);
        names_->bind(2, id);
        names_->run();
    }
}

} // namespace amb
