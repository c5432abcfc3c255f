#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QSqlDatabase;
struct sqlite3;

namespace amb {

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
bool hasCityDetails(const QSqlDatabase& db);

// Writes the details of each city once the city itself is inserted, in the
// importer's transaction (through SQLite's own interface: hundreds of thousands
// of names go in). Creates the two tables; cityDetailsIndexSchema() is run after
// the load. A writer that inserts many cities per statement into the new table
// gives them consecutive rowids ending at sqlite3_last_insert_rowid().
class CityDetailsWriter {
public:
    // `onFailure` is called, and is expected to throw, when SQLite fails on `db`:
    // the caller knows which database it is writing.
    CityDetailsWriter(sqlite3* db, std::function<void()> onFailure);
    ~CityDetailsWriter();
    CityDetailsWriter(const CityDetailsWriter&) = delete;
    CityDetailsWriter& operator=(const CityDetailsWriter&) = delete;

    // `id` is the rowid the city got; `foldedCity` its `city` column.
    void add(qint64 id, const QString& foldedCity, const CityDetails& details);

private:
    struct Statements;
    std::unique_ptr<Statements> statements_;
};

// The distinct folded alternate names of a comma-separated list, without
// `foldedCity` itself and without empty ones.
QStringList foldedAlternateNames(const QString& list, const QString& foldedCity);

} // namespace amb
