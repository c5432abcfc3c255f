// Building the city database from GeoNames and from CSV files.
#include "app/runtime_error.h"
#include "lookup/city_database.h"
#include "lookup/city_import.h"
#include "lookup/sqlite_database.h"
#include "lookup_fixture.h"

#include <QFileInfo>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace amb;
using namespace amb::test;

namespace {

struct StoredCity {
    QString city, region;
    double latitude = 0, longitude = 0;
    bool found = false;
};

StoredCity stored(const QString& database, const QString& accentCity) {
    SqliteDatabase db(database, SqliteDatabase::ReadOnly);
    SqliteStatement q(
        db, "SELECT city, Region, Latitude, Longitude FROM cities WHERE AccentCity = ?");
    q.bind(1, accentCity);
    if (!q.next())
        return {};
    return {q.text(0), q.text(1), q.real(2), q.real(3), true};
}

QStringList queryPlan(const QString& database, const CityStatement& statement) {
    SqliteDatabase db(database, SqliteDatabase::ReadOnly);
    SqliteStatement q(db, (QStringLiteral("EXPLAIN QUERY PLAN ") + statement.sql).toUtf8());
    for (qsizetype i = 0; i < statement.values.size(); ++i)
        q.bind(static_cast<int>(i + 1), statement.values.at(i).toString());
    QStringList plan;
    while (q.next())
        plan << q.text(3);
    return plan;
}

struct StoredDetails {
    QString population; // "NULL" when none is stored
    QString country;
    QStringList names;
};

StoredDetails storedDetails(const QString& database, const QString& accentCity,
                            const QString& region) {
    StoredDetails result;
    SqliteDatabase db(database, SqliteDatabase::ReadOnly);
    SqliteStatement q(db, "SELECT f.population, f.country, c.rowid FROM cities c JOIN city_facts "
                          "f ON f.id = c.rowid WHERE c.AccentCity = ? AND c.Region = ?");
    q.bind(1, accentCity);
    q.bind(2, region);
    if (!q.next()) {
        result.names << QStringLiteral("(no details stored)");
        return result;
    }
    const auto text = [&](int column) {
        return q.isNull(column) ? QStringLiteral("NULL") : q.text(column);
    };
    result.population = text(0);
    result.country = text(1);
    SqliteStatement n(db, "SELECT name FROM city_names WHERE id = ? ORDER BY name");
    n.bind(1, q.integer(2));
    while (n.next())
        result.names << n.text(0);
    return result;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCityImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void geonamesRows_data();
    void geonamesRows();
    void geonamesSummary();
    void prefixSearchUsesTheIndex_data();
    void prefixSearchUsesTheIndex();
    void csvRows_data();
    void csvRows();
    void cityDetails_data();
    void cityDetails();
    void badInput_data();
    void badInput();
    void replacesAnOlderDatabase();
    void missingOutputFolder();
    void temporaryFileOfAnEarlierImport_data();
    void temporaryFileOfAnEarlierImport();
    void fullDiskNamesTheDatabase();

private:
    void checkStoredRow(const QString& database);
    QTemporaryDir dir_;
    QString geonamesDb_;
    QString csvDb_;
    QString tripDb_;
    QString detailsCsvDb_;
    ImportSummary summary_;
};

// The current data row's city as the database holds it.
void TestCityImport::checkStoredRow(const QString& database) {
    QFETCH(QString, accentCity);
    const StoredCity s = stored(database, accentCity);
    QVERIFY(s.found);
    QTEST(s.city, "city");
    QTEST(s.region, "region");
    QTEST(s.latitude, "latitude");
    QTEST(s.longitude, "longitude");
}

void TestCityImport::initTestCase() {
    QVERIFY(dir_.isValid());
    geonamesDb_ = dir_.filePath(QStringLiteral("geonames.sqlite"));
    csvDb_ = dir_.filePath(QStringLiteral("csv.sqlite"));
    summary_ = importGeoNames(fixtureSources(), geonamesDb_);
    importCsv(testDataPath(QStringLiteral("cities.csv")), csvDb_);
    tripDb_ = dir_.filePath(QStringLiteral("trip.sqlite"));
    GeoNamesSources trip = fixtureSources();
    trip.cities = testDataPath(QStringLiteral("geonames-trip.txt"));
    importGeoNames(trip, tripDb_);
    const QString csv = dir_.filePath(QStringLiteral("details.csv"));
    writeFile(csv,
              "AccentCity,Region,Latitude,Longitude,population,CountryCode,AlternateNames,city\n"
              "Lyon,France,45.75,4.85,513275,fr,\"Lyons, Lugdunum,LYON,lyons\",\n"
              "Nowhere,Far,1,2,many,,,\n");
    detailsCsvDb_ = dir_.filePath(QStringLiteral("details.sqlite"));
    importCsv(csv, detailsCsvDb_);
}

void TestCityImport::geonamesRows_data() {
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("region");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    const auto row = [](const char* tag, const char* accent, const char* city, const char* region,
                        double lat, double lon) {
        QTest::newRow(tag) << QString::fromUtf8(accent) << QString::fromUtf8(city)
                           << QString::fromUtf8(region) << lat << lon;
    };
    row("accented name, region and country", "Zürich", "zurich", "Zurich, Switzerland", 47.36667,
        8.55);
    row("ligature", "Vandœuvres", "vandoeuvres", "Geneva, Switzerland", 46.22179, 6.20285);
    row("typographic apostrophe", "Saint John’s", "saint john's",
        "Saint John Parish, Antigua and Barbuda", 17.12096, -61.84329);
    row("region without a name", "Tanki Leendert", "tanki leendert", "Aruba", 12.53914, -70.02004);
    row("no region code", "McMurdo Station", "mcmurdo station", "Antarctica", -77.84632, 166.66824);
    row("country outside ISO 3166-1", "Zvečan", "zvecan", "Mitrovica, Kosovo", 42.9075, 20.84028);
}

void TestCityImport::geonamesRows() {
    checkStoredRow(geonamesDb_);
}

void TestCityImport::geonamesSummary() {
    QCOMPARE(summary_.cities, qint64(288));
    QCOMPARE(summary_.withoutRegionName, qint64(6));
    QCOMPARE(summary_.unknownCountryCodes, QStringList());
    // The database is for every user of the program, not private to the importer.
    QVERIFY(QFileInfo(geonamesDb_).permissions() & QFileDevice::ReadOther);
}

// The fault guarded: a statement the index cannot serve scans the whole table
// (200,000 rows) for every search.
void TestCityImport::prefixSearchUsesTheIndex_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("prefix") << QStringLiteral("fiore");
    QTest::newRow("accented prefix") << QStringLiteral("Zür");
    QTest::newRow("wildcard after a prefix") << QStringLiteral("fi%re");
}

void TestCityImport::prefixSearchUsesTheIndex() {
    QFETCH(QString, text);
    const QStringList plan = queryPlan(geonamesDb_, cityStatement(text));
    QCOMPARE(plan.size(), 1);
    QVERIFY2(plan.first().startsWith(
                 QLatin1String("SEARCH cities USING INDEX cities_city (city>? AND city<?)")),
             qPrintable(plan.first()));
}

void TestCityImport::csvRows_data() {
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("region");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    const auto row = [](const char* tag, const char* accent, const char* city, const char* region,
                        double lat, double lon) {
        QTest::newRow(tag) << QString::fromUtf8(accent) << QString::fromUtf8(city)
                           << QString::fromUtf8(region) << lat << lon;
    };
    row("city taken from AccentCity", "Évry", "evry", "Île-de-France, France", 48.6328, 2.44049);
    row("leading space kept", " Space Town", " space town", "Nowhere", 1.5, 2.5);
    row("empty region", "Lonely Place", "lonely place", "", 10.25, -20.75);
    row("given city folded, quotes", "Quoted, Name", "quoted", "Region \"Q\"", 0.0001, -0.5);
}

void TestCityImport::csvRows() {
    checkStoredRow(csvDb_);
}

// Population, country and alternate names: folded, each once, without the
// city's own name, and nothing invented where the source has none.
void TestCityImport::cityDetails_data() {
    QTest::addColumn<QString>("database"); // "geonames", "csv" or "csv with details"
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("population");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QStringList>("names");
    const auto row = [](const char* tag, const char* database, const char* accent,
                        const char* region, const char* population, const char* country,
                        const char* names) {
        QTest::newRow(tag) << QString::fromLatin1(database) << QString::fromUtf8(accent)
                           << QString::fromUtf8(region) << QString::fromLatin1(population)
                           << QString::fromLatin1(country)
                           << QString::fromUtf8(names).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    };
    row("geonames: alternate names folded", "geonames", "Florence", "Tuscany, Italy", "367150",
        "IT", "firenze|florencia|florenz|flr");
    row("geonames: other scripts", "geonames", "Moscow", "Moscow, Russian Federation", "10381222",
        "RU", "moscou|moskau|moskva|москва");
    row("geonames: no alternate names", "geonames", "Paris", "Texas, United States", "24782", "US",
        "");
    row("csv: optional columns, own name left out", "csv with details", "Lyon", "France", "513275",
        "FR", "lugdunum|lyons");
    row("csv: population not a number", "csv with details", "Nowhere", "Far", "NULL", "NULL", "");
    row("csv: no optional columns", "csv", "Évry", "Île-de-France, France", "NULL", "NULL", "");
}

void TestCityImport::cityDetails() {
    QFETCH(QString, database);
    QFETCH(QString, accentCity);
    QFETCH(QString, region);
    const QString path = database == QLatin1String("geonames") ? tripDb_
                         : database == QLatin1String("csv")    ? csvDb_
                                                               : detailsCsvDb_;
    const StoredDetails details = storedDetails(path, accentCity, region);
    QTEST(details.names, "names");
    QTEST(details.population, "population");
    QTEST(details.country, "country");
}

void TestCityImport::badInput_data() {
    QTest::addColumn<QString>("kind"); // "geonames", "admin1" or "csv"
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    const QByteArray good =
        "1\tAlpha\tAlpha\t\t10.5\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tEurope/Rome\t2020-01-01\n";
    QTest::newRow("geonames latitude")
        << "geonames"
        << good + good + "3\tGamma\tGamma\t\tnorth\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 3 << "latitude \"north\"";
    QTest::newRow("geonames latitude beyond the pole")
        << "geonames" << good + "2\tB\tB\t\t90.5\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "latitude \"90.5\"";
    QTest::newRow("geonames longitude")
        << "geonames" << good + "2\tB\tB\t\t10\t20,5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "longitude \"20,5\"";
    QTest::newRow("geonames too few fields") << "geonames" << good + "2\tBeta\t10\t20\n"
                                             << 2 << "found 4";
    QTest::newRow("geonames empty name")
        << "geonames" << good + "2\t\tB\t\t10\t20\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "name is empty";
    QTest::newRow("geonames not UTF-8")
        << "geonames" << good + "2\tB\xe9ta\tB\t\t10\t20\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "not UTF-8";
    QTest::newRow("admin1 broken JSON")
        << "admin1" << QByteArray("[{\"code\":\"IT.16\",\n\"name\":}]\n") << 2 << "not valid JSON";
    QTest::newRow("csv header") << "csv" << QByteArray("city,AccentCity,Region,Lat,Longitude\n")
                                << 1 << "missing: Latitude";
    QTest::newRow("csv field count")
        << "csv"
        << QByteArray(
               "city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n,Washington, D.C.,US,3,4\n")
        << 3 << "expected 5 fields";
    QTest::newRow("csv line after a quoted line break")
        << "csv"
        << QByteArray(
               "city,AccentCity,Region,Latitude,Longitude\n\"two\nlines\",Two,R,1,2\n,B,R,1,east\n")
        << 4 << "longitude \"east\"";
    // Characters that would split a name in the outputs or in the kept trip list.
    const QByteArray header = "city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n";
    QTest::newRow("csv tab in a name") << "csv" << header + ",\"Tab\there\",R,1,2\n"
                                       << 3 << "AccentCity holds a tab";
    QTest::newRow("csv line break in a name") << "csv" << header + ",\"Two\r\nLines\",R,1,2\n"
                                              << 3 << "AccentCity holds a line break";
    QTest::newRow("csv NUL in a name") << "csv" << header + ",A" + QByteArray(1, '\0') + "B,R,1,2\n"
                                       << 3 << "AccentCity holds a NUL character";
    QTest::newRow("csv semicolon in a region") << "csv" << header + ",B,\"R;S\",1,2\n"
                                               << 3 << "Region holds a \";\"";
    QTest::newRow("csv header without rows")
        << "csv" << QByteArray("city,AccentCity,Region,Latitude,Longitude\n\n") << 1
        << "holds no cities";
    QTest::newRow("csv unclosed quote")
        << "csv" << QByteArray("city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n,\"B,R,1,2\n")
        << 3 << "not closed";
    QTest::newRow("csv text after a closing quote")
        << "csv" << QByteArray("city,AccentCity,Region,Latitude,Longitude\n,\"A\"x,R,1,2\n") << 2
        << "closing quote";
    QTest::newRow("csv empty AccentCity")
        << "csv" << QByteArray("city,AccentCity,Region,Latitude,Longitude\nabc,,R,1,2\n") << 2
        << "AccentCity is empty";
}

// A bad row names its file and line, and whatever database was there before
// stays as it was: nothing half-written, no temporary file left behind.
void TestCityImport::badInput() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input"));
    writeFile(input, content);
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    QFile::copy(csvDb_, output);
    const QByteArray before = readAll(output);

    QString description;
    try {
        if (kind == QLatin1String("csv")) {
            importCsv(input, output);
        } else {
            GeoNamesSources sources = fixtureSources();
            (kind == QLatin1String("admin1") ? sources.admin1 : sources.cities) = input;
            importGeoNames(sources, output);
        }
    } catch (const RunTimeError& e) {
        description = e.description();
    }
    const QString where = QStringLiteral("%1:%2: ").arg(QDir::toNativeSeparators(input)).arg(line);
    QVERIFY2(description.startsWith(where), qPrintable(description));
    QVERIFY2(description.contains(reason), qPrintable(description));
    QCOMPARE(readAll(output), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("dbCities.sqlite"), QStringLiteral("input")}));
}

void TestCityImport::replacesAnOlderDatabase() {
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    QFile::copy(csvDb_, output);
    importGeoNames(fixtureSources(), output);
    QVERIFY(stored(output, QStringLiteral("Zürich")).found);
    QVERIFY(!stored(output, QStringLiteral("Lonely Place")).found);
}

void TestCityImport::missingOutputFolder() {
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("no/such/folder/dbCities.sqlite"));
    try {
        importCsv(testDataPath(QStringLiteral("cities.csv")), output);
        QFAIL("the import should fail");
    } catch (const RunTimeError& e) {
        QVERIFY2(e.description().contains(QLatin1String("does not exist")),
                 qPrintable(e.description()));
    }
}

void TestCityImport::temporaryFileOfAnEarlierImport_data() {
    QTest::addColumn<bool>("held"); // by an import still running
    QTest::addColumn<bool>("kept");
    QTest::newRow("left by a killed import") << false << false;
    QTest::newRow("of an import still running") << true << true;
}

void TestCityImport::temporaryFileOfAnEarlierImport() {
    QFETCH(bool, held);
    QFETCH(bool, kept);
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    const QString left = dir.filePath(QStringLiteral(".dbCities.sqlite.Ab12Cd.tmp"));
    const QString other = dir.filePath(QStringLiteral(".other.sqlite.Ab12Cd.tmp"));
    writeFile(left, "half a database");
    writeFile(other, "another database's");
    const int fd = ::open(QFile::encodeName(left).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(fd >= 0);
    if (held)
        QVERIFY(::flock(fd, LOCK_EX | LOCK_NB) == 0);
    importCsv(testDataPath(QStringLiteral("cities.csv")), output);
    ::close(fd);
    QCOMPARE(QFileInfo::exists(left), kept);
    QVERIFY(QFileInfo::exists(other));
    QVERIFY(stored(output, QStringLiteral("Zwolle")).found);
}

void TestCityImport::fullDiskNamesTheDatabase() {
    // The file-size limit makes the disk "full" for this process only; raised a page
    // at a time, it fails every stage of the import in turn, up to the first success.
    GeoNamesSources sources = fixtureSources();
    sources.cities = testDataPath(QStringLiteral("geonames-trip.txt"));
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    const QString expected = QStringLiteral("The database %1 could not be written: ")
                                 .arg(QDir::toNativeSeparators(output));
    int failures = 0;
    for (rlim_t limit = 4096; !QFileInfo::exists(output); limit += 4096) {
        QVERIFY(limit < 4 * 1024 * 1024);
        QString description;
        {
            const FileSizeLimit sizeLimit(limit);
            try {
                importGeoNames(sources, output);
                continue;
            } catch (const RunTimeError& e) {
                description = e.description();
            }
        }
        ++failures;
        QVERIFY2(description.startsWith(expected) && !description.contains(QLatin1String(".tmp")),
                 qPrintable(QStringLiteral("%1 bytes: %2").arg(limit).arg(description)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    QVERIFY(failures > 1);
}

QTEST_GUILESS_MAIN(TestCityImport)
#include "tst_city_import.moc"
