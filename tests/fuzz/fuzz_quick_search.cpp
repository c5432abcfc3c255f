// The tool's quick search: its arguments, the locale variables it reads and the
// rows it reads itself from a database the input fills. Whenever it answers, it
// prints exactly the lines the lookup tool prints for that search (in any order:
// the rows are stored in an order it trusts); whatever it cannot answer so, it
// leaves to that tool.
#include "fuzz_support.h"

#include "app/runtime_error.h"
#include "cli/quick_search.h"
#include "lookup/city_database.h"
#include "lookup/city_fold.h"
#include "lookup/stored_order.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string_view> words(std::string_view rest) {
    std::vector<std::string_view> out;
    for (;;) {
        const size_t end = rest.find('\0');
        out.push_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            return out;
        rest.remove_prefix(end + 1);
    }
}

void run(sqlite3* db, const std::string& sql) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        std::abort(); // the harness's own statement
}

// A coordinate word: empty is NULL, "i..." an integer, a number a real, else a text.
void bindCoordinate(sqlite3_stmt* insert, int place, std::string_view word) {
    const std::string text(word);
    if (text.empty()) {
        sqlite3_bind_null(insert, place);
        return;
    }
    char* end = nullptr;
    if (text[0] == 'i') {
        const long long value = std::strtoll(text.c_str() + 1, &end, 10);
        sqlite3_bind_int64(insert, place, value);
        return;
    }
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size())
        sqlite3_bind_double(insert, place, value);
    else
        sqlite3_bind_text(insert, place, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
}

// The database of the rows: four words a row (name, region, latitude, longitude),
// stored with the folded name as the importer stores it.
void writeDatabase(const std::string& path, uint8_t order,
                   const std::vector<std::string_view>& rows) {
    ::unlink(path.c_str());
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
        std::abort();
    run(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN;"
            "CREATE TABLE cities (city, AccentCity, Region, Latitude, Longitude);"
            "CREATE INDEX cities_city ON cities (city)");
    const std::string known = amb::storedOrderName("en_US");
    const std::string table = amb::kStoredOrderTable;
    switch (order % 4) {
    case 1:
        run(db, "CREATE TABLE " + table + " (collation); INSERT INTO " + table + " VALUES ('" +
                    known + "')");
        break;
    case 2:
        run(db, "CREATE TABLE " + table + " (collation); INSERT INTO " + table +
                    " VALUES ('de_DE')");
        break;
    case 3:
        run(db, "CREATE TABLE " + table + " (collation); INSERT INTO " + table + " VALUES ('" +
                    known + "'), ('" + known + "')");
        break;
    default:
        break;
    }
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO cities VALUES (?, ?, ?, ?, ?)", -1, &insert,
                           nullptr) != SQLITE_OK)
        std::abort();
    for (size_t i = 0; i + 4 <= rows.size() && i < 4 * 24; i += 4) {
        const QString name = QString::fromUtf8(rows[i].data(), static_cast<qsizetype>(rows[i].size()));
        const QByteArray folded = amb::foldCityName(name).toUtf8();
        sqlite3_bind_text(insert, 1, folded.data(), static_cast<int>(folded.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, rows[i].data(), static_cast<int>(rows[i].size()),
                          SQLITE_TRANSIENT);
        if (rows[i + 1] == "NULL")
            sqlite3_bind_null(insert, 3);
        else
            sqlite3_bind_text(insert, 3, rows[i + 1].data(), static_cast<int>(rows[i + 1].size()),
                              SQLITE_TRANSIENT);
        bindCoordinate(insert, 4, rows[i + 2]);
        bindCoordinate(insert, 5, rows[i + 3]);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    run(db, "COMMIT");
    sqlite3_close(db);
}

std::vector<std::string> sortedLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::startQt();
    static fuzz::CaughtOutput output(STDOUT_FILENO);
    static const std::string folder = fuzz::scratchFolder().toStdString();
    static const std::string database = folder + "/dbCities.sqlite";
    fuzz::Input input(data, size);

    static const char* const values[] = {nullptr,  "",       "C",           "C.UTF-8",
                                         "en_US",  "POSIX",  "en_US.UTF-8", "de_DE.UTF-8"};
    for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_COLLATE", "LC_MESSAGES", "LANG",
                             "LANGUAGE"}) {
        if (const char* value = values[input.byte() % 8])
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    const uint8_t where = input.byte();
    const uint8_t order = input.byte();
    const uint8_t wanted = input.byte() % 4;

    const std::vector<std::string_view> all = words(input.rest());
    const size_t texts = std::min<size_t>(wanted, all.size());
    std::vector<std::string> args;
    for (size_t i = 0; i < texts && i < all.size(); ++i)
        args.emplace_back(all[i]);
    const std::vector<std::string_view> rows(all.begin() + static_cast<std::ptrdiff_t>(texts),
                                             all.end());
    writeDatabase(database, order, rows);

    // Where the database is named: beside the program, in the variable, in the option.
    const char* programFolder = "/nonexistent";
    ::unsetenv("AMBREVALE_PROGRAM_DIR");
    switch (where % 4) {
    case 0:
        ::setenv("AMBREVALE_PROGRAM_DIR", folder.c_str(), 1);
        break;
    case 1:
        args.insert(args.begin() + (where / 4) % (args.size() + 1), {"--database", database});
        break;
    case 2:
        args.insert(args.begin() + (where / 4) % (args.size() + 1), "--database=" + database);
        break;
    default:
        programFolder = folder.c_str();
        break;
    }
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    amb::cli::QuickSearch answer{};
    const std::string printed = output.of([&] {
        answer = amb::cli::runQuickSearch(static_cast<int>(args.size()), argv.data(),
                                          programFolder);
    });
    if (answer == amb::cli::QuickSearch::NotQuick) {
        if (!printed.empty())
            std::abort(); // wrote before handing the search on
        return 0;
    }
    if (answer != amb::cli::QuickSearch::Printed)
        std::abort(); // standard output is a file here: the write cannot fail
    // The arguments as the whole tool reads them: --database takes the next word (or
    // what follows its '='), the last one named counts, and every other word is a text.
    std::vector<std::string> searched;
    std::string named;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--database" && i + 1 < args.size())
            named = args[++i];
        else if (args[i].starts_with("--database="))
            named = args[i].substr(sizeof "--database=" - 1);
        else
            searched.push_back(args[i]);
    }
    if (searched.size() != 1)
        std::abort(); // answered a search without exactly one text
    std::string expected;
    try {
        const QString text = QString::fromStdString(searched.front());
        const std::string read = named.empty() ? database : named;
        for (const amb::CityRow& row :
             amb::findCityRows(QString::fromStdString(read), text, QLocale::c())) {
            expected += row.text().toUtf8().toStdString() + '\t' +
                        row.latitude().toUtf8().toStdString() + '\t' +
                        row.longitude().toUtf8().toStdString() + '\n';
        }
    } catch (const amb::RunTimeError&) {
        std::abort(); // answered where the lookup tool reports a fault
    }
    if (sortedLines(printed) != sortedLines(expected))
        std::abort(); // other lines than the lookup tool's
    return 0;
}
