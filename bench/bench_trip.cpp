// The command-line trip through 1,000 names on the default database: the names of
// the 1,000 most populous cities, as a user would type them (many are shared by
// several cities, so the ambiguity notes are part of the work). The whole process
// runs BENCH_RUNS times (3) per format; the median wall time is printed with the
// tool's peak resident memory, and the name lookup alone, in process. Then names
// no city has, short and thousands of letters long: each whole run's time and peak
// memory, which should stay those of a short name.
#include "bench_support.h"
#include "lookup/city_resolve.h"
#include "lookup/sqlite_database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

namespace {

const int kRuns =
    qEnvironmentVariableIsSet("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 3;
const QString kProgramDir = QStringLiteral(AMBREVALE_PROGRAM_DIR);

QStringList mostPopulousNames(const QString& database, int count) {
    QStringList names;
    amb::SqliteDatabase db(database, amb::SqliteDatabase::ReadOnly);
    amb::SqliteStatement q(db, "SELECT c.AccentCity FROM cities c JOIN city_facts f ON f.id = "
                               "c.rowid ORDER BY f.population DESC LIMIT ?");
    q.bind(1, qint64(count));
    while (q.next())
        names << q.text(0);
    return names;
}

struct Run {
    double ms = -1;
    qint64 bytes = 0;
    int exitCode = -1;
};

Run runTrip(const QStringList& args) {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(kProgramDir + QStringLiteral("/ambrevale-cli"),
                  QStringList{QStringLiteral("trip")} + args);
    process.waitForFinished(-1);
    Run run;
    run.ms = amb::bench::ms(timer);
    run.bytes = process.readAllStandardOutput().size();
    run.exitCode = process.exitCode();
    return run;
}

Run median(const QStringList& args) {
    std::vector<Run> runs;
    for (int i = 0; i < kRuns; ++i)
        runs.push_back(runTrip(args));
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString database = kProgramDir + QStringLiteral("/dbCities.sqlite");
    const QStringList names = mostPopulousNames(database, 1000);
    if (names.size() < 1000) {
        std::fprintf(stderr,
                     "bench_trip: %s lacks 1,000 cities with their population; build it with "
                     "scripts/build-database.sh\n",
                     qPrintable(database));
        return 1;
    }

    std::printf("trip through the names of the 1,000 most populous cities, median of %d runs\n",
                kRuns);
    struct Case {
        const char* label;
        QStringList options;
    };
    const Case cases[] = {
        {"text, km, total", {QStringLiteral("--unit=km"), QStringLiteral("--total")}},
        {"wgs84, csv", {QStringLiteral("--model=wgs84"), QStringLiteral("--format=csv")}},
        {"GeoJSON", {QStringLiteral("--format=geojson")}},
    };
    for (const Case& c : cases) {
        const Run run = median(names + c.options);
        std::printf("  %-18s %9.1f ms  %10lld bytes  exit %d\n", c.label, run.ms,
                    static_cast<long long>(run.bytes), run.exitCode);
        std::printf("HEADLINE\ttrip, 1,000 names (%s)\t%.0f ms\n", c.label, run.ms);
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    std::printf("HEADLINE\ttrip, 1,000 names: peak memory\t%.1f MiB\n", usage.ru_maxrss / 1024.0);

    amb::CityResolver resolver(database);
    QElapsedTimer timer;
    timer.start();
    qsizetype ambiguous = 0;
    for (const QString& name : names)
        ambiguous += resolver.resolve(name).matches.size() > 1;
    const double perName = timer.nsecsElapsed() / 1e3 / names.size();
    std::printf("  name lookup in process: %.1f us per name (%lld of the 1,000 are shared by "
                "several cities)\n",
                perName, static_cast<long long>(ambiguous));
    std::printf("HEADLINE\ttrip name lookup\t%.1f us per name\n", perName);

    // Close names for a misspelt city, each on a resolver of its own as the tool
    // makes one: the slowest of the misspellings is the headline.
    double slowest = 0;
    for (const char* typed : {"Nwe York", "Sna Francisco", "Tkoyo", "Brelin", "Rmoe"}) {
        std::vector<double> times;
        QString first;
        for (int i = 0; i < std::max(kRuns, 5); ++i) {
            amb::CityResolver fresh(database);
            QElapsedTimer t;
            t.start();
            const amb::NameMatch match = fresh.resolve(QString::fromUtf8(typed));
            times.push_back(amb::bench::ms(t));
            first = match.closeNames.empty() ? QStringLiteral("(none)")
                                             : match.closeNames.front().text();
        }
        std::sort(times.begin(), times.end());
        const double ms = times[times.size() / 2];
        slowest = std::max(slowest, ms);
        std::printf("  close names for %-14s %6.1f ms, first: %s\n", typed, ms, qPrintable(first));
    }
    std::printf("HEADLINE\tclose names for a misspelt city (slowest of 5)\t%.1f ms\n", slowest);

    // The longest name the database keeps, so a long name can begin as a stored one.
    QString longest;
    {
        amb::SqliteDatabase db(database, amb::SqliteDatabase::ReadOnly);
        amb::SqliteStatement q(db, "SELECT name FROM city_names ORDER BY length(name) DESC LIMIT 1");
        if (q.next())
            longest = q.text(0);
    }
    QString distinct; // letters of another script, no two alike
    for (char16_t c = 0x4E00; distinct.size() < 10000; ++c)
        distinct += QChar(c);
    struct LongName {
        const char* label;
        QString name;
    };
    const LongName longNames[] = {
        {"a known name (Florence)", QStringLiteral("Florence")},
        {"12 letters, unknown", QStringLiteral("Sa") + QString(10, QLatin1Char('n'))},
        {"3,000 letters", QStringLiteral("Sa") + QString(2998, QLatin1Char('n'))},
        {"10,000 letters", QStringLiteral("Sa") + QString(9998, QLatin1Char('n'))},
        {"the longest stored name + 10,000", longest + QString(10000, QLatin1Char('n'))},
        {"10,000 distinct letters", distinct},
    };
    std::printf("trip NAME Paris, one whole run each, median of %d\n", std::max(kRuns, 3));
    const std::string tool = (kProgramDir + QStringLiteral("/ambrevale-cli")).toStdString();
    for (const LongName& c : longNames) {
        std::vector<amb::bench::Timing> runs;
        for (int i = 0; i < std::max(kRuns, 3); ++i)
            runs.push_back(amb::bench::runProcess({tool, "trip", c.name.toStdString(), "Paris"},
                                                  "/dev/null", "/dev/null", {}));
        std::sort(runs.begin(), runs.end(),
                  [](const auto& a, const auto& b) { return a.wall < b.wall; });
        const amb::bench::Timing& run = runs[runs.size() / 2];
        long peak = 0;
        for (const auto& r : runs)
            peak = std::max(peak, r.peakKiB);
        std::printf("  %-34s %7.1f ms wall %7.1f ms cpu %7.1f MiB peak  exit %d\n", c.label,
                    run.wall * 1e3, run.cpu * 1e3, peak / 1024.0, run.exitCode);
        if (c.name.size() >= 3000)
            std::printf("HEADLINE\ttrip with a name of %s\t%.0f ms, %.1f MiB\n", c.label,
                        run.wall * 1e3, peak / 1024.0);
    }
    return 0;
}
