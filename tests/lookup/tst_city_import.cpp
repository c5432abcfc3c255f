// Reading a GeoNames file (with its region and country lists) or a CSV file into
// the city database.
#include "app/runtime_error.h"
#include "lookup/city_database.h"
#include "lookup/city_import.h"
#include "lookup_fixture.h"

#include <QFileInfo>

using namespace amb;
using namespace amb::test;

namespace {

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

// A city's population and country ("NULL" when none is stored), then its
// alternate names.
QStringList storedDetails(const QString& database, const QString& accentCity,
                          const QString& region) {
    SqliteDatabase db(database, SqliteDatabase::ReadOnly);
    SqliteStatement q(db, "SELECT f.population, f.country, c.rowid FROM cities c JOIN city_facts "
                          "f ON f.id = c.rowid WHERE c.AccentCity = ? AND c.Region = ?");
    q.bind(1, accentCity);
    q.bind(2, region);
    if (!q.next())
        return {QStringLiteral("(no details stored)")};
    const auto text = [&](int column) {
        return q.isNull(column) ? QStringLiteral("NULL") : q.text(column);
    };
    QStringList result{text(0), text(1)};
    SqliteStatement n(db, "SELECT name FROM city_names WHERE id = ? ORDER BY name");
    n.bind(1, q.integer(2));
    while (n.next())
        result << n.text(0);
    return result;
}

} // namespace

class TestCityImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void storedRows_data();
    void storedRows();
    void geonamesSummary();
    void prefixSearchUsesTheIndex_data();
    void prefixSearchUsesTheIndex();
    void cityDetails_data();
    void cityDetails();
    void badInput_data();
    void badInput();

private:
    QTemporaryDir dir_;
    QMap<QString, QString> databases_; // by the rows' names for them
    ImportSummary summary_;
};

void TestCityImport::initTestCase() {
    QVERIFY(dir_.isValid());
    for (const char* name : {"csv", "csv with details", "geonames", "trip"})
        databases_[QLatin1String(name)] =
            dir_.filePath(QString::fromLatin1(name) + QStringLiteral(".sqlite"));
    importCsv(testDataPath(QStringLiteral("cities.csv")), databases_[QStringLiteral("csv")]);
    const QString csv = dir_.filePath(QStringLiteral("details.csv"));
    writeFile(csv,
              "AccentCity,Region,Latitude,Longitude,population,CountryCode,AlternateNames,city\n"
              "Lyon,France,45.75,4.85,513275,fr,\"Lyons, Lugdunum,LYON,lyons\",\n"
              "Nowhere,Far,1,2,many,,,\n");
    importCsv(csv, databases_[QStringLiteral("csv with details")]);
    summary_ = importGeoNames(fixtureSources(), databases_[QStringLiteral("geonames")]);
    importGeoNames(tripFixtureSources(), databases_[QStringLiteral("trip")]);
}

void TestCityImport::storedRows_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("city");
    QTest::addColumn<QString>("region");
    QTest::addColumn<double>("latitude");
    QTest::addColumn<double>("longitude");
    const auto row = [](const char* tag, const char* database, const char* accent, const char* city,
                        const char* region, double latitude, double longitude) {
        QTest::newRow(tag) << QString::fromLatin1(database) << QString::fromUtf8(accent)
                           << QString::fromUtf8(city) << QString::fromUtf8(region) << latitude
                           << longitude;
    };
    row("csv: city taken from AccentCity", "csv", "Évry", "evry", "Île-de-France, France", 48.6328,
        2.44049);
    row("csv: leading space kept", "csv", " Space Town", " space town", "Nowhere", 1.5, 2.5);
    row("csv: empty region", "csv", "Lonely Place", "lonely place", "", 10.25, -20.75);
    row("csv: given city folded, quotes", "csv", "Quoted, Name", "quoted", "Region \"Q\"", 0.0001,
        -0.5);
    row("geonames: accented name, region and country", "geonames", "Zürich", "zurich",
        "Zurich, Switzerland", 47.36667, 8.55);
    row("geonames: ligature", "geonames", "Vandœuvres", "vandoeuvres", "Geneva, Switzerland",
        46.22179, 6.20285);
    row("geonames: typographic apostrophe", "geonames", "Saint John’s", "saint john's",
        "Saint John Parish, Antigua and Barbuda", 17.12096, -61.84329);
    row("geonames: region without a name", "geonames", "Tanki Leendert", "tanki leendert", "Aruba",
        12.53914, -70.02004);
    row("geonames: no region code", "geonames", "McMurdo Station", "mcmurdo station", "Antarctica",
        -77.84632, 166.66824);
    row("geonames: country outside ISO 3166-1", "geonames", "Zvečan", "zvecan", "Mitrovica, Kosovo",
        42.9075, 20.84028);
}

void TestCityImport::storedRows() {
    QFETCH(QString, database);
    QFETCH(QString, accentCity);
    const StoredCity s = stored(databases_.value(database), accentCity);
    QVERIFY(s.found);
    QTEST(s.city, "city");
    QTEST(s.region, "region");
    QTEST(s.latitude, "latitude");
    QTEST(s.longitude, "longitude");
}

void TestCityImport::geonamesSummary() {
    QCOMPARE(summary_.cities, qint64(288));
    QCOMPARE(summary_.withoutRegionName, qint64(6));
    QCOMPARE(summary_.unknownCountryCodes, QStringList());
    // The database is for every user of the program, not private to the importer.
    QVERIFY(QFileInfo(databases_.value(QStringLiteral("geonames"))).permissions() &
            QFileDevice::ReadOther);
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
    const QStringList plan =
        queryPlan(databases_.value(QStringLiteral("geonames")), cityStatement(text));
    QCOMPARE(plan.size(), 1);
    QVERIFY2(plan.first().startsWith(
                 QLatin1String("SEARCH cities USING INDEX cities_city (city>? AND city<?)")),
             qPrintable(plan.first()));
}

// Population, country and alternate names: folded, each once, without the
// city's own name, and nothing invented where the source has none.
void TestCityImport::cityDetails_data() {
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QStringList>("details"); // population|country|names...
    const auto row = [](const char* tag, const char* database, const char* accent,
                        const char* region, const char* details) {
        QTest::newRow(tag) << QString::fromLatin1(database) << QString::fromUtf8(accent)
                           << QString::fromUtf8(region)
                           << QString::fromUtf8(details).split(QLatin1Char('|'));
    };
    row("csv: optional columns, own name left out", "csv with details", "Lyon", "France",
        "513275|FR|lugdunum|lyons");
    row("csv: population not a number", "csv with details", "Nowhere", "Far", "NULL|NULL");
    row("csv: no optional columns", "csv", "Évry", "Île-de-France, France", "NULL|NULL");
    row("geonames: alternate names folded", "trip", "Florence", "Tuscany, Italy",
        "367150|IT|firenze|florencia|florenz|flr");
    row("geonames: other scripts", "trip", "Moscow", "Moscow, Russian Federation",
        "10381222|RU|moscou|moskau|moskva|москва");
    row("geonames: no alternate names", "trip", "Paris", "Texas, United States", "24782|US");
}

void TestCityImport::cityDetails() {
    QFETCH(QString, database);
    QFETCH(QString, accentCity);
    QFETCH(QString, region);
    QTEST(storedDetails(databases_.value(database), accentCity, region), "details");
}

void TestCityImport::badInput_data() {
    QTest::addColumn<QString>("source"); // "csv", or the GeoNames "cities" or "admin1" file
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    const auto row = [](const char* tag, const char* source, const QByteArray& content, int line,
                        const char* reason) {
        QTest::newRow(tag) << QString::fromLatin1(source) << content << line
                           << QString::fromUtf8(reason);
    };
    const QByteArray header = "city,AccentCity,Region,Latitude,Longitude\n";
    row("csv header", "csv", "city,AccentCity,Region,Lat,Longitude\n", 1, "missing: Latitude");
    row("csv field count", "csv", header + ",A,R,1,2\n,Washington, D.C.,US,3,4\n", 3,
        "expected 5 fields");
    row("csv line after a quoted line break", "csv",
        header + "\"two\nlines\",Two,R,1,2\n,B,R,1,east\n", 4, "longitude \"east\"");
    // Characters that would split a name in the outputs or in the kept trip list.
    const QByteArray first = header + ",A,R,1,2\n";
    row("csv tab in a name", "csv", first + ",\"Tab\there\",R,1,2\n", 3, "AccentCity holds a tab");
    row("csv line break in a name", "csv", first + ",\"Two\r\nLines\",R,1,2\n", 3,
        "AccentCity holds a line break");
    row("csv NUL in a name", "csv", first + ",A" + QByteArray(1, '\0') + "B,R,1,2\n", 3,
        "AccentCity holds a NUL character");
    row("csv semicolon in a region", "csv", first + ",B,\"R;S\",1,2\n", 3, "Region holds a \";\"");
    row("csv header without rows", "csv", header + "\n", 1, "holds no cities");
    row("csv unclosed quote", "csv", first + ",\"B,R,1,2\n", 3, "not closed");
    row("csv text after a closing quote", "csv", header + ",\"A\"x,R,1,2\n", 2, "closing quote");
    row("csv empty AccentCity", "csv", header + "abc,,R,1,2\n", 2, "AccentCity is empty");

    const QByteArray good =
        "1\tAlpha\tAlpha\t\t10.5\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tEurope/Rome\t2020-01-01\n";
    const QByteArray rest = "\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n";
    row("geonames latitude", "cities", good + good + "3\tGamma\tGamma\t\tnorth\t20.5" + rest, 3,
        "latitude \"north\"");
    row("geonames latitude beyond the pole", "cities", good + "2\tB\tB\t\t90.5\t20.5" + rest, 2,
        "latitude \"90.5\"");
    row("geonames longitude", "cities", good + "2\tB\tB\t\t10\t20,5" + rest, 2,
        "longitude \"20,5\"");
    row("geonames too few fields", "cities", good + "2\tBeta\t10\t20\n", 2, "found 4");
    row("geonames empty name", "cities", good + "2\t\tB\t\t10\t20" + rest, 2, "name is empty");
    row("geonames not UTF-8", "cities", good + "2\tB\xe9ta\tB\t\t10\t20" + rest, 2, "not UTF-8");
    row("admin1 broken JSON", "admin1", "[{\"code\":\"IT.16\",\n\"name\":}]\n", 2,
        "not valid JSON");
}

// A bad row names its file and line, and whatever database was there before
// stays as it was: nothing half-written, no temporary file left behind.
void TestCityImport::badInput() {
    QFETCH(QString, source);
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input"));
    writeFile(input, content);
    const QString output = dir.filePath(QStringLiteral("dbCities.sqlite"));
    QFile::copy(databases_.value(QStringLiteral("trip")), output);
    const QByteArray before = fileBytes(output);

    QString description;
    try {
        GeoNamesSources sources = fixtureSources();
        (source == u"admin1" ? sources.admin1 : sources.cities) = input;
        if (source == u"csv")
            importCsv(input, output);
        else
            importGeoNames(sources, output);
    } catch (const RunTimeError& e) {
        description = e.description();
    }
    const QString where = QStringLiteral("%1:%2: ").arg(QDir::toNativeSeparators(input)).arg(line);
    QVERIFY2(description.startsWith(where), qPrintable(description));
    QVERIFY2(description.contains(reason), qPrintable(description));
    QCOMPARE(fileBytes(output), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{QStringLiteral("dbCities.sqlite"), QStringLiteral("input")}));
}

QTEST_GUILESS_MAIN(TestCityImport)
#include "tst_city_import.moc"
