#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace amb {

class SqliteDatabase;
class SqliteStatement;

// What the command-line trip needs to tell cities of one name apart, kept beside
// the five columns the window reads, in tables of their own:
//   city_facts(id INTEGER PRIMARY KEY, population INTEGER, country TEXT)
//   city_names(name TEXT, id INTEGER), indexed on (name, id)
// `id` is the rowid of the city in `cities` (so the database must never be
// VACUUMed: that may renumber the rowids of `cities`). `population` is NULL when
// unknown; `country` is the two-letter code. `city_names` holds the alternate
// names folded with foldCityName, each once per city, and not the city's own
// folded name. A database built before these tables existed has neither.
struct CityDetails {
    qint64 population = -1; // -1: unknown
    QString country;        // two-letter code, upper case; may be empty
    QString alternateNames; // comma-separated, as the GeoNames file writes them
};

QStringList cityDetailsSchema();
// Created once the rows are in: SQLite builds an index faster in one go.
QString cityDetailsIndexSchema();

// Whether the database open on `db` holds the tables above.
bool hasCityDetails(SqliteDatabase& db);

// Writes the details of each city once the city itself is inserted, in the
// importer's transaction (hundreds of thousands of names go in). Creates the two tables;
// cityDetailsIndexSchema() is run after the load. A writer that inserts many cities per statement
// into the new table gives them consecutive rowids ending at sqlite3_last_insert_rowid().
class CityDetailsWriter {
public:
    // `createTables` false: the database holds them already (a scratch database).
    explicit CityDetailsWriter(SqliteDatabase& db, bool createTables = true);
    ~CityDetailsWriter();
    CityDetailsWriter(const CityDetailsWriter&) = delete;
    CityDetailsWriter& operator=(const CityDetailsWriter&) = delete;

    // `id` is the rowid the city got; `foldedCity` its `city` column.
    void add(qint64 id, const QString& foldedCity, const CityDetails& details);

private:
    std::unique_ptr<SqliteStatement> facts_;
    std::unique_ptr<SqliteStatement> names_;
};

// The distinct folded alternate names of a comma-separated list, without
// `foldedCity` itself and without empty ones.
QStringList foldedAlternateNames(const QString& list, const QString& foldedCity);

} // namespace amb
