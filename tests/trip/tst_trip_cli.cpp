// The command-line trip: names to cities, units, models and the output formats.
#include "distance/leg_measure.h"
#include "distance/zip_distance.h"
#include "lookup/city_import.h"
#include "lookup/sqlite_database.h"
#include "support/test_helpers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace amb;
using namespace amb::test;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run runCli(const QStringList& args, const QString& outputFile = {}) {
    QProcess process;
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(qEnvironmentVariable("AMBREVALE_CLI"), args);
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList stopTexts(const QJsonObject& trip) {
    QStringList texts;
    for (const QJsonValue& leg : trip.value(QLatin1String("legs")).toArray()) {
        if (texts.isEmpty())
            texts << leg[QLatin1String("from")].toString();
        texts << leg[QLatin1String("to")].toString();
    }
    return texts;
}

// A point's distance in metres from the plane of the great circle through a and b,
// on the program's sphere (a degree is 60 nautical miles).
double offGreatCircleMetres(double latA, double lonA, double latB, double lonB, double lat,
                            double lon) {
    const auto unit = [](double la, double lo) {
        const long double r = 3.141592653589793238462643383279502884L / 180;
        return std::array<long double, 3>{std::cos(la * r) * std::cos(lo * r),
                                          std::cos(la * r) * std::sin(lo * r), std::sin(la * r)};
    };
    const auto a = unit(latA, lonA), b = unit(latB, lonB), p = unit(lat, lon);
    const std::array<long double, 3> n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                       a[0] * b[1] - a[1] * b[0]};
    const long double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const long double sine = (n[0] * p[0] + n[1] * p[1] + n[2] * p[2]) / length;
    const double radiusMetres = 60 * 180 / 3.14159265 * 1852;
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
    importGeoNames({testDataPath(QStringLiteral("geonames-trip.txt")),
                    testDataPath(QStringLiteral("geonames-admin1.json")),
                    testDataPath(QStringLiteral("iso_3166-1.json"))},
                   database_);
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
    const Run run = runCli(trip(names << QStringLiteral("--format=json")));
    QCOMPARE(run.exitCode, 0);
    QTEST(stopTexts(QJsonDocument::fromJson(run.out).object()), "stops");
    if (note.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(note), qPrintable(run.err));
}

// Kilometres and nautical miles come from the window's angle on the window's sphere;
// the total is the sum of the legs.
void TestTripCli::unitsComeFromOneAngle_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("perNauticalMile");
    QTest::newRow("mi") << QStringLiteral("mi") << 1.1515;
    QTest::newRow("km") << QStringLiteral("km") << 1.852;
    QTest::newRow("nmi") << QStringLiteral("nmi") << 1.0;
}

void TestTripCli::unitsComeFromOneAngle() {
    QFETCH(QString, unit);
    QFETCH(double, perNauticalMile);
    const QStringList names{QStringLiteral("Florence"), QStringLiteral("Paris"),
                            QStringLiteral("Tokyo")};
    const QJsonObject nautical =
        QJsonDocument::fromJson(
            runCli(trip(QStringList(names) << QStringLiteral("--format=json")
                                           << QStringLiteral("--unit") << QStringLiteral("nmi")))
                .out)
            .object();
    const Run run = runCli(trip(QStringList(names) << QStringLiteral("--format=json")
                                                   << QStringLiteral("--unit") << unit));
    const QJsonObject result = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(result[QLatin1String("unit")].toString(), unit);
    const QJsonArray legs = result[QLatin1String("legs")].toArray();
    QCOMPARE(legs.size(), 2);
    double sum = 0;
    for (qsizetype i = 0; i < legs.size(); ++i) {
        const double d = legs[i][QLatin1String("distance")].toDouble();
        const double n = nautical[QLatin1String("legs")][i][QLatin1String("distance")].toDouble();
        QVERIFY(qFuzzyCompare(d, n * perNauticalMile));
        sum += d;
    }
    QVERIFY(qFuzzyCompare(result[QLatin1String("total")].toDouble(), sum));
}

// In miles the trip prints the window's sentences, and --total one more line.
void TestTripCli::milesAreTheWindowsSentences() {
    const Run run = runCli(trip({QStringLiteral("Florence"), QStringLiteral("Paris"),
                                 QStringLiteral("Paris"), QStringLiteral("--total")}));
    QCOMPARE(run.exitCode, 0);
    const double miles = modZipDistance::calculate_mileage(43.77925, 48.85341, 11.24626, 2.3488);
    const QString leg = modZipDistance::milesText(modZipDistance::roundToCents(miles));
    QCOMPARE(QString::fromUtf8(run.out),
             QStringLiteral("Distance between Florence - Tuscany, Italy and Paris - "
                            "Île-de-France, France is %1 miles\n"
                            "Distance between Paris - Île-de-France, France and Paris - "
                            "Île-de-France, France is 0 miles\n"
                            "Total distance is %1 miles\n")
                 .arg(leg));
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
        const Run search = runCli({QStringLiteral("search"), QStringLiteral("flor"),
                                   QStringLiteral("--database"), args[old]});
        QCOMPARE(search.exitCode, 0); // everything else still works
    }
    const Run run = args.contains(QStringLiteral("--database"))
                        ? runCli(QStringList{QStringLiteral("trip")} + args, output)
                        : runCli(trip(args), output);
    QTEST(run.exitCode, "exitCode");
    QFETCH(QString, message);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.out, QByteArray());
}

// RFC 7946: longitude first; a leg over the antimeridian is a MultiLineString cut
// at ±180; every point lies on the leg's great circle, at most 100 km apart.
void TestTripCli::geojsonAcrossThePacific() {
    const Run run = runCli(
        trip({QStringLiteral("Tokyo"), QStringLiteral("Honolulu"), QStringLiteral("Los Angeles"),
              QStringLiteral("Auckland"), QStringLiteral("--format"), QStringLiteral("geojson"),
              QStringLiteral("--unit=km")}));
    QCOMPARE(run.exitCode, 0);
    QJsonParseError error;
    const QJsonObject collection = QJsonDocument::fromJson(run.out, &error).object();
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
        QVERIFY(properties[QLatin1String("distance")].toDouble() > 0);
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
                    const double km =
                        modZipDistance::central_angle_degrees(line[i - 1][1].toDouble(), lat,
                                                              line[i - 1][0].toDouble(), lon) *
                        60 * 1.852;
                    QVERIFY2(km <= 100.001, qPrintable(QString::number(km)));
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

// CSV (RFC 4180) and TSV read back with Python's csv module, fields intact: a
// region with a comma is quoted, numbers carry a point in any locale.
void TestTripCli::machineFormatsReadBack_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("lastRow");
    QTest::newRow("trip csv") << "trip"
                              << "csv" << 4 << "Total||||||%1|km";
    QTest::newRow("trip tsv") << "trip"
                              << "tsv" << 4 << "Total||||||%1|km";
    QTest::newRow("search csv") << "search"
                                << "csv" << 3 << "Florence|Tuscany, Italy|43.77925|11.24626";
}

void TestTripCli::machineFormatsReadBack() {
    QFETCH(QString, command);
    QFETCH(QString, format);
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 is not installed");
    const QString file = dir_.filePath(QStringLiteral("out.") + format);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    run.setProcessEnvironment(env);
    run.setStandardOutputFile(file);
    const QStringList args =
        command == QLatin1String("trip")
            ? trip({QStringLiteral("Florence"), QStringLiteral("Paris"), QStringLiteral("Berlin"),
                    QStringLiteral("--unit=km"), QStringLiteral("--total"),
                    QStringLiteral("--format"), format})
            : QStringList{QStringLiteral("search"),     QStringLiteral("florence"),
                          QStringLiteral("--database"), database_,
                          QStringLiteral("--format"),   format};
    run.start(qEnvironmentVariable("AMBREVALE_CLI"), args);
    QVERIFY(run.waitForFinished());
    QCOMPARE(run.exitCode(), 0);

    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv,sys\n"
                                 "d=csv.excel_tab if sys.argv[2]=='tsv' else csv.excel\n"
                                 "with open(sys.argv[1],newline='',encoding='utf-8') as f:\n"
                                 "  for r in csv.reader(f,dialect=d): print('|'.join(r))\n"),
                  file, format});
    QVERIFY(python.waitForFinished());
    QCOMPARE(python.exitCode(), 0);
    const QStringList rows = QString::fromUtf8(python.readAllStandardOutput())
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QTEST(int(rows.size()), "rows");
    QFETCH(QString, lastRow);
    if (command == QLatin1String("trip")) {
        QCOMPARE(rows.first(), QStringLiteral("from|to|from_latitude|from_longitude|to_latitude|"
                                              "to_longitude|distance|unit"));
        QCOMPARE(rows.at(1).section(QLatin1Char('|'), 0, 1),
                 QStringLiteral("Florence - Tuscany, Italy|Paris - Île-de-France, France"));
        double sum = 0;
        for (int i = 1; i <= 2; ++i)
            sum += rows.at(i).section(QLatin1Char('|'), 6, 6).toDouble();
        const double total = rows.last().section(QLatin1Char('|'), 6, 6).toDouble();
        QVERIFY(qFuzzyCompare(total, sum));
        lastRow = lastRow.arg(rows.last().section(QLatin1Char('|'), 6, 6));
    }
    QCOMPARE(rows.last(), lastRow);
}

// The geodesic on the ellipsoid is GeographicLib's own, to a millimetre.
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
        const double reference = lines[qsizetype(i)].simplified().split(' ').value(2).toDouble();
        const auto& p = pairs[i];
        const double metres =
            legDistance(p[0], p[1], p[2], p[3], DistanceUnit::Kilometres, EarthModel::Wgs84) * 1000;
        QVERIFY2(std::fabs(metres - reference) <= 0.001,
                 qPrintable(QStringLiteral("%1: %2 m against %3 m")
                                .arg(QString::fromLatin1(input.split('\n')[qsizetype(i)]))
                                .arg(metres, 0, 'f', 6)
                                .arg(reference, 0, 'f', 6)));
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
    const Run json = runCli(trip(QStringList(names) << QStringLiteral("--format=json")));
    QByteArray input;
    for (const QJsonValue& city :
         QJsonDocument::fromJson(json.out)[QLatin1String("cities")].toArray())
        input += (city[QLatin1String("name")].toString() + QStringLiteral(" - ") +
                  city[QLatin1String("region")].toString())
                     .toUtf8() +
                 '\t' + QByteArray::number(city[QLatin1String("latitude")].toDouble(), 'g', 17) +
                 '\t' + QByteArray::number(city[QLatin1String("longitude")].toDouble(), 'g', 17) +
                 '\n';
    const QString file = dir_.filePath(QStringLiteral("trip.txt"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(input);
    f.close();
    const Run byNames = runCli(trip(QStringList(names) + options));
    const Run byLines = runCli(QStringList{QStringLiteral("distance"), file} + options);
    QCOMPARE(byLines.exitCode, 0);
    QCOMPARE(byLines.err, QString());
    QCOMPARE(QString::fromUtf8(byLines.out), QString::fromUtf8(byNames.out));
}

QTEST_GUILESS_MAIN(TestTripCli)
#include "tst_trip_cli.moc"
