// Reading a CSV file into the city database.
#include "import_checks.h"
#include "lookup/city_database.h"
#include "lookup/city_import.h"

#include <QFileInfo>

using namespace amb;
using namespace amb::test;

class TestCsvReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void csvRows_data();
    void csvRows();
    void cityDetails_data();
    void cityDetails();
    void badInput_data();
    void badInput();

private:
    QTemporaryDir dir_;
    QString csvDb_;
    QString detailsCsvDb_;
};

void TestCsvReader::initTestCase() {
    QVERIFY(dir_.isValid());
    csvDb_ = dir_.filePath(QStringLiteral("csv.sqlite"));
    importCsv(testDataPath(QStringLiteral("cities.csv")), csvDb_);
    const QString csv = dir_.filePath(QStringLiteral("details.csv"));
    writeFile(csv,
              "AccentCity,Region,Latitude,Longitude,population,CountryCode,AlternateNames,city\n"
              "Lyon,France,45.75,4.85,513275,fr,\"Lyons, Lugdunum,LYON,lyons\",\n"
              "Nowhere,Far,1,2,many,,,\n");
    detailsCsvDb_ = dir_.filePath(QStringLiteral("details.sqlite"));
    importCsv(csv, detailsCsvDb_);
}

void TestCsvReader::csvRows_data() {
    storedCityColumns();
    const auto row = storedCityRow;
    row("city taken from AccentCity", "Évry", "evry", "Île-de-France, France", 48.6328, 2.44049);
    row("leading space kept", " Space Town", " space town", "Nowhere", 1.5, 2.5);
    row("empty region", "Lonely Place", "lonely place", "", 10.25, -20.75);
    row("given city folded, quotes", "Quoted, Name", "quoted", "Region \"Q\"", 0.0001, -0.5);
}

void TestCsvReader::csvRows() {
    checkStoredRow(csvDb_);
}

// Population, country and alternate names: folded, each once, without the
// city's own name, and nothing invented where the source has none.
void TestCsvReader::cityDetails_data() {
    QTest::addColumn<QString>("database"); // "csv" or "csv with details"
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
    row("optional columns, own name left out", "csv with details", "Lyon", "France", "513275", "FR",
        "lugdunum|lyons");
    row("population not a number", "csv with details", "Nowhere", "Far", "NULL", "NULL", "");
    row("no optional columns", "csv", "Évry", "Île-de-France, France", "NULL", "NULL", "");
}

void TestCsvReader::cityDetails() {
    QFETCH(QString, database);
    const QString path = database == QLatin1String("csv") ? csvDb_ : detailsCsvDb_;
    checkStoredDetails(path);
}

void TestCsvReader::badInput_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("header") << QByteArray("city,AccentCity,Region,Lat,Longitude\n") << 1
                            << "missing: Latitude";
    QTest::newRow("field count")

        << QByteArray(
               "city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n,Washington, D.C.,US,3,4\n")
        << 3 << "expected 5 fields";
    QTest::newRow("line after a quoted line break")

        << QByteArray(
               "city,AccentCity,Region,Latitude,Longitude\n\"two\nlines\",Two,R,1,2\n,B,R,1,east\n")
        << 4 << "longitude \"east\"";
    // Characters that would split a name in the outputs or in the kept trip list.
    const QByteArray header = "city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n";
    QTest::newRow("tab in a name") << header + ",\"Tab\there\",R,1,2\n"
                                   << 3 << "AccentCity holds a tab";
    QTest::newRow("line break in a name") << header + ",\"Two\r\nLines\",R,1,2\n"
                                          << 3 << "AccentCity holds a line break";
    QTest::newRow("NUL in a name") << header + ",A" + QByteArray(1, '\0') + "B,R,1,2\n"
                                   << 3 << "AccentCity holds a NUL character";
    QTest::newRow("semicolon in a region") << header + ",B,\"R;S\",1,2\n"
                                           << 3 << "Region holds a \";\"";
    QTest::newRow("header without rows")
        << QByteArray("city,AccentCity,Region,Latitude,Longitude\n\n") << 1 << "holds no cities";
    QTest::newRow("unclosed quote")
        << QByteArray("city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n,\"B,R,1,2\n") << 3
        << "not closed";
    QTest::newRow("text after a closing quote")
        << QByteArray("city,AccentCity,Region,Latitude,Longitude\n,\"A\"x,R,1,2\n") << 2
        << "closing quote";
    QTest::newRow("empty AccentCity")
        << QByteArray("city,AccentCity,Region,Latitude,Longitude\nabc,,R,1,2\n") << 2
        << "AccentCity is empty";
}

void TestCsvReader::badInput() {
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    QFETCH(QString, reason);
    checkRefused(content, line, reason, csvDb_,
                 [](const QString& input, const QString& output) { importCsv(input, output); });
}

QTEST_GUILESS_MAIN(TestCsvReader)
#include "tst_csv_reader.moc"
