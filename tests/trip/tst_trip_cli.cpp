// The command-line trip: names to cities, units, models and the output formats.
#include "distance/leg_measure.h"
#include "lookup/city_import.h"
#include "lookup/sqlite_database.h"
#include "support/test_helpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace amb;
using namespace amb::test;

namespace {

QStringList stopTexts(const QJsonObject& trip) {
    QStringList texts;
    for (const QJsonValue& leg : trip.value(QLatin1String("legs")).toArray()) {
        if (texts.isEmpty())
            texts << leg[QLatin1String("from")].toString();
        texts << leg[QLatin1String("to")].toString();
    }
    return texts;
}

struct Place {
    double lat, lon;
};
// The fixture's cities.
constexpr Place kFlorence{43.77925, 11.24626}, kParis{48.85341, 2.3488}, kTokyo{35.6895, 139.69171};

constexpr long double kRadiansPerDegree = 3.141592653589793238462643383279502884L / 180;
using Vector = std::array<long double, 3>;

Vector unitVector(Place p) {
    const long double lat = p.lat * kRadiansPerDegree, lon = p.lon * kRadiansPerDegree;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

Vector cross(const Vector& u, const Vector& v) {
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

long double dot(const Vector& u, const Vector& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

// The central angle in degrees between two places, from their unit vectors.
double angleDegrees(Place a, Place b) {
    const Vector n = cross(unitVector(a), unitVector(b));
    return double(std::atan2(std::sqrt(dot(n, n)), dot(unitVector(a), unitVector(b))) /
                  kRadiansPerDegree);
}

// The window's formula takes π as 3.14159265, which moves its figures in the ninth digit.
constexpr double kSameFigure = 1e-7;

// Kilometres on the window's sphere.
double sphereKm(Place a, Place b) {
    return angleDegrees(a, b) * 60 * 1.1515 * 1.609344;
}

// A point's distance in metres from the plane of the great circle through a and b,
// on the program's sphere.
double offGreatCircleMetres(double latA, double lonA, double latB, double lonB, double lat,
                            double lon) {
    const Vector n = cross(unitVector({latA, lonA}), unitVector({latB, lonB}));
    const long double sine = dot(n, unitVector({lat, lon})) / std::sqrt(dot(n, n));
    const double radiusMetres = 60 * 1.1515 * 1609.344 * 180 / 3.14159265;
    return double(std::fabs(std::asin(sine))) * radiusMetres;
}

} // namespace

class TestTripCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void namesFindCities_data();
    void namesFindCities();
    void unitsComeFromOneAngle_data();
    void unitsComeFromOneAngle();
    void milesAreTheWindowsSentences();
    void badInput_data();
    void badInput();
    void geojsonAcrossThePacific();
    void machineFormatsReadBack_data();
    void machineFormatsReadBack();
    void wgs84AgreesWithGeodSolve();
    void distanceMeasuresAsTrip_data();
    void distanceMeasuresAsTrip();

private:
    QStringList trip(const QStringList& args) const {
        return QStringList{QStringLiteral("trip"), QStringLiteral("--database"), database_} + args;
    }
    QTemporaryDir dir_;
    QString database_;
};

void TestTripCli::initTestCase() {
    QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI"));
    database_ = dir_.filePath(QStringLiteral("trip.sqlite"));
    importTripFixture(database_);
}

// Exact names first and the most populous among them; alternate names count;
// a region or country after a comma narrows.
void TestTripCli::namesFindCities_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("stops");
    QTest::addColumn<QString>("note"); // on standard error; empty: none
    const QString florence = QStringLiteral("Florence - Tuscany, Italy");
    const QString paris = QStringLiteral("Paris - Île-de-France, France");
    const QString texas = QStringLiteral("Paris - Texas, United States");
    QTest::newRow("most populous of a name")
        << QStringList{QStringLiteral("Florence"), QStringLiteral("Paris"),
                       QStringLiteral("Berlin")}
        << QStringList{florence, paris, QStringLiteral("Berlin - State of Berlin, Germany")}
        << QStringLiteral("\"Paris\" names 4 cities; taking Paris - Île-de-France, France");
    QTest::newRow("alternate name")
        << QStringList{QStringLiteral("Firenze"), QStringLiteral("Moskva")}
        << QStringList{florence, QStringLiteral("Moscow - Moscow, Russian Federation")}
        << QStringLiteral("e.g. \"Moskva, Idaho\"");
    QTest::newRow("case, accents, other scripts")
        << QStringList{QStringLiteral("MÜNCHEN"), QStringLiteral("москва")}
        << QStringList{QStringLiteral("Munich - Bavaria, Germany"),
                       QStringLiteral("Moscow - Moscow, Russian Federation")}
        << QString();
    QTest::newRow("region, country code, country name")
        << QStringList{QStringLiteral("Paris, Texas"), QStringLiteral("paris,ca"),
                       QStringLiteral("Florence, United States")}
        << QStringList{texas, QStringLiteral("Paris - Ontario, Canada"),
                       QStringLiteral("Florence - Alabama, United States")}
        << QString();
    QTest::newRow("still ambiguous after narrowing")
        << QStringList{QStringLiteral("Paris, US"), QStringLiteral("Roma")}
        << QStringList{texas, QStringLiteral("Rome - Lazio, Italy")}
        << QStringLiteral("e.g. \"Paris, Tennessee\"");
}

void TestTripCli::namesFindCities() {
    QFETCH(QStringList, names);
    QFETCH(QString, note);
    const ToolRun run = runTool(trip(names << QStringLiteral("--format=json")));
    QCOMPARE(run.exitCode, 0);
    QTEST(stopTexts(QJsonDocument::fromJson(run.outBytes).object()), "stops");
    if (note.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(note), qPrintable(run.err));
}

// Every unit comes from the central angle on the window's sphere: a degree is 60
// nautical miles of 1.1515 statute miles, and a statute mile is 1.609344 km. The
// angle is worked out here from the cities' unit vectors, not by the program.
void TestTripCli::unitsComeFromOneAngle_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("perDegree");
    QTest::newRow("mi") << QStringLiteral("mi") << 60 * 1.1515;
    QTest::newRow("km, the international kilometre")
        << QStringLiteral("km") << 60 * 1.1515 * 1.609344;
    QTest::newRow("nmi, an arc minute") << QStringLiteral("nmi") << 60.0;
}

void TestTripCli::unitsComeFromOneAngle() {
    QFETCH(QString, unit);
    QFETCH(double, perDegree);
    const ToolRun run =
        runTool(trip({QStringLiteral("Florence"), QStringLiteral("Paris"), QStringLiteral("Tokyo"),
                      QStringLiteral("--format=json"), QStringLiteral("--unit"), unit}));
    QCOMPARE(run.exitCode, 0);
    const QJsonObject result = QJsonDocument::fromJson(run.outBytes).object();
    QCOMPARE(result[QLatin1String("unit")].toString(), unit);
    const QJsonArray legs = result[QLatin1String("legs")].toArray();
    QCOMPARE(legs.size(), 2);
    const double expected[] = {angleDegrees(kFlorence, kParis) * perDegree,
                               angleDegrees(kParis, kTokyo) * perDegree};
    for (qsizetype i = 0; i < legs.size(); ++i) {
        const double d = legs[i][QLatin1String("distance")].toDouble();
        QVERIFY2(
            std::fabs(d - expected[i]) <= kSameFigure * expected[i],
            qPrintable(QStringLiteral("leg %1: %2, not %3").arg(i + 1).arg(d).arg(expected[i])));
    }
    const double total = result[QLatin1String("total")].toDouble();
    QVERIFY(std::fabs(total - (expected[0] + expected[1])) <= kSameFigure * total);
}

// In miles the trip prints the window's sentences, and --total one more line.
void TestTripCli::milesAreTheWindowsSentences() {
    const ToolRun run = runTool(trip({QStringLiteral("Florence"), QStringLiteral("Paris"),
                                      QStringLiteral("Paris"), QStringLiteral("--total")}));
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Distance between Florence - Tuscany, Italy and Paris - "
                                     "Île-de-France, France is 549.97 miles\n"
                                     "Distance between Paris - Île-de-France, France and Paris - "
                                     "Île-de-France, France is 0 miles\n"
                                     "Total distance is 549.97 miles\n"));
}

// A clear message, the exit status, and nothing on standard output.
void TestTripCli::badInput_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const QString florence = QStringLiteral("Florence");
    QTest::newRow("unknown name, close names")
        << QStringList{florence, QStringLiteral("Flornce")} << 1
        << QStringLiteral("no city is called \"Flornce\". Close names: Florence - Tuscany, Italy");
    QTest::newRow("nothing close") << QStringList{florence, QStringLiteral("Qqxxzz")} << 1
                                   << QStringLiteral("no name is close to it");
    QTest::newRow("name elsewhere")
        << QStringList{florence, QStringLiteral("Paris, Narnia")} << 1
        << QStringLiteral("Cities of that name: Paris - Île-de-France, France");
    QTest::newRow("empty name") << QStringList{florence, QStringLiteral(" ")} << 2
                                << QStringLiteral("city name 2 of the trip is empty");
    QTest::newRow("one name") << QStringList{florence} << 2
                              << QStringLiteral("at least two city names");
    QTest::newRow("unknown unit") << QStringList{florence, florence, QStringLiteral("--unit"),
                                                 QStringLiteral("furlong")}
                                  << 2 << QStringLiteral("unknown unit 'furlong'");
    QTest::newRow("unknown format")
        << QStringList{florence, florence, QStringLiteral("--format=xml")} << 2
        << QStringLiteral("unknown format 'xml'");
    QTest::newRow("unknown model")
        << QStringList{florence, florence, QStringLiteral("--model"), QStringLiteral("flat")} << 2
        << QStringLiteral("unknown model 'flat'");
    QTest::newRow("database before names were kept")
        << QStringList{QStringLiteral("--database"), QStringLiteral("OLD"), florence, florence} << 1
        << QStringLiteral("Build it again");
    QTest::newRow("no database") << QStringList{QStringLiteral("--database"),
                                                QStringLiteral("/nonexistent/db.sqlite"), florence,
                                                florence}
                                 << 1 << QStringLiteral("was not found");
    QTest::newRow("unwritable output")
        << QStringList{florence, QStringLiteral("Paris"), QStringLiteral("FULL")} << 1
        << QStringLiteral("cannot write the trip");
}

void TestTripCli::badInput() {
    QFETCH(QStringList, args);
    QString output;
    if (args.removeAll(QStringLiteral("FULL")) > 0)
        output = QStringLiteral("/dev/full");
    const qsizetype old = args.indexOf(QStringLiteral("OLD"));
    if (old >= 0) {
        // A database as the importer wrote it before: the five columns alone.
        args[old] = dir_.filePath(QStringLiteral("old.sqlite"));
        QFile::remove(args[old]);
        QVERIFY(QFile::copy(database_, args[old]));
        SqliteDatabase(args[old], SqliteDatabase::ReadWrite)
            .exec("DROP TABLE city_names; DROP TABLE city_facts");
        const ToolRun search = runTool({QStringLiteral("search"), QStringLiteral("flor"),
                                        QStringLiteral("--database"), args[old]});
        QCOMPARE(search.exitCode, 0); // everything else still works
    }
    const ToolRun run =
        args.contains(QStringLiteral("--database"))
            ? runTool(QStringList{QStringLiteral("trip")} + args, {.outputFile = output})
            : runTool(trip(args), {.outputFile = output});
    QTEST(run.exitCode, "exitCode");
    QFETCH(QString, message);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.outBytes, QByteArray());
}

// RFC 7946: longitude first; a leg over the antimeridian is a MultiLineString cut
// at ±180; every point lies on the leg's great circle, at most 100 km apart.
void TestTripCli::geojsonAcrossThePacific() {
    const ToolRun run = runTool(
        trip({QStringLiteral("Tokyo"), QStringLiteral("Honolulu"), QStringLiteral("Los Angeles"),
              QStringLiteral("Auckland"), QStringLiteral("--format"), QStringLiteral("geojson"),
              QStringLiteral("--unit=km")}));
    QCOMPARE(run.exitCode, 0);
    QJsonParseError error;
    const QJsonObject collection = QJsonDocument::fromJson(run.outBytes, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(collection[QLatin1String("type")].toString(), QStringLiteral("FeatureCollection"));
    const QJsonArray features = collection[QLatin1String("features")].toArray();
    QCOMPARE(features.size(), 4 + 3);
    QList<std::pair<double, double>> stops; // lat, lon
    QStringList kinds;
    for (const QJsonValue& feature : features) {
        QCOMPARE(feature[QLatin1String("type")].toString(), QStringLiteral("Feature"));
        const QJsonObject geometry = feature[QLatin1String("geometry")].toObject();
        const QString type = geometry[QLatin1String("type")].toString();
        const QJsonObject properties = feature[QLatin1String("properties")].toObject();
        kinds << type;
        if (type == QLatin1String("Point")) {
            const QJsonArray c = geometry[QLatin1String("coordinates")].toArray();
            stops.append({c[1].toDouble(), c[0].toDouble()});
            continue;
        }
        const auto [latA, lonA] = stops[properties[QLatin1String("leg")].toInt() - 1];
        const auto [latB, lonB] = stops[properties[QLatin1String("leg")].toInt()];
        const double km = sphereKm({latA, lonA}, {latB, lonB});
        QVERIFY(std::fabs(properties[QLatin1String("distance")].toDouble() - km) <=
                kSameFigure * km);
        QCOMPARE(properties[QLatin1String("unit")].toString(), QStringLiteral("km"));
        QJsonArray lines = geometry[QLatin1String("coordinates")].toArray();
        if (type == QLatin1String("LineString"))
            lines = QJsonArray{lines};
        for (qsizetype l = 0; l < lines.size(); ++l) {
            const QJsonArray line = lines[l].toArray();
            QVERIFY(line.size() >= 2);
            for (qsizetype i = 0; i < line.size(); ++i) {
                const double lon = line[i][0].toDouble(), lat = line[i][1].toDouble();
                QVERIFY2(std::fabs(lon) <= 180 && std::fabs(lat) <= 90,
                         qPrintable(QStringLiteral("%1 %2").arg(lon).arg(lat)));
                QVERIFY(offGreatCircleMetres(latA, lonA, latB, lonB, lat, lon) < 1);
                if (i > 0) {
                    const double step = sphereKm(
                        {line[i - 1][1].toDouble(), line[i - 1][0].toDouble()}, {lat, lon});
                    QVERIFY2(step <= 100.001, qPrintable(QString::number(step)));
                }
            }
            if (l > 0) { // the cut: one piece ends at ±180 where the next begins at ∓180
                const QJsonArray before = lines[l - 1].toArray();
                const QJsonArray end = before.last().toArray(), start = line.first().toArray();
                QCOMPARE(std::fabs(end[0].toDouble()), 180.0);
                QCOMPARE(start[0].toDouble(), -end[0].toDouble());
                QCOMPARE(start[1].toDouble(), end[1].toDouble());
            }
        }
    }
    // Tokyo to Honolulu and Los Angeles to Auckland cross the antimeridian.
    QCOMPARE(kinds,
             (QStringList{QStringLiteral("Point"), QStringLiteral("Point"), QStringLiteral("Point"),
                          QStringLiteral("Point"), QStringLiteral("MultiLineString"),
                          QStringLiteral("LineString"), QStringLiteral("MultiLineString")}));
    QCOMPARE(stops.first().second, 139.69171); // Tokyo's longitude comes first
}

// CSV (RFC 4180), TSV, JSON and GeoJSON read back with Python's csv and json modules,
// fields intact: a field with a comma or a quote is quoted with its quotes doubled, a tab
// inside a TSV field becomes a space, numbers carry a point in any locale.
void TestTripCli::machineFormatsReadBack_data() {
    QTest::addColumn<QStringList>("args"); // DB is the test database
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastRow"); // %1: the distance field as written
    // The distance fields of the last rows as worked out apart from the tool (the
    // sphere's degrees times 60 times 1.1515 miles, a mile 1.609344 km).
    QTest::addColumn<QList<double>>("distances");
    const QStringList trip{QStringLiteral("trip"),      QStringLiteral("--database"),
                           QStringLiteral("DB"),        QStringLiteral("Florence"),
                           QStringLiteral("Paris"),     QStringLiteral("Berlin"),
                           QStringLiteral("--unit=km"), QStringLiteral("--total")};
    const QStringList search{QStringLiteral("search"), QStringLiteral("florence"),
                             QStringLiteral("--database"), QStringLiteral("DB")};
    const QStringList distance{QStringLiteral("distance")};
    const QString florence = QStringLiteral("Florence|Tuscany, Italy|43.77925|11.24626");
    const QList<double> tripKm{885.09822, 878.35519, 1763.45341};
    const QList<double> oneDegree{69.09};
    QTest::newRow("trip csv") << trip << QByteArray() << "csv" << 4 << "Total||||||%1|km||"
                              << tripKm;
    QTest::newRow("trip tsv") << trip << QByteArray() << "tsv" << 4 << "Total||||||%1|km||"
                              << tripKm;
    QTest::newRow("search csv") << search << QByteArray() << "csv" << 3 << florence
                                << QList<double>();
    QTest::newRow("search tsv") << search << QByteArray() << "tsv" << 3 << florence
                                << QList<double>();
    QTest::newRow("search json") << search << QByteArray() << "json" << 2 << florence
                                 << QList<double>();
    QTest::newRow("search geojson") << search << QByteArray() << "geojson" << 2 << florence
                                    << QList<double>();
    QTest::newRow("csv doubles quotes")
        << distance << QByteArray("Say \"Hi\", there - X\t0\t0\nB\t0\t1\n") << "csv" << 2
        << "Say \"Hi\", there - X|B|0|0|0|1|%1|mi|90|90" << oneDegree;
    QTest::newRow("tsv flattens tabs") << distance << QByteArray("A\tB - X\t0\t0\nC\t0\t1\n")
                                       << "tsv" << 2 << "A B - X|C|0|0|0|1|%1|mi|90|90" << oneDegree;
}

void TestTripCli::machineFormatsReadBack() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, format);
    const QString file = dir_.filePath(QStringLiteral("out.") + format);
    args.replaceInStrings(QRegularExpression(QStringLiteral("^DB$")), database_);
    args << QStringLiteral("--format") << format;
    const ToolRun run = runTool(
        args, {.input = input, .locale = QStringLiteral("de_DE.UTF-8"), .outputFile = file});
    QCOMPARE(run.exitCode, 0);

    QProcess python;
    python.start(
        QStringLiteral("python3"),
        {QStringLiteral("-c"),
         QStringLiteral(
             "import csv,json,sys\n"
             "name,kind=sys.argv[1:3]\n"
             "with open(name,newline='',encoding='utf-8') as f:\n"
             "  if kind=='json':\n"
             "    for c in json.load(f)['cities']:\n"
             "      print('|'.join(str(c[k]) for k in ('name','region','latitude','longitude')))\n"
             "  elif kind=='geojson':\n"
             "    for p in json.load(f)['features']:\n"
             "      q,x=p['properties'],p['geometry']['coordinates']\n"
             "      print('|'.join(map(str,(q['name'],q['region'],x[1],x[0]))))\n"
             "  else:\n"
             "    d=csv.excel_tab if kind=='tsv' else csv.excel\n"
             "    for r in csv.reader(f,dialect=d): print('|'.join(r))\n"),
         file, format});
    QVERIFY2(python.waitForFinished(), "python3 is installed by scripts/setup.sh");
    QCOMPARE(python.exitCode(), 0);
    const QStringList rows = QString::fromUtf8(python.readAllStandardOutput())
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QTEST(int(rows.size()), "rows");
    QFETCH(QString, lastRow);
    if (args.first() == QLatin1String("trip")) {
        QCOMPARE(rows.first(), QStringLiteral("from|to|from_latitude|from_longitude|to_latitude|"
                                              "to_longitude|distance|unit|initial_course|"
                                              "final_course"));
        QCOMPARE(rows.at(1).section(QLatin1Char('|'), 0, 1),
                 QStringLiteral("Florence - Tuscany, Italy|Paris - Île-de-France, France"));
    }
    QFETCH(QList<double>, distances);
    for (qsizetype i = 0; i < distances.size(); ++i) {
        const QString field =
            rows.at(rows.size() - distances.size() + i).section(QLatin1Char('|'), 6, 6);
        bool number = false;
        const double written = field.toDouble(&number); // C's reading: a point, no comma
        QVERIFY2(number && field.contains(QLatin1Char('.')), qPrintable(field));
        QVERIFY2(std::fabs(written - distances.at(i)) < 0.0005, qPrintable(field));
    }
    if (lastRow.contains(QLatin1String("%1")))
        lastRow = lastRow.arg(rows.last().section(QLatin1Char('|'), 6, 6));
    QCOMPARE(rows.last(), lastRow);
}

// The geodesic on the ellipsoid is GeographicLib's own, to a millimetre, and so are its courses.
void TestTripCli::wgs84AgreesWithGeodSolve() {
    const QString geodSolve = QStandardPaths::findExecutable(QStringLiteral("GeodSolve"));
    if (geodSolve.isEmpty())
        QSKIP("GeodSolve (geographiclib-tools) is not installed");
    QRandomGenerator random(20261208);
    QByteArray input;
    std::vector<std::array<double, 4>> pairs;
    for (int i = 0; i < 1000; ++i) {
        const std::array<double, 4> p{random.bounded(180.0) - 90, random.bounded(360.0) - 180,
                                      random.bounded(180.0) - 90, random.bounded(360.0) - 180};
        pairs.push_back(p);
        input += QByteArray::number(p[0], 'g', 17) + ' ' + QByteArray::number(p[1], 'g', 17) + ' ' +
                 QByteArray::number(p[2], 'g', 17) + ' ' + QByteArray::number(p[3], 'g', 17) + '\n';
    }
    QProcess process;
    process.start(geodSolve, {QStringLiteral("-i"), QStringLiteral("-p"), QStringLiteral("6")});
    process.write(input);
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished());
    const QList<QByteArray> lines = process.readAllStandardOutput().trimmed().split('\n');
    QCOMPARE(lines.size(), qsizetype(pairs.size()));
    for (size_t i = 0; i < pairs.size(); ++i) {
        const QList<QByteArray> fields = lines[qsizetype(i)].simplified().split(' ');
        const double reference = fields.value(2).toDouble();
        const auto& p = pairs[i];
        const double metres =
            legDistance(p[0], p[1], p[2], p[3], DistanceUnit::Kilometres, EarthModel::Wgs84) * 1000;
        QVERIFY2(std::fabs(metres - reference) <= 0.001,
                 qPrintable(QStringLiteral("%1: %2 m against %3 m")
                                .arg(QString::fromLatin1(input.split('\n')[qsizetype(i)]))
                                .arg(metres, 0, 'f', 6)
                                .arg(reference, 0, 'f', 6)));
        // The courses are its azimuths, within a hundredth of a degree.
        const auto course = legCourse(p[0], p[1], p[2], p[3], EarthModel::Wgs84);
        QVERIFY(course);
        for (const auto& [ours, theirs] : {std::pair{course->initial, fields.value(0).toDouble()},
                                           std::pair{course->final, fields.value(1).toDouble()}}) {
            const double apart = std::fabs(std::remainder(ours - theirs, 360.0));
            QVERIFY2(apart <= 0.01, qPrintable(QStringLiteral("%1: %2 against %3")
                                                   .arg(QString::fromLatin1(
                                                       input.split('\n')[qsizetype(i)]))
                                                   .arg(ours)
                                                   .arg(theirs)));
        }
    }
}

// distance takes the same options and, fed the trip's cities, prints the same.
void TestTripCli::distanceMeasuresAsTrip_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("text, km, total")
        << QStringList{QStringLiteral("--unit=km"), QStringLiteral("--total")};
    QTest::newRow("csv, wgs84") << QStringList{QStringLiteral("--format=csv"),
                                               QStringLiteral("--model=wgs84")};
    QTest::newRow("json, nmi") << QStringList{QStringLiteral("--format=json"),
                                              QStringLiteral("--unit=nmi")};
    QTest::newRow("geojson, total")
        << QStringList{QStringLiteral("--format=geojson"), QStringLiteral("--total")};
}

void TestTripCli::distanceMeasuresAsTrip() {
    QFETCH(QStringList, options);
    const QStringList names{QStringLiteral("Florence"), QStringLiteral("Paris"),
                            QStringLiteral("Tokyo"), QStringLiteral("Honolulu")};
    const ToolRun json = runTool(trip(QStringList(names) << QStringLiteral("--format=json")));
    QByteArray input;
    for (const QJsonValue& city :
         QJsonDocument::fromJson(json.outBytes)[QLatin1String("cities")].toArray())
        input += (city[QLatin1String("name")].toString() + QStringLiteral(" - ") +
                  city[QLatin1String("region")].toString())
                     .toUtf8() +
                 '\t' + QByteArray::number(city[QLatin1String("latitude")].toDouble(), 'g', 17) +
                 '\t' + QByteArray::number(city[QLatin1String("longitude")].toDouble(), 'g', 17) +
                 '\n';
    const QString file = dir_.filePath(QStringLiteral("trip.txt"));
    writeFile(file, input);
    const ToolRun byNames = runTool(trip(QStringList(names) + options));
    const ToolRun byLines = runTool(QStringList{QStringLiteral("distance"), file} + options);
    QCOMPARE(byLines.exitCode, 0);
    QCOMPARE(byLines.err, QString());
    QCOMPARE(QString::fromUtf8(byLines.outBytes), QString::fromUtf8(byNames.outBytes));
}

QTEST_GUILESS_MAIN(TestTripCli)
#include "tst_trip_cli.moc"
