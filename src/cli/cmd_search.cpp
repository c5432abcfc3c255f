#include "app/runtime_error.h"
#include "cli/cli.h"
#include "cli/measure_options.h"
#include "lookup/city_database.h"

#include <QLocale>
#include <cstdio>

namespace amb::cli {

namespace {

const char kSearchUsage[] =
    "Usage: ambrevale-cli search PREFIX [--database FILE] [--format FORMAT]\n"
    "\n"
    "Prints the cities whose name begins with PREFIX, as the search list of the\n"
    "program shows them and in the same order, one per line: the text\n"
    "\"City - Region\", a tab, the latitude, a tab, the longitude (numbers in the\n"
    "user's locale). Case and accents do not matter (\"zur\" finds Zürich);\n"
    "% stands for any text and _ for any one character. Spaces are part of PREFIX.\n"
    "\n"
    "  --database FILE   the city database (default: dbCities.sqlite beside this tool)\n"
    "  --format FORMAT   text (the default: the lines above), tsv or csv (columns name,\n"
    "                    region, latitude, longitude, with a header), json, or geojson\n"
    "                    (a point per city); numbers with a decimal point in any locale\n"
    "  -h, --help        show this help\n";

int usageError(const QString& message) {
    printMessage("ambrevale-cli search: %s\n\n", qPrintable(message));
    std::fputs(kSearchUsage, stderr);
    return 2;
}

} // namespace

int runSearch(const QStringList& args) {
    QString database = defaultCityDatabasePath();
    MeasureOptions options;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kSearchUsage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--")) {
            positional += args.mid(i + 1);
            break;
        }
        QString error;
        if (takeMeasureOption(args, i, {QStringLiteral("--format")}, options, error)) {
            if (!error.isEmpty())
                return usageError(error);
            continue;
        }
        if (takeFileOption(args, i, {{QLatin1StringView("--database"), &database}}, error)) {
            if (!error.isEmpty())
                return usageError(error);
            continue;
        }
        if (arg.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        positional << arg;
    }
    if (positional.size() != 1)
        return usageError(positional.isEmpty() ? QStringLiteral("the search text is missing")
                                               : QStringLiteral("give one search text only (quote "
                                                                "a text with spaces)"));
    const QString prefix = positional.first();
    // As in the search box, only spaces count as blank.
    if (QString(prefix).remove(QLatin1Char(' ')).isEmpty())
        return usageError(QStringLiteral("the search text is empty"));

    try {
        if (options.format != OutputFormat::Text) {
            const std::string out =
                formatCities(findCityRecords(database, prefix, QLocale::system()), options.format);
            if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() ||
                std::fflush(stdout) != 0) {
                std::fputs("ambrevale-cli search: cannot write the result\n", stderr);
                return 1;
            }
            return 0;
        }
        const std::vector<CityRow> rows = findCityRows(database, prefix, QLocale::system());
        QByteArray out;
        for (const CityRow& row : rows) {
            out += row.text().toUtf8();
            out += '\t';
            out += row.latitude().toUtf8();
            out += '\t';
            out += row.longitude().toUtf8();
            out += '\n';
        }
        if (std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout) !=
                static_cast<size_t>(out.size()) ||
            std::fflush(stdout) != 0) {
            std::fputs("ambrevale-cli search: cannot write the result\n", stderr);
            return 1;
        }
        return 0;
    } catch (const RunTimeError& e) {
        printMessage("ambrevale-cli search: %s\n", qPrintable(e.description()));
    } catch (const std::exception& e) {
        printMessage("ambrevale-cli search: %s\n", e.what());
    }
    return 1;
}

} // namespace amb::cli
