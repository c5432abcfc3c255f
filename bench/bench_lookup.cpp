// City search figures on the full database, for the prefixes "fiore", "san", "lon",
// "a" and "%": rows, the time from the click on Search to a filled search list,
// the raw SQLite time for reading the same rows, their ratio, and the resident
// memory with every city listed.
//
// Usage: bench_lookup [DATABASE] [--repeat PREFIX N]
//   DATABASE defaults to dbCities.sqlite in the build's program folder;
//   --repeat only runs the search for PREFIX N times (for a profiler).
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
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace amb;
using bench::ms;

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

struct RawRow {
    std::string accentCity, region;
    double latitude, longitude;
};

// The same statement through the SQLite C interface, rows kept in plain structs:
// what reading the rows costs without sorting them or making texts.
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

struct Figures {
    int rows = 0;
    double list = 0, query = 0, raw = 0;
};

Figures measure(Form1& form, const QString& database, const QString& text, int runs) {
    Figures f;
    f.list = f.query = f.raw = 1e300;
    size_t rawRows = 0;
    for (int run = 0; run < runs; ++run) {
        double raw = 0;
        rawRows = rawFetch(database, text, raw);
        f.raw = std::min(f.raw, raw);
        QElapsedTimer timer;
        timer.start();
        findCityRows(database, text, QLocale::system());
        f.query = std::min(f.query, ms(timer));
        // The window last, so the memory figure after "%" is the program's own.
        f.list = std::min(f.list, timedSearch(form, text));
    }
    f.rows = form.ListView1->count();
    if (static_cast<size_t>(f.rows) != rawRows)
        std::printf("  row counts differ: list %d, raw %zu\n", f.rows, rawRows);
    return f;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QString repeatPrefix;
    int repeat = 0;
    if (const qsizetype r = args.indexOf(QStringLiteral("--repeat"));
        r >= 0 && r + 2 < args.size()) {
        repeatPrefix = args.at(r + 1);
        repeat = args.at(r + 2).toInt();
        args.remove(r, 3);
    }
    const QString database =
        QFileInfo(!args.isEmpty() ? args.first()
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

    if (repeat > 0) {
        double total = 0;
        for (int i = 0; i < repeat; ++i)
            total += timedSearch(form, repeatPrefix);
        std::printf("%d searches for \"%s\": %d rows, %.2f ms each\n", repeat,
                    qPrintable(repeatPrefix), form.ListView1->count(), total / repeat);
        setProgramFolderForTests(QString());
        return 0;
    }

    std::printf("Database: %s (locale %s)\n", qPrintable(database),
                qPrintable(QLocale::system().name()));
    std::printf("Best of 3 runs. \"list\": click on Search until the shown window has processed\n"
                "its events; \"query\": reading, sorting and row texts without the window;\n"
                "\"raw\": the same statement through the SQLite C interface, rows kept as plain\n"
                "structs; ratio = list / raw.\n\n");
    std::printf("%-7s %8s %12s %12s %10s %8s\n", "prefix", "rows", "list ms", "query ms", "raw ms",
                "ratio");
    const long rssBefore = bench::procStatusKiB("VmRSS:");
    std::vector<std::pair<QString, Figures>> all;
    for (const char* prefix : {"fiore", "san", "lon", "a", "%"}) {
        const QString text = QString::fromUtf8(prefix);
        const Figures f = measure(form, database, text, 3);
        std::printf("%-7s %8d %12.2f %12.2f %10.2f %8.2f\n",
                    qPrintable(QLatin1Char('"') + text + QLatin1Char('"')), f.rows, f.list, f.query,
                    f.raw, f.list / f.raw);
        all.emplace_back(text, f);
    }
    // The list still holds every city: the last search was "%".
    const long rssAll = bench::procStatusKiB("VmRSS:");
    std::printf("\nResident memory (VmRSS): %.1f MiB before the searches, %.1f MiB with the %d "
                "rows of \"%%\" listed\n",
                rssBefore / 1024.0, rssAll / 1024.0, form.ListView1->count());
    for (const auto& [text, f] : all)
        std::printf(
            "HEADLINE\tsearch \"%s\" to filled list (%d rows)\t%.2f ms (%.2f x raw SQLite)\n",
            qPrintable(text), f.rows, f.list, f.list / f.raw);
    std::printf("HEADLINE\tresident memory with all %d cities listed\t%.1f MiB\n",
                form.ListView1->count(), rssAll / 1024.0);
    setProgramFolderForTests(QString());
    return 0;
}
