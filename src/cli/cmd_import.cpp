#include "app/runtime_error.h"
#include "cli/cli.h"
#include "lookup/city_import.h"

#include <QDir>
#include <cstdio>
#include <map>

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

int usageError(const QString& message) {
    std::fprintf(stderr, "ambrevale-cli import: %s\n\n%s", qPrintable(message), kImportUsage);
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
        if (csv) {
            summary = importCsv(options[QStringLiteral("--csv")], output);
        } else {
            GeoNamesSources sources{options[QStringLiteral("--geonames")],
                                    options[QStringLiteral("--admin1")],
                                    options[QStringLiteral("--countries")]};
            if (sources.cities.isEmpty() || sources.admin1.isEmpty() || sources.countries.isEmpty())
                return usageError(
                    QStringLiteral("a GeoNames import needs --geonames, --admin1 and --countries"));
            summary = importGeoNames(sources, output);
        }
        std::printf("Imported %lld cities into %s", static_cast<long long>(summary.cities),
                    qPrintable(QDir::toNativeSeparators(output)));
        if (summary.withoutRegionName > 0)
            std::printf(" (%lld without a region name: their region is the country alone)",
                        static_cast<long long>(summary.withoutRegionName));
        std::printf(".\n");
        if (!summary.unknownCountryCodes.isEmpty())
            std::fprintf(stderr,
                         "ambrevale-cli import: warning: country codes not in the country file "
                         "were kept as they are: %s\n",
                         qPrintable(summary.unknownCountryCodes.join(QStringLiteral(", "))));
        return 0;
    } catch (const RunTimeError& e) {
        std::fprintf(stderr, "ambrevale-cli import: %s\n", qPrintable(e.description()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ambrevale-cli import: %s\n", e.what());
    }
    return 1;
}

} // namespace amb::cli
