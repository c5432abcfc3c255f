// Reading a GeoNames file (with its region and country lists) into the city database.
#include "import_checks.h"
#include "lookup/city_database.h"
#include "lookup/city_import.h"

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

} // namespace

class TestGeoNamesReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void geonamesRows_data();
    void geonamesRows();
    void geonamesSummary();
    void prefixSearchUsesTheIndex_data();
    void prefixSearchUsesTheIndex();
    void cityDetails_data();
    void cityDetails();
    void badInput_data();
    void badInput();

private:
    QTemporaryDir dir_;
    QString geonamesDb_;
    QString tripDb_;
    ImportSummary summary_;
};

void TestGeoNamesReader::initTestCase() {
    QVERIFY(dir_.isValid());
    geonamesDb_ = dir_.filePath(QStringLiteral("geonames.sqlite"));
    summary_ = importGeoNames(fixtureSources(), geonamesDb_);
    tripDb_ = dir_.filePath(QStringLiteral("trip.sqlite"));
    importGeoNames(tripFixtureSources(), tripDb_);
}

void TestGeoNamesReader::geonamesRows_data() {
    storedCityColumns();
    const auto row = storedCityRow;
    row("accented name, region and country", "Zürich", "zurich", "Zurich, Switzerland", 47.36667,
        8.55);
    row("ligature", "Vandœuvres", "vandoeuvres", "Geneva, Switzerland", 46.22179, 6.20285);
    row("typographic apostrophe", "Saint John’s", "saint john's",
        "Saint John Parish, Antigua and Barbuda", 17.12096, -61.84329);
    row("region without a name", "Tanki Leendert", "tanki leendert", "Aruba", 12.53914, -70.02004);
    row("no region code", "McMurdo Station", "mcmurdo station", "Antarctica", -77.84632, 166.66824);
    row("country outside ISO 3166-1", "Zvečan", "zvecan", "Mitrovica, Kosovo", 42.9075, 20.84028);
}

void TestGeoNamesReader::geonamesRows() {
    checkStoredRow(geonamesDb_);
}

void TestGeoNamesReader::geonamesSummary() {
    QCOMPARE(summary_.cities, qint64(288));
    QCOMPARE(summary_.withoutRegionName, qint64(6));
    QCOMPARE(summary_.unknownCountryCodes, QStringList());
    // The database is for every user of the program, not private to the importer.
    QVERIFY(QFileInfo(geonamesDb_).permissions() & QFileDevice::ReadOther);
}

// The fault guarded: a statement the index cannot serve scans the whole table
// (200,000 rows) for every search.
void TestGeoNamesReader::prefixSearchUsesTheIndex_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("prefix") << QStringLiteral("fiore");
    QTest::newRow("accented prefix") << QStringLiteral("Zür");
    QTest::newRow("wildcard after a prefix") << QStringLiteral("fi%re");
}

void TestGeoNamesReader::prefixSearchUsesTheIndex() {
    QFETCH(QString, text);
    const QStringList plan = queryPlan(geonamesDb_, cityStatement(text));
    QCOMPARE(plan.size(), 1);
    QVERIFY2(plan.first().startsWith(
                 QLatin1String("SEARCH cities USING INDEX cities_city (city>? AND city<?)")),
             qPrintable(plan.first()));
}

// Population, country and alternate names: folded, each once, without the
// city's own name, and nothing invented where the source has none.
void TestGeoNamesReader::cityDetails_data() {
    QTest::addColumn<QString>("accentCity");
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("population");
    QTest::addColumn<QString>("country");
    QTest::addColumn<QStringList>("names");
    const auto row = [](const char* tag, const char* accent, const char* region,
                        const char* population, const char* country, const char* names) {
        QTest::newRow(tag) << QString::fromUtf8(accent) << QString::fromUtf8(region)
                           << QString::fromLatin1(population) << QString::fromLatin1(country)
                           << QString::fromUtf8(names).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    };
    row("alternate names folded", "Florence", "Tuscany, Italy", "367150", "IT",
        "firenze|florencia|florenz|flr");
    row("other scripts", "Moscow", "Moscow, Russian Federation", "10381222", "RU",
        "moscou|moskau|moskva|москва");
    row("no alternate names", "Paris", "Texas, United States", "24782", "US", "");
}

void TestGeoNamesReader::cityDetails() {
    checkStoredDetails(tripDb_);
}

void TestGeoNamesReader::badInput_data() {
    QTest::addColumn<bool>("admin1"); // the bad file is the region list, not the cities
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    const QByteArray good =
        "1\tAlpha\tAlpha\t\t10.5\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tEurope/Rome\t2020-01-01\n";
    QTest::newRow("geonames latitude")
        << false
        << good + good + "3\tGamma\tGamma\t\tnorth\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 3 << "latitude \"north\"";
    QTest::newRow("geonames latitude beyond the pole")
        << false << good + "2\tB\tB\t\t90.5\t20.5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "latitude \"90.5\"";
    QTest::newRow("geonames longitude")
        << false << good + "2\tB\tB\t\t10\t20,5\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "longitude \"20,5\"";
    QTest::newRow("geonames too few fields") << false << good + "2\tBeta\t10\t20\n"
                                             << 2 << "found 4";
    QTest::newRow("geonames empty name")
        << false << good + "2\t\tB\t\t10\t20\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "name is empty";
    QTest::newRow("geonames not UTF-8")
        << false << good + "2\tB\xe9ta\tB\t\t10\t20\tP\tPPL\tIT\t\t16\t\t\t\t0\t\t1\tX\t2020\n"
        << 2 << "not UTF-8";
    QTest::newRow("admin1 broken JSON")
        << true << QByteArray("[{\"code\":\"IT.16\",\n\"name\":}]\n") << 2 << "not valid JSON";
}

void TestGeoNamesReader::badInput() {
    QFETCH(bool, admin1);
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, reason);
    checkRefused(content, line, reason, tripDb_, [&](const QString& input, const QString& output) {
        GeoNamesSources sources = fixtureSources();
        (admin1 ? sources.admin1 : sources.cities) = input;
        importGeoNames(sources, output);
    });
}

QTEST_GUILESS_MAIN(TestGeoNamesReader)
#include "tst_geonames_reader.moc"
