// Close names for a misspelt city: a slip anywhere in the name, the likely city first.
#include "lookup/city_resolve.h"
#include "lookup_fixture.h"

using namespace amb;
using namespace amb::test;

class TestCityResolve : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void typingDistance_data();
    void typingDistance();
    void closeNames_data();
    void closeNames();
    void closeNamesOfLongNames_data();
    void closeNamesOfLongNames();

private:
    QTemporaryDir dir_;
    QString database_;
};

void TestCityResolve::initTestCase() {
    QVERIFY(dir_.isValid());
    database_ = dir_.filePath(QStringLiteral("trip.sqlite"));
    importGeoNames(tripFixtureSources(), database_);
}

void TestCityResolve::typingDistance_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("slips");
    const auto row = [](const char* tag, const char* typed, const char* name, int slips) {
        QTest::newRow(tag) << QString::fromUtf8(typed) << QString::fromUtf8(name) << slips;
    };
    row("same", "rome", "rome", 0);
    row("swapped first letters", "rmoe", "rome", 1);
    row("swapped at the end", "berlni", "berlin", 1);
    row("missing letter", "flornce", "florence", 1);
    row("extra letter", "tokkyo", "tokyo", 1);
    row("wrong letter", "paros", "paris", 1);
    row("two slips", "brlein", "berlin", 2);
    row("empty against a name", "", "roma", 4);
}

void TestCityResolve::typingDistance() {
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QTEST(int(amb::typingDistance(typed, name)), "slips");
    QTEST(int(amb::typingDistance(name, typed)), "slips");
}

// The first close name is the city a person most likely meant: the fewest
// slips, a city's own name before an alternate one, then the most populous.
void TestCityResolve::closeNames_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("first");
    const auto row = [](const char* tag, const char* typed, const char* first) {
        QTest::newRow(tag) << QString::fromUtf8(typed) << QString::fromUtf8(first);
    };
    row("first two letters swapped", "Rmoe", "Rome - Lazio, Italy");
    row("swap inside the name", "Brelin", "Berlin - State of Berlin, Germany");
    row("swap after the first letter", "Tkoyo", "Tokyo - Tokyo, JP");
    row("first letter wrong", "Lunich", "Munich - Bavaria, Germany");
    row("first letter missing", "uckland", "Auckland - Auckland, New Zealand");
    row("slip in the second word", "Los Angelse", "Los Angeles - California, United States");
    row("most populous of a name", "Pariss", "Paris - Île-de-France, France");
    row("alternate name", "Moskwa", "Moscow - Moscow, Russian Federation");
    // Characters a lookup must quote, where the slip is.
    row("quote for the first letter", "\"ome", "Rome - Lazio, Italy");
    row("backslash for the second letter", "R\\me", "Rome - Lazio, Italy");
    QTest::newRow("NUL for the first letter")
        << QString(QChar(0)) + QStringLiteral("ome") << QStringLiteral("Rome - Lazio, Italy");
}

void TestCityResolve::closeNames() {
    QFETCH(QString, typed);
    CityResolver resolver(database_);
    const NameMatch match = resolver.resolve(typed);
    QVERIFY(match.matches.empty());
    QVERIFY(!match.closeNames.empty());
    QTEST(match.closeNames.front().text(), "first");
}

// Long names: a slip near the start of a name far longer than any slip looked up
// whole, where so many names share the first letters that the scan of them stops
// at its limit; and names longer than any stored one, which are close to nothing.
void TestCityResolve::closeNamesOfLongNames_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("first"); // empty: no close name
    const QString longName = QStringLiteral("Sa") + QStringLiteral("ndbergavik").repeated(30);
    const QString longCity = longName + QStringLiteral(" - Far, Away");
    const auto slipAt = [&](qsizetype at, QStringView slip, qsizetype replaced) {
        return QString(longName).replace(at, replaced, slip.toString());
    };
    QTest::newRow("letter wrong near the start") << slipAt(4, u"x", 1) << longCity;
    QTest::newRow("letter missing near the start") << slipAt(3, u"", 1) << longCity;
    QTest::newRow("letter extra near the start") << slipAt(5, u"q", 0) << longCity;
    QTest::newRow("two letters swapped at the start") << slipAt(0, u"aS", 2) << longCity;
    QTest::newRow("letter wrong at the end") << slipAt(longName.size() - 1, u"x", 1) << longCity;
    QTest::newRow("ten thousand letters")
        << QStringLiteral("Sa") + QString(9998, QLatin1Char('n')) << QString();
    QTest::newRow("a stored name and ten thousand letters more")
        << longName + QString(10000, QLatin1Char('n')) << QString();
}

void TestCityResolve::closeNamesOfLongNames() {
    QFETCH(QString, typed);
    static const QString database = [this] {
        const QString longName = QStringLiteral("Sa") + QStringLiteral("ndbergavik").repeated(30);
        QByteArray csv("city,AccentCity,Region,Latitude,Longitude\n");
        csv += longName.toLower().toUtf8() + ',' + longName.toUtf8() + ",\"Far, Away\",1,2\n";
        for (int i = 0; i < 6000; ++i)
            csv += QStringLiteral("sa %1,Sa %1,Region,3,4\n").arg(i, 4, 10, QLatin1Char('0')).toUtf8();
        const QString path = dir_.filePath(QStringLiteral("long.sqlite"));
        writeFile(dir_.filePath(QStringLiteral("long.csv")), csv);
        importCsv(dir_.filePath(QStringLiteral("long.csv")), path);
        return path;
    }();
    CityResolver resolver(database);
    const NameMatch match = resolver.resolve(typed);
    QVERIFY(match.matches.empty());
    QTEST(match.closeNames.empty() ? QString() : match.closeNames.front().text(), "first");
}

QTEST_GUILESS_MAIN(TestCityResolve)
#include "tst_city_resolve.moc"
