// City search figures on the full database: rows, time to a filled search list,
// the raw SQLite time for the same rows, memory; then a synthetic database of
// 3,000,000 rows to show that a prefix search stays an index range scan.
//
// Usage: bench_lookup [DATABASE]   (default: dbCities.sqlite in the build's program folder)
#include "app/form1.h"
#include "app/main_module.h"
#include "bench_support.h"
#include "lookup/city_database.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace amb;

namespace {

// Answers every box at once, so a failure shows on stderr instead of blocking.
class BenchPlatform : public Platform {
public:
    int messageBox(const QString& text, const QString&, int) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return mb::AnswerOk;
    }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void clipboardClear() override {}
    void clipboardSetText(const QString&) override {}
    QString readSetting(const QString&, const QString&, const QString&, const QString& d) override {
        return d;
    }
    void writeSetting(const QString&, const QString&, const QString&, const QString&) override {}
    std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() override { return nullptr; }
    void doEvents() override { QCoreApplication::processEvents(); }
    int mousePointer() const override { return pointer_; }
    void setMousePointer(int code) override { pointer_ = code; }
    void setMouseIcon(std::optional<QCursor>) override {}

private:
    int pointer_ = 0;
};

double ms(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Bytes the allocator hands out right now (freed memory the process keeps is not counted).
long heapInUseKiB() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>((info.uordblks + info.hblkhd) / 1024);
}

long residentKiB() {
    return amb::bench::procStatusKiB("VmRSS:");
}

struct RawRow {
    std::string accentCity, region;
    double latitude, longitude;
};

// The same statement through the SQLite C interface, rows kept in plain structs.
size_t rawFetch(const QString& path, const QString& text, double& elapsed) {
    QElapsedTimer timer;
    timer.start();
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const CityStatement s = cityStatement(text);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, s.sql.toUtf8().constData(), -1, &stmt, nullptr);
    for (int i = 0; i < s.values.size(); ++i) {
        const QByteArray v = s.values.at(i).toString().toUtf8();
        sqlite3_bind_text(stmt, i + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    std::vector<RawRow> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto text = [&](int c) {
            const unsigned char* p = sqlite3_column_text(stmt, c);
            return p ? std::string(reinterpret_cast<const char*>(p)) : std::string();
        };
        rows.push_back(
            {text(0), text(1), sqlite3_column_double(stmt, 2), sqlite3_column_double(stmt, 3)});
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    elapsed = ms(timer);
    return rows.size();
}

QString queryPlan(const QString& path, const QString& text) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const CityStatement s = cityStatement(text);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, (QStringLiteral("EXPLAIN QUERY PLAN ") + s.sql).toUtf8().constData(), -1,
                       &stmt, nullptr);
    for (int i = 0; i < s.values.size(); ++i) {
        const QByteArray v = s.values.at(i).toString().toUtf8();
        sqlite3_bind_text(stmt, i + 1, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    }
    QString plan;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        plan += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3))) +
                QLatin1Char(' ');
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return plan.trimmed();
}

// Fills the search list of a shown window the way the user does; returns the
// time from the click until the window has processed the resulting events.
double timedSearch(Form1& form, const QString& text) {
    form.ListView1->clear();
    QCoreApplication::processEvents();
    form.Text1->setText(text);
    QElapsedTimer timer;
    timer.start();
    form.PushButton7_Click();
    QCoreApplication::processEvents();
    return ms(timer);
}

void measure(Form1& form, const QString& database, const QString& text) {
    double best = 1e300, rawBest = 1e300, queryBest = 1e300;
    size_t rawRows = 0;
    for (int run = 0; run < 3; ++run) {
        best = std::min(best, timedSearch(form, text));
        double raw = 0;
        rawRows = rawFetch(database, text, raw);
        rawBest = std::min(rawBest, raw);
        QElapsedTimer timer;
        timer.start();
        findCityRows(database, text, QLocale::system());
        queryBest = std::min(queryBest, ms(timer));
    }
    std::printf("%-7s %8d %12.2f %14.2f %10.2f %8.1f\n",
                qPrintable(QLatin1Char('"') + text + QLatin1Char('"')), form.ListView1->count(),
                best, queryBest, rawBest, best / rawBest);
    if (static_cast<size_t>(form.ListView1->count()) != rawRows)
        std::printf("  row counts differ: list %d, raw %zu\n", form.ListView1->count(), rawRows);
}

// Random lower-case names with a few "Fiore..." ones, folded as the importer does
// (plain ASCII: the folded name is the lower-case name).
bool buildSynthetic(const QString& path, long rows) {
    QFile::remove(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db, cityTableSchema().toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO cities VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr);
    std::mt19937 random(20240531);
    std::uniform_int_distribution<int> letter('a', 'z'), length(4, 12), region(0, 3999);
    std::uniform_real_distribution<double> lat(-90, 90), lon(-180, 180);
    for (long i = 0; i < rows; ++i) {
        std::string city;
        if (i % 150000 == 7)
            city = "fiore" + std::to_string(i);
        else
            for (int n = length(random); n > 0; --n)
                city += static_cast<char>(letter(random));
        std::string accent = city;
        accent[0] = static_cast<char>(accent[0] - 'a' + 'A');
        const std::string regionName = "Region " + std::to_string(region(random)) + ", Country";
        sqlite3_bind_text(insert, 1, city.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, accent.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, regionName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 4, lat(random));
        sqlite3_bind_double(insert, 5, lon(random));
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const bool ok = sqlite3_exec(db, cityIndexSchema().toUtf8().constData(), nullptr, nullptr,
                                 nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString database =
        QFileInfo(args.size() > 1 ? args.at(1)
                                  : QStringLiteral(AMBREVALE_PROGRAM_DIR "/dbCities.sqlite"))
            .absoluteFilePath();
    if (!QFileInfo::exists(database)) {
        std::fprintf(
            stderr,
            "bench_lookup: %s not found; build it with scripts/build-database.sh build/bin\n",
            qPrintable(database));
        return 1;
    }

    // The window finds the database in its program folder.
    QTemporaryDir folder;
    QFile::link(database, folder.filePath(kCityDatabaseFileName));
    setProgramFolderForTests(folder.path());

    BenchPlatform platform;
    Form1 form(platform);
    form.Form_Load();
    form.show();
    QCoreApplication::processEvents();

    std::printf("Full database: %s (%s)\n", qPrintable(database),
                qPrintable(QLocale::system().name()));
    std::printf("Best of 3 runs. \"list\": click on Search until the shown window has processed\n"
                "its events; \"query\": database read, sort and row texts; \"raw\": the same\n"
                "statement through the SQLite C interface.\n\n");
    std::printf("%-7s %8s %12s %14s %10s %8s\n", "prefix", "rows", "list ms", "query ms", "raw ms",
                "ratio");
    const long rssBefore = residentKiB();
    const long heapBefore = heapInUseKiB();
    for (const char* prefix : {"fiore", "san", "lon", "a", "%"})
        measure(form, database, QString::fromUtf8(prefix));
    std::printf("\nResident memory (VmRSS): %ld KiB before the searches, %ld KiB with the %d rows "
                "of \"%%\" "
                "listed (heap in use: %ld KiB before, %ld KiB after)\n",
                rssBefore, residentKiB(), form.ListView1->count(), heapBefore, heapInUseKiB());
    form.ListView1->clear();

    const long rows = 3000000;
    QTemporaryDir syntheticFolder; // under /tmp
    const QString synthetic = syntheticFolder.filePath(QStringLiteral("bench-3m.sqlite"));
    std::printf("\nSynthetic database: %ld rows in %s\n", rows, qPrintable(synthetic));
    QElapsedTimer timer;
    timer.start();
    if (!buildSynthetic(synthetic, rows)) {
        std::fprintf(stderr, "bench_lookup: cannot build %s\n", qPrintable(synthetic));
        return 1;
    }
    std::printf("built in %.1f s\n", ms(timer) / 1000);
    std::printf("query plan for \"fiore\": %s\n",
                qPrintable(queryPlan(synthetic, QStringLiteral("fiore"))));
    QFile::remove(folder.filePath(kCityDatabaseFileName));
    QFile::link(synthetic, folder.filePath(kCityDatabaseFileName));
    std::printf("%-7s %8s %12s %14s %10s %8s\n", "prefix", "rows", "list ms", "query ms", "raw ms",
                "ratio");
    measure(form, synthetic, QStringLiteral("fiore"));
    setProgramFolderForTests(QString());
    return 0;
}
