#pragma once

#include "lookup/city_import.h"
#include "lookup/import_input.h"

#include <QString>
#include <memory>

namespace amb {
class SqliteDatabase;
}

namespace amb::importing {

// Writes a new city database row by row, so memory does not grow with the
// gazetteer. The rows first go to a staging table in a temporary file of
// SQLite's; finish() copies them into the database, in the search list's order
// under the collation of the locale the import runs in (a search then reads them
// in that order and, when the user's collation agrees, only checks it; see
// findCityRows). Above kOrderedRowsLimit the sort would take longer than the
// import itself, and the rows keep the file's order. Everything happens in one
// transaction, rows go in batches of kBatch per statement, and the indexes are
// built after the rows. The database is a locked temporary file beside the
// output and takes the output's name only when complete, so a failed import
// leaves an older database in place untouched.
class CityTableWriter {
public:
    static constexpr int kBatch = 64;
    static constexpr qint64 kOrderedRowsLimit = 2'000'000;

    CityTableWriter(const QString& outputPath, const ImportProgress& progress);
    // Writes into `scratch`, an open database (one in memory) that holds the tables
    // of createScratchTables, inside the transaction its caller began and ends:
    // finish() leaves the cities there and puts no file in place. A caller that
    // rolls back has the empty tables again for the next import.
    CityTableWriter(SqliteDatabase& scratch, const ImportProgress& progress);
    // The tables and indexes of a city database, and the staging table, in `scratch`.
    static void createScratchTables(SqliteDatabase& scratch);
    ~CityTableWriter();
    CityTableWriter(const CityTableWriter&) = delete;
    CityTableWriter& operator=(const CityTableWriter&) = delete;

    void add(ImportRow&& row);
    // The rows added so far.
    qint64 rows() const;
    // Writes the rest, builds the indexes and puts the database in place.
    void finish();

private:
    class Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace amb::importing
