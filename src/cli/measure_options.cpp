#include "cli/measure_options.h"

#include "planning/trip_order.h"

namespace amb::cli {

bool isMapFileName(const QString& file) {
    return file.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) ||
           file.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
}

namespace {

const QString kUnit = QStringLiteral("--unit");
const QString kModel = QStringLiteral("--model");
const QString kFormat = QStringLiteral("--format");
const QString kTotal = QStringLiteral("--total");
const QString kCourse = QStringLiteral("--course");

} // namespace

bool takeMeasureOption(const QStringList& args, qsizetype& i, const QStringList& allowed,
                       MeasureOptions& options, QString& error) {
    const QString& arg = args.at(i);
    const qsizetype equals = arg.indexOf(QLatin1Char('='));
    const QString name = equals > 0 ? arg.left(equals) : arg;
    if (!allowed.contains(name))
        return false;
    if (name == kTotal || name == kCourse) {
        if (equals > 0)
            error = QStringLiteral("%1 takes no value").arg(name);
        (name == kTotal ? options.total : options.course) = true;
        return true;
    }
    QString value;
    if (equals > 0)
        value = arg.mid(equals + 1);
    else if (i + 1 < args.size())
        value = args.at(++i);
    if (name == kUnit) {
        if (const auto unit = parseDistanceUnit(value))
            options.unit = *unit;
        else
            error = QStringLiteral("unknown unit '%1': give mi, km or nmi").arg(value);
    } else if (name == kModel) {
        if (const auto model = parseEarthModel(value))
            options.model = *model;
        else
            error = QStringLiteral("unknown model '%1': give sphere or wgs84").arg(value);
    } else if (name == kFormat) {
        if (const auto format = parseOutputFormat(value))
            options.format = *format;
        else
            error = QStringLiteral("unknown format '%1': give text, tsv, csv, json or geojson")
                        .arg(value);
    }
    return true;
}

bool takeFileOption(const QStringList& args, qsizetype& i,
                    std::initializer_list<FileOption> options, QString& error) {
    const QString& arg = args.at(i);
    const qsizetype equals = arg.indexOf(QLatin1Char('='));
    const QString name = equals > 0 ? arg.left(equals) : arg;
    for (const FileOption& option : options) {
        if (name != option.name)
            continue;
        QString& file = *option.file;
        file = equals > 0 ? arg.mid(equals + 1) : i + 1 < args.size() ? args.at(++i) : QString();
        if (file.isEmpty())
            error = QStringLiteral("%1 needs a file name").arg(name);
        else if (name == QLatin1String("--map") && !isMapFileName(file))
            error = QStringLiteral("the map file must end in .png or .svg: %1").arg(file);
        return true;
    }
    return false;
}

bool takeOrderOption(const QStringList& args, qsizetype& i, OrderOptions& options,
                     QString& error) {
    const QString& arg = args.at(i);
    const qsizetype equals = arg.indexOf(QLatin1Char('='));
    const QString name = equals > 0 ? arg.left(equals) : arg;
    if (name == QLatin1String("--round-trip")) {
        if (equals > 0)
            error = QStringLiteral("--round-trip takes no value");
        options.roundTrip = true;
        return true;
    }
    if (name != QLatin1String("--order"))
        return false;
    const QString value =
        equals > 0 ? arg.mid(equals + 1) : i + 1 < args.size() ? args.at(++i) : QString();
    options.kind = planning::parseOrderKind(value);
    if (!options.kind)
        error = QStringLiteral("unknown order '%1': give shortest, ends or round").arg(value);
    else if (*options.kind == planning::OrderKind::RoundTrip)
        options.roundTrip = true;
    return true;
}

QString orderOptionsHelp() {
    return QStringLiteral(
        "  --order shortest|ends|round\n"
        "                    put the cities in the shortest order first: from the\n"
        "                    first city, ending anywhere (shortest); from the first\n"
        "                    to the last (ends); or a round trip back to the first\n"
        "                    (round). Standard error gives the length before and\n"
        "                    after and how far it can at most be from the shortest\n"
        "  --round-trip      end with the leg from the last city back to the first\n");
}

const QStringList& allMeasureOptions() {
    static const QStringList all = {kUnit, kModel, kFormat, kTotal, kCourse};
    return all;
}

QString measureOptionsHelp(const QStringList& allowed) {
    QString help;
    if (allowed.contains(kUnit))
        help += QStringLiteral(
            "  --unit mi|km|nmi  statute miles (the default: the window's sentences),\n"
            "                    kilometres or nautical miles. A kilometre is the\n"
            "                    international one: 1 mi = 1.609344 km, on the sphere\n"
            "                    and on wgs84, in the sentences and the map's steps. On\n"
            "                    the sphere a nautical mile is one arc minute\n");
    if (allowed.contains(kModel))
        help += QStringLiteral(
            "  --model sphere|wgs84\n"
            "                    the earth the distances are measured on. sphere (the\n"
            "                    default) is the window's formula: the great circle on a\n"
            "                    sphere where a degree is 60 nautical miles of 1.1515\n"
            "                    statute miles. wgs84 is the geodesic on the WGS84\n"
            "                    ellipsoid (GeographicLib), as survey and aviation tools\n"
            "                    measure; the two differ by up to about half a percent\n");
    if (allowed.contains(kTotal))
        help += QStringLiteral("  --total           add a last line with the sum of the legs\n");
    if (allowed.contains(kCourse))
        help += QStringLiteral(
            "  --course          end each sentence with the leg's initial course in whole\n"
            "                    degrees true, and draw an arrow at each leg's start on\n"
            "                    the --map. The other formats always give each leg's\n"
            "                    initial_course and final_course (0 to 360; none for a\n"
            "                    leg whose ends coincide)\n");
    if (allowed.contains(kFormat))
        help += QStringLiteral(
            "  --format FORMAT   text (the default), tsv, csv (RFC 4180), json or geojson\n"
            "                    (RFC 7946: a point per city, each leg along its great\n"
            "                    circle, split at the antimeridian). All but text write\n"
            "                    numbers with a decimal point in any locale\n");
    return help;
}

} // namespace amb::cli
