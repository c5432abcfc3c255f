#include "app/runtime_error.h"
#include "distance/zip_distance.h"
#include "support/fake_platform.h"

#include <QLocale>
#include <QTest>
#include <bit>
#include <cfenv>
#include <cstdint>
#include <limits>

using namespace amb;
using namespace amb::modZipDistance;

class TestDistanceFormula : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void constantsHaveTheirBitPatterns_data();
    void constantsHaveTheirBitPatterns();
    void sentences_data();
    void sentences();
    void sameSpotIsZeroWithoutReport_data();
    void sameSpotIsZeroWithoutReport();
    void cosineBeyondOneFailsInArcCosine();
    void roundsHalfToEvenOnTheExactValue_data();
    void roundsHalfToEvenOnTheExactValue();
    void milesTextFollowsTheLocale_data();
    void milesTextFollowsTheLocale();
    void failedDistanceIsReportedAsZeroMiles_data();
    void failedDistanceIsReportedAsZeroMiles();
    void statusFlagsBecomeRunTimeErrors_data();
    void statusFlagsBecomeRunTimeErrors();
    void staleStatusDoesNotCount();
    void coordinatesFromText_data();
    void coordinatesFromText();
};

void TestDistanceFormula::constantsHaveTheirBitPatterns_data() {
    QTest::addColumn<double>("constant");
    QTest::addColumn<quint64>("bits");
    QTest::newRow("3.14159265") << kPiForDegrees << Q_UINT64_C(0x400921FB53C8D4F1);
    QTest::newRow("180") << kHalfCircle << Q_UINT64_C(0x4066800000000000);
    QTest::newRow("1.5707963267949") << kHalfPi << Q_UINT64_C(0x3FF921FB54442D28);
    QTest::newRow("3.14159265358979") << kPiForArc << Q_UINT64_C(0x400921FB54442D11);
    QTest::newRow("60") << kNauticalMilesPerDegree << Q_UINT64_C(0x404E000000000000);
    QTest::newRow("1.1515") << kStatuteMilesPerNautical << Q_UINT64_C(0x3FF26C8B43958106);
}

void TestDistanceFormula::constantsHaveTheirBitPatterns() {
    QFETCH(double, constant);
    QFETCH(quint64, bits);
    QCOMPARE(std::bit_cast<quint64>(constant), bits);
}

void TestDistanceFormula::sentences_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<QString>("expected");
    const QString a = QStringLiteral("A - X"), b = QStringLiteral("B - Y");
    QTest::newRow("one degree on the equator")
        << a << b << 0.0 << 0.0 << 0.0 << 1.0 << QStringLiteral("Distance between A - X and B - Y is 69.09 miles");
    // x is exactly -1: arc_cosine's own constant, a hair above 180 degrees.
    QTest::newRow("antipodal") << a << b << 0.0 << 0.0 << 0.0 << 180.0
                               << QStringLiteral("Distance between A - X and B - Y is 12436.2 miles");
    QTest::newRow("pole to pole") << a << b << 90.0 << -90.0 << 0.0 << 0.0
                                  << QStringLiteral("Distance between A - X and B - Y is 12436.2 miles");
    QTest::newRow("Paris to London")
        << QStringLiteral("Paris - A8") << QStringLiteral("London - H9") << 48.8566 << 51.5074
        << 2.3522 << -0.1278 << QStringLiteral("Distance between Paris - A8 and London - H9 is 213.47 miles");
    QTest::newRow("Sydney to Lima") << a << b << -33.8688 << -12.0464 << 151.2093 << -77.0428
                                    << QStringLiteral("Distance between A - X and B - Y is 7953.07 miles");
    QTest::newRow("across the date line") << a << b << 64.8378 << 64.7333 << -147.7164 << 177.5
                                          << QStringLiteral("Distance between A - X and B - Y is 1010.9 miles");
    QTest::newRow("nearly antipodal")
        << a << b << 10.0 << -10.0 << 0.5 << -179.0 << QStringLiteral("Distance between A - X and B - Y is 12402.18 miles");
    // Equal texts: the coordinates are not looked at, not even when they are absurd.
    QTest::newRow("equal texts, far apart")
        << a << a << 0.0 << 10.0 << 0.0 << 10.0 << QStringLiteral("Distance between A - X and A - X is 0 miles");
    QTest::newRow("equal texts, not numbers")
        << a << a << std::numeric_limits<double>::quiet_NaN() << 1e308
        << std::numeric_limits<double>::infinity() << -1e308 << QStringLiteral("Distance between A - X and A - X is 0 miles");
    QTest::newRow("texts differing in case are measured")
        << QStringLiteral("Paris - A8") << QStringLiteral("paris - A8") << 0.0 << 0.0 << 0.0 << 1.0
        << QStringLiteral("Distance between Paris - A8 and paris - A8 is 69.09 miles");
    QTest::newRow("texts kept as they are")
        << QStringLiteral(" São Paulo - 27 ") << QStringLiteral("") << 0.0 << 0.0 << 0.0 << 1.0
        << QStringLiteral("Distance between  São Paulo - 27  and  is 69.09 miles");
}

void TestDistanceFormula::sentences() {
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(double, lat1);
    QFETCH(double, lat2);
    QFETCH(double, lon1);
    QFETCH(double, lon2);
    QFETCH(QString, expected);
    test::FakePlatform platform;
    QCOMPARE(GetDistance(platform, first, second, lat1, lat2, lon1, lon2), expected);
    // The other way round, the same miles.
    const QString back = GetDistance(platform, second, first, lat2, lat1, lon2, lon1);
    QCOMPARE(back.mid(back.lastIndexOf(QStringLiteral(" is "))),
             expected.mid(expected.lastIndexOf(QStringLiteral(" is "))));
    QCOMPARE(platform.boxTexts(), QStringList());
}

// The same spot under two names: rounding leaves the cosine at exactly 1, just
// below it or just above it, depending on the coordinates.
void TestDistanceFormula::sameSpotIsZeroWithoutReport_data() {
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<int>("side"); // sign of cosine - 1
    QTest::newRow("London: exactly 1") << 51.5074 << -0.1278 << 0;
    QTest::newRow("Paris: just below 1") << 48.8566 << 2.3522 << -1;
    QTest::newRow("Accra: just above 1") << 5.6037 << -0.187 << 1;
}

void TestDistanceFormula::sameSpotIsZeroWithoutReport() {
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(int, side);
    const double x = central_angle_cosine(lat, lat, lon, lon);
    QCOMPARE((x > 1) - (x < 1), side);
    QVERIFY(calculate_mileage(lat, lat, lon, lon) < 0.005);
    test::FakePlatform platform;
    QCOMPARE(
        GetDistance(platform, QStringLiteral("Here"), QStringLiteral("There"), lat, lat, lon, lon),
        QStringLiteral("Distance between Here and There is 0 miles"));
    QCOMPARE(platform.boxTexts(), QStringList());
}

void TestDistanceFormula::cosineBeyondOneFailsInArcCosine() {
    QCOMPARE(arc_cosine(1.0), 0.0);
    QCOMPARE(arc_cosine(-1.0), kPiForArc);
    for (const double x : {std::nextafter(1.0, 2.0), std::nextafter(-1.0, -2.0)}) {
        try {
            arc_cosine(x);
            QFAIL("arc_cosine beyond 1 did not fail");
        } catch (const RunTimeError& e) {
            QCOMPARE(e.number(), err::InvalidProcedureCall);
            QVERIFY(e.description().contains(QStringLiteral("square root")));
        }
    }
}

void TestDistanceFormula::roundsHalfToEvenOnTheExactValue_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    // Exactly representable halves go to the even cent.
    QTest::newRow("0.125") << 0.125 << 0.12;
    QTest::newRow("0.375") << 0.375 << 0.38;
    QTest::newRow("0.625") << 0.625 << 0.62;
    QTest::newRow("12436.875") << 12436.875 << 12436.88;
    // Decimals that only look like halves: the double lies below or above the half,
    // which multiplying by 100 first would hide.
    QTest::newRow("1.115 lies below") << 1.115 << 1.11;
    QTest::newRow("2.675 lies below") << 2.675 << 2.67;
    QTest::newRow("0.015 lies below") << 0.015 << 0.01;
    QTest::newRow("0.025 lies above") << 0.025 << 0.03;
    QTest::newRow("0.005 lies above") << 0.005 << 0.01;
    QTest::newRow("just below a half") << std::nextafter(0.125, 0.0) << 0.12;
    QTest::newRow("just above a half") << std::nextafter(0.125, 1.0) << 0.13;
    QTest::newRow("whole") << 69.0 << 69.0;
    QTest::newRow("tiny") << 1e-9 << 0.0;
}

void TestDistanceFormula::roundsHalfToEvenOnTheExactValue() {
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(std::bit_cast<quint64>(roundToCents(value)), std::bit_cast<quint64>(rounded));
}

void TestDistanceFormula::milesTextFollowsTheLocale_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("miles");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C 69.09") << c << 69.09 << QStringLiteral("69.09");
    QTest::newRow("C 12436.2") << c << 12436.2 << QStringLiteral("12436.2");
    QTest::newRow("C 0") << c << 0.0 << QStringLiteral("0");
    QTest::newRow("C 3.5") << c << 3.5 << QStringLiteral("3.5");
    QTest::newRow("C 0.07") << c << 0.07 << QStringLiteral("0.07");
    QTest::newRow("de 69.09") << german << 69.09 << QStringLiteral("69,09");
    QTest::newRow("de 12436.2, no group separator")
        << german << 12436.2 << QStringLiteral("12436,2");
    QTest::newRow("de 0.5") << german << 0.5 << QStringLiteral("0,5");
    QTest::newRow("de 1000") << german << 1000.0 << QStringLiteral("1000");
}

void TestDistanceFormula::milesTextFollowsTheLocale() {
    QFETCH(QLocale, locale);
    QFETCH(double, miles);
    QFETCH(QString, text);
    QLocale::setDefault(locale);
    QCOMPARE(milesText(miles), text);
}

void TestDistanceFormula::failedDistanceIsReportedAsZeroMiles_data() {
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<QString>("description");
    QTest::newRow("overflow of the longitude difference")
        << 0.0 << 1.7e308 << -1.7e308 << QStringLiteral("Overflow");
    QTest::newRow("sine of infinity") << std::numeric_limits<double>::infinity() << 0.0 << 1.0
                                      << QStringLiteral("Invalid procedure call");
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0 << 1.0
                                  << QStringLiteral("Invalid procedure call");
}

void TestDistanceFormula::failedDistanceIsReportedAsZeroMiles() {
    QFETCH(double, lat1);
    QFETCH(double, lon1);
    QFETCH(double, lon2);
    QFETCH(QString, description);
    test::FakePlatform platform;
    QCOMPARE(GetDistance(platform, QStringLiteral("A"), QStringLiteral("B"), lat1, 0.0, lon1, lon2),
             QStringLiteral("Distance between A and B is 0 miles"));
    QCOMPARE(platform.reports().size(), 1);
    const QString report = platform.reports().constFirst();
    QVERIFY2(report.startsWith(description), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral(".modZipDistance.GetDistance at line 106\r\r")),
             qPrintable(report));
    QCOMPARE(platform.boxes.front().style, mb::OkOnly | mb::Exclamation);
    // The failure does not linger in the status for the next pair.
    QCOMPARE(GetDistance(platform, QStringLiteral("A"), QStringLiteral("B"), 0, 0, 0, 1),
             QStringLiteral("Distance between A and B is 69.09 miles"));
    QCOMPARE(platform.reports().size(), 1);
}

void TestDistanceFormula::statusFlagsBecomeRunTimeErrors_data() {
    QTest::addColumn<int>("flag");
    QTest::addColumn<int>("number");
    QTest::newRow("invalid") << FE_INVALID << err::InvalidProcedureCall;
    QTest::newRow("division by zero") << FE_DIVBYZERO << err::DivisionByZero;
    QTest::newRow("overflow") << FE_OVERFLOW << err::Overflow;
    QTest::newRow("inexact is fine") << FE_INEXACT << 0;
    QTest::newRow("underflow is fine") << FE_UNDERFLOW << 0;
}

void TestDistanceFormula::statusFlagsBecomeRunTimeErrors() {
    QFETCH(int, flag);
    QFETCH(int, number);
    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(flag);
    int thrown = 0;
    try {
        checkFloatingPointStatus();
    } catch (const RunTimeError& e) {
        thrown = e.number();
    }
    std::feclearexcept(FE_ALL_EXCEPT);
    QCOMPARE(thrown, number);
}

// A flag left behind by code that ran earlier is no failure of the formula.
void TestDistanceFormula::staleStatusDoesNotCount() {
    const auto stale = [] {
        std::feclearexcept(FE_ALL_EXCEPT);
        std::feraiseexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    };
    stale();
    QCOMPARE(degrees_to_radians(180), kPiForDegrees);
    stale();
    QCOMPARE(radians_to_degrees(kPiForDegrees), 180.0);
    stale();
    QCOMPARE(arc_cosine(0.0), kHalfPi);
    stale();
    QCOMPARE(central_angle_cosine(0, 0, 0, 0), 1.0);
    stale();
    QCOMPARE(roundToCents(calculate_mileage(0, 0, 0, 1)), 69.09);
    std::feclearexcept(FE_ALL_EXCEPT);
}

void TestDistanceFormula::coordinatesFromText_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value"); // NaN: type mismatch expected
    const double mismatch = std::numeric_limits<double>::quiet_NaN();
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("C point") << c << QStringLiteral("48.8566") << 48.8566;
    QTest::newRow("C negative") << c << QStringLiteral("-0.1278") << -0.1278;
    QTest::newRow("C whole") << c << QStringLiteral("52") << 52.0;
    QTest::newRow("C comma") << c << QStringLiteral("48,8566") << mismatch;
    QTest::newRow("C empty") << c << QString() << mismatch;
    QTest::newRow("C word") << c << QStringLiteral("north") << mismatch;
    QTest::newRow("C infinity") << c << QStringLiteral("inf") << mismatch;
    QTest::newRow("C nan") << c << QStringLiteral("nan") << mismatch;
    QTest::newRow("de comma") << german << QStringLiteral("48,8566") << 48.8566;
    QTest::newRow("de point") << german << QStringLiteral("48.8566") << 48.8566;
    // A point in German is a group separator; a coordinate has none.
    QTest::newRow("de point, three decimals") << german << QStringLiteral("48.850") << 48.85;
    QTest::newRow("de empty") << german << QString() << mismatch;
}

void TestDistanceFormula::coordinatesFromText() {
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QFETCH(double, value);
    QLocale::setDefault(locale);
    if (std::isnan(value)) {
        try {
            coordinateFromText(text);
            QFAIL("no type mismatch");
        } catch (const RunTimeError& e) {
            QCOMPARE(e.number(), err::TypeMismatch);
        }
    } else {
        QCOMPARE(coordinateFromText(text), value);
    }
}

QTEST_MAIN(TestDistanceFormula)
#include "tst_distance_formula.moc"
