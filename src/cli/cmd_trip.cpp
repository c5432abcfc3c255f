#include "app/locale_numbers.h"
#include "app/runtime_error.h"
#include "cli/cli.h"
#include "cli/trip_map_option.h"
#include "cli/measure_options.h"
#include "distance/zip_distance.h"
#include "lookup/city_resolve.h"
#include "planning/trip_order.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace amb::cli {

namespace {

const char kTripUsage[] =
    "Usage: ambrevale-cli trip NAME NAME [NAME...] [OPTIONS]\n"
    "\n"
    "Measures the trip through the named cities, in order: one line per leg, as the\n"
    "window's results list words it (\"Distance between Florence - Tuscany, Italy and\n"
    "Paris - Île-de-France, France is ... miles\").\n"
    "\n"
    "A NAME is a city's name in any case and with or without accents, or one of its\n"
    "other names (\"Firenze\", \"Moskva\", \"München\"). Among cities of one name the\n"
    "most populous is taken, and standard error says which and what else there is.\n"
    "Narrow a name with its region or country, by name or two-letter code, after a\n"
    "comma: \"Paris, Texas\", \"Paris, US\", \"Florence, Italy\". A name that matches\n"
    "nothing stops the trip before anything is printed, with the closest names.\n"
    "\n"
    "Options:\n"
    "  --database FILE   the city database (default: dbCities.sqlite beside this tool)\n"
    "%1"
    "%2"
    "  --map FILE        also draw the trip on a world map: FILE.png or FILE.svg\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 when the trip was measured and printed, 1 when a name matches no\n"
    "city, the database cannot be used or the output or the map cannot be written, 2\n"
    "for wrong arguments.\n";

QString usage() {
    return QString::fromUtf8(kTripUsage)
        .arg(measureOptionsHelp(allMeasureOptions()), orderOptionsHelp());
}

int usageError(const QString& message) {
    printMessage("ambrevale-cli trip: %s\n\n", qPrintable(message));
    std::fputs(qPrintable(usage()), stderr);
    return 2;
}

void note(const QString& message) {
    printMessage("ambrevale-cli trip: %s\n", message.toLocal8Bit().constData());
}

QString populationText(qint64 population) {
    return population < 0 ? QStringLiteral("population unknown")
                          : QStringLiteral("population %1").arg(population);
}

QString listed(const std::vector<NamedCity>& cities, size_t first) {
    QStringList texts;
    for (size_t i = first; i < cities.size(); ++i)
        texts << cities[i].text();
    return texts.join(QStringLiteral("; "));
}

// "Paris, Texas": the first part of the other city's region, or its country code.
QString narrowedName(const QString& name, const NamedCity& taken, const NamedCity& other) {
    const QString region = other.record.region.section(QStringLiteral(", "), 0, 0);
    const QString takenRegion = taken.record.region.section(QStringLiteral(", "), 0, 0);
    const QString qualifier = region.isEmpty() || region == takenRegion ? other.country : region;
    return qualifier.isEmpty()
               ? QString()
               : QStringLiteral("\"%1, %2\"")
                     .arg(name.section(QLatin1Char(','), 0, 0).trimmed(), qualifier);
}

void reportAmbiguous(const QString& name, const std::vector<NamedCity>& matches) {
    // The others by their own name first: those are what the reader looks for.
    std::vector<NamedCity> others(matches.begin() + 1, matches.end());
    std::stable_partition(others.begin(), others.end(),
                          [](const NamedCity& c) { return c.ownName; });
    constexpr size_t kOthersShown = 4;
    const size_t more = others.size() > kOthersShown ? others.size() - kOthersShown : 0;
    others.resize(others.size() - more);
    QString message = QStringLiteral("\"%1\" names %2 cities; taking %3 (%4). Also: %5")
                          .arg(name.trimmed())
                          .arg(matches.size())
                          .arg(matches.front().text(), populationText(matches.front().population),
                               listed(others, 0));
    if (more > 0)
        message += QStringLiteral("; and %1 more").arg(more);
    message += QLatin1Char('.');
    const QString example = narrowedName(name, matches.front(), others.front());
    if (!example.isEmpty())
        message += QStringLiteral(" To take another, add its region or country after a comma, "
                                  "e.g. %1.")
                       .arg(example);
    note(message);
}

void reportUnknown(const QString& name, const NameMatch& match) {
    const QString shown = name.trimmed();
    if (match.elsewhere) {
        note(
            QStringLiteral("no city \"%1\" lies in the region or country named. Cities of that "
                           "name: %2.")
                .arg(shown.section(QLatin1Char(','), 0, 0).trimmed(), listed(match.closeNames, 0)));
    } else if (match.closeNames.empty()) {
        note(QStringLiteral("no city is called \"%1\", and no name is close to it. Check the "
                            "spelling, or look for it with \"ambrevale-cli search\".")
                 .arg(shown));
    } else {
        note(QStringLiteral("no city is called \"%1\". Close names: %2.")
                 .arg(shown, listed(match.closeNames, 0)));
    }
}

bool writeAll(const std::string& text) {
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            note(QStringLiteral("cannot write the trip to standard output: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO))));
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

int runTrip(const QStringList& args) {
    QString database = defaultCityDatabasePath();
    MeasureOptions options;
    OrderOptions order;
    QStringList names;
    QString mapFile;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(qPrintable(usage()), stdout);
            return 0;
        }
        if (arg == QLatin1String("--")) {
            names += args.mid(i + 1);
            break;
        }
        QString error;
        if (takeMeasureOption(args, i, allMeasureOptions(), options, error)) {
            if (!error.isEmpty())
                return usageError(error);
            continue;
        }
        if (takeOrderOption(args, i, order, error)) {
            if (!error.isEmpty())
                return usageError(error);
            continue;
        }
        if (takeFileOption(args, i,
                           {{QLatin1StringView("--database"), &database},
                            {QLatin1StringView("--map"), &mapFile}},
                           error)) {
            if (!error.isEmpty())
                return usageError(error);
            continue;
        }
        if (arg.startsWith(QLatin1String("--")))
            return usageError(QStringLiteral("unknown option %1").arg(arg));
        names << arg;
    }
    if (names.size() < 2)
        return usageError(QStringLiteral("a trip needs at least two city names"));
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names.at(i).trimmed().isEmpty())
            return usageError(QStringLiteral("city name %1 of the trip is empty").arg(i + 1));

    try {
        CityResolver resolver(database);
        std::vector<NamedCity> stops;
        bool unknown = false;
        for (const QString& name : names) {
            NameMatch match = resolver.resolve(name);
            if (match.matches.empty()) {
                reportUnknown(name, match);
                unknown = true;
                continue;
            }
            if (match.matches.size() > 1)
                reportAmbiguous(name, match.matches);
            stops.push_back(std::move(match.matches.front()));
        }
        if (unknown)
            return 1;
        if (order.kind) {
            std::vector<std::optional<planning::OrderPoint>> places;
            for (const NamedCity& stop : stops)
                places.push_back(planning::OrderPoint{stop.record.latitude, stop.record.longitude});
            const planning::TripPlan plan =
                planning::planTrip(places, *order.kind, options.unit, options.model);
            std::vector<NamedCity> ordered;
            for (int i : plan.order)
                ordered.push_back(std::move(stops[static_cast<size_t>(i)]));
            stops = std::move(ordered);
            note(planning::planNote(plan, options.unit));
        }
        if (order.roundTrip)
            stops.push_back(stops.front());

        const LocaleNumbers& numbers = LocaleNumbers::current();
        LegWriter writer(options, numbers);
        std::string out;
        writer.start(out);
        for (size_t i = 0; i + 1 < stops.size(); ++i) {
            const CityRecord& a = stops[i].record;
            const CityRecord& b = stops[i + 1].record;
            const double distance = legDistance(a.latitude, a.longitude, b.latitude, b.longitude,
                                                options.unit, options.model);
            writer.leg({stops[i].text(), a.accentCity, a.region, a.latitude, a.longitude},
                       {stops[i + 1].text(), b.accentCity, b.region, b.latitude, b.longitude},
                       distance, out);
        }
        writer.finish(out);
        bool written = writeAll(out);
        if (!mapFile.isEmpty()) {
            std::vector<route::MapStop> mapStops;
            for (const NamedCity& stop : stops)
                mapStops.push_back(
                    {stop.record.accentCity, {stop.record.latitude, stop.record.longitude}});
            const QString total =
                QStringLiteral("Total: %1 %2")
                    .arg(numbers.toText(modZipDistance::roundToCents(writer.total())),
                         unitWords(options.unit));
            written = writeTripMap("trip", mapFile, mapStops, total, options.course) && written;
        }
        return written ? 0 : 1;
    } catch (const RunTimeError& e) {
        note(e.description());
    } catch (const std::exception& e) {
        note(QString::fromLocal8Bit(e.what()));
    }
    return 1;
}

} // namespace amb::cli
