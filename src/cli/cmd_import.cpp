#include "app/runtime_error.h"
#include "cli/cli.h"
#include "lookup/city_import.h"

#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace amb::cli {

namespace {

const char kImportUsage[] =
    "Usage: ambrevale-cli import --geonames FILE --admin1 FILE --countries FILE OUTPUT\n"
    "       ambrevale-cli import --csv FILE OUTPUT\n"
    "\n"
    "Builds the city database OUTPUT (the program looks for dbCities.sqlite beside\n"
    "itself). An existing OUTPUT is replaced only when the import succeeds.\n"
    "\n"
    "From the GeoNames gazetteer:\n"
    "  --geonames FILE   tab-separated GeoNames cities file (e.g. cities500.txt)\n"
    "  --admin1 FILE     region names: JSON [{\"code\":\"IT.16\",\"name\":\"Tuscany\"},...]\n"
    "                    or GeoNames' admin1CodesASCII.txt\n"
    "  --countries FILE  country names: iso_3166-1.json of iso-codes\n"
    "                    (/usr/share/iso-codes/json/iso_3166-1.json)\n"
    "The region of a city is \"region, country\", or the country alone when the\n"
    "region has no name.\n"
    "\n"
    "From your own gazetteer:\n"
    "  --csv FILE        UTF-8 CSV whose header names the columns\n"
    "                    city,AccentCity,Region,Latitude,Longitude (any order);\n"
    "                    coordinates in decimal degrees with a point\n"
    "                    optional columns Population, CountryCode (two letters) and\n"
    "                    AlternateNames (names separated by commas) help\n"
    "                    'ambrevale-cli trip' find cities by name\n"
    "\n"
    "  -h, --help        show this help\n"
    "\n"
    "A bad input row stops the import with its file and line number.\n";

// A progress bar on the terminal: rows read, their rate and the time left, redrawn
// at most five times a second on one line of stderr. Nothing is drawn when stderr
// is not a terminal (a log file or a pipe gets only the final summary).
class TerminalProgress {
public:
    TerminalProgress() : shown_(::isatty(STDERR_FILENO) == 1) { clock_.start(); }
    ~TerminalProgress() { clear(); }
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    // Takes the bar off the line, before the summary is printed.
    void clear() {
        if (drawn_) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            drawn_ = false;
        }
    }

    ImportProgress callbacks() {
        if (!shown_)
            return {};
        ImportProgress progress;
        progress.rows = [this](qint64 lines, qint64 done, qint64 total) {
            rows(lines, done, total);
        };
        progress.stage = [this](ImportProgress::Stage stage) {
            draw(stage == ImportProgress::Ordering  ? "putting the rows in the search list's order"
                 : stage == ImportProgress::Writing ? "writing the rows"
                                                    : "building the index");
        };
        return progress;
    }

private:
    void rows(qint64 lines, qint64 done, qint64 total) {
        const qint64 now = clock_.elapsed();
        if (now - lastDraw_ < 200 && done < total)
            return;
        lastDraw_ = now;
        const double seconds = std::max(now, qint64(1)) / 1000.0;
        const double share = total > 0 ? double(done) / double(total) : 1.0;
        const int width = 30;
        const int filled = static_cast<int>(share * width);
        char bar[width + 1];
        for (int i = 0; i < width; ++i)
            bar[i] = i < filled ? '#' : '.';
        bar[width] = 0;
        const double left = share > 0 ? seconds * (1 - share) / share : 0;
        char line[200];
        std::snprintf(line, sizeof line, "[%s] %3d%%  %lld lines  %.0f lines/s  %d:%02d left", bar,
                      static_cast<int>(share * 100), static_cast<long long>(lines), lines / seconds,
                      static_cast<int>(left) / 60, static_cast<int>(left) % 60);
        draw(line);
    }

    void draw(const char* text) {
        std::fprintf(stderr, "\r\033[K%s", text);
        std::fflush(stderr);
        drawn_ = true;
    }

    bool shown_;
    bool drawn_ = false;
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1000;
};

int usageError(const QString& message) {
    printMessage("ambrevale-cli import: %s\n\n", qPrintable(message));
    std::fputs(kImportUsage, stderr);
    return 2;
}

} // namespace

int runImport(const QStringList& args) {
    std::map<QString, QString> options;
    const QStringList known = {QStringLiteral("--geonames"), QStringLiteral("--admin1"),
                               QStringLiteral("--countries"), QStringLiteral("--csv")};
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kImportUsage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--")) {
            positional += args.mid(i + 1);
            break;
        }
        if (!arg.startsWith(QLatin1String("--"))) {
            positional << arg;
            continue;
        }
        QString name = arg;
        QString value;
        if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
            name = arg.left(eq);
            value = arg.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            return usageError(QStringLiteral("%1 needs a file name").arg(arg));
        }
        if (!known.contains(name))
            return usageError(QStringLiteral("unknown option %1").arg(name));
        if (value.isEmpty())
            return usageError(QStringLiteral("%1 needs a file name").arg(name));
        options[name] = value;
    }
    if (positional.size() != 1)
        return usageError(positional.isEmpty() ? QStringLiteral("the output file is missing")
                                               : QStringLiteral("give one output file only"));
    const QString output = positional.first();
    if (output.isEmpty())
        return usageError(QStringLiteral("the output file name is empty"));
    const bool csv = options.count(QStringLiteral("--csv")) > 0;
    const bool geonames = options.count(QStringLiteral("--geonames")) > 0 ||
                          options.count(QStringLiteral("--admin1")) > 0 ||
                          options.count(QStringLiteral("--countries")) > 0;
    if (csv == geonames)
        return usageError(QStringLiteral("give either --csv or the three GeoNames inputs"));

    try {
        ImportSummary summary;
        TerminalProgress bar;
        const ImportProgress progress = bar.callbacks();
        if (csv) {
            summary = importCsv(options[QStringLiteral("--csv")], output, progress);
        } else {
            GeoNamesSources sources{options[QStringLiteral("--geonames")],
                                    options[QStringLiteral("--admin1")],
                                    options[QStringLiteral("--countries")]};
            if (sources.cities.isEmpty() || sources.admin1.isEmpty() || sources.countries.isEmpty())
                return usageError(
                    QStringLiteral("a GeoNames import needs --geonames, --admin1 and --countries"));
            summary = importGeoNames(sources, output, progress);
        }
        bar.clear();
        std::printf("Imported %lld cities into %s", static_cast<long long>(summary.cities),
                    qPrintable(QDir::toNativeSeparators(output)));
        if (summary.withoutRegionName > 0)
            std::printf(" (%lld without a region name: their region is the country alone)",
                        static_cast<long long>(summary.withoutRegionName));
        std::printf(".\n");
        if (!summary.unknownCountryCodes.isEmpty())
            printMessage("ambrevale-cli import: warning: country codes not in the country file "
                         "were kept as they are: %s\n",
                         qPrintable(summary.unknownCountryCodes.join(QStringLiteral(", "))));
        return 0;
    } catch (const RunTimeError& e) {
        printMessage("ambrevale-cli import: %s\n", qPrintable(e.description()));
    } catch (const std::exception& e) {
        printMessage("ambrevale-cli import: %s\n", e.what());
    }
    return 1;
}

} // namespace amb::cli
