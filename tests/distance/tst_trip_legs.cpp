#include "app/form1.h"
#include "app/runtime_error.h"
#include "distance/trip_legs.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

using namespace amb;
using namespace Qt::StringLiterals;

// A trip row given as its text, latitude and longitude.
Q_DECLARE_METATYPE(amb::TripRow)

// The window's sentences in kilometres, nautical miles or on the ellipsoid are
// built on a path of their own; they must read exactly as the tool writes them.
class TestTripLegs : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void sentenceIsTheToolsByteForByte_data();
    void sentenceIsTheToolsByteForByte();
    void firstBadCoordinateIsNamed_data();
    void firstBadCoordinateIsNamed();
};

// The sentences as the tool writes them for the same rows, with distances worked out
// apart from it (the sphere's degrees times 60 nautical miles, a nautical mile 1.1515
// miles and a mile 1.609344 km; the ellipsoid's from GeodSolve).
void TestTripLegs::sentenceIsTheToolsByteForByte_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("model");
    QTest::addColumn<TripRow>("upper");
    QTest::addColumn<TripRow>("lower");
    QTest::addColumn<bool>("course");
    QTest::addColumn<QString>("sentence");
    const TripRow paris{u"Paris - Ile-de-France"_s, u"48.8566"_s, u"2.3522"_s};
    const TripRow tokyo{u"Tōkyō - Tōkyō-to, 日本"_s, u"35.6895"_s, u"139.69171"_s};
    const TripRow noRegion{u"Ürümqi"_s, u"43.801"_s, u"87.6005"_s};
    const QString parisToTokyo = u"Distance between Paris - Ile-de-France and Tōkyō - Tōkyō-to, 日本 is "_s;
    QTest::newRow("km") << u"C"_s << u"km"_s << u"sphere"_s << paris << tokyo << false
                        << parisToTokyo + u"9711.6 kilometres"_s;
    QTest::newRow("nautical miles")
        << u"C"_s << u"nmi"_s << u"sphere"_s << tokyo << noRegion << false
        << u"Distance between Tōkyō - Tōkyō-to, 日本 and Ürümqi is 2411.12 nautical miles"_s;
    QTest::newRow("ellipsoid, miles")
        << u"C"_s << u"mi"_s << u"wgs84"_s << paris << noRegion << false
        << u"Distance between Paris - Ile-de-France and Ürümqi is 3873.56 miles"_s;
    QTest::newRow("ellipsoid, km")
        << u"C"_s << u"km"_s << u"wgs84"_s << noRegion << tokyo << false
        << u"Distance between Ürümqi and Tōkyō - Tōkyō-to, 日本 is 4478.79 kilometres"_s;
    QTest::newRow("same text: 0")
        << u"C"_s << u"km"_s << u"sphere"_s << paris << TripRow{paris.text, u"0"_s, u"0"_s} << false
        << u"Distance between Paris - Ile-de-France and Paris - Ile-de-France is 0 kilometres"_s;
    QTest::newRow("decimal comma") << u"de_DE"_s << u"km"_s << u"sphere"_s
                                   << TripRow{paris.text, u"48,8566"_s, u"2,3522"_s} << tokyo << false
                                   << parisToTokyo + u"9711,6 kilometres"_s;
    QTest::newRow("other digits") << u"ar_EG"_s << u"nmi"_s << u"wgs84"_s << paris << tokyo << false
                                  << parisToTokyo + u"\u0665\u0662\u0665\u0666\u066b\u0668\u0664 nautical miles"_s;
    // Courses from the spherical formula worked out apart, and GeodSolve's azimuth.
    QTest::newRow("course on the sphere") << u"C"_s << u"km"_s << u"sphere"_s << paris << tokyo
                                          << true
                                          << parisToTokyo + u"9711.6 kilometres, initial course 33°"_s;
    QTest::newRow("course on the ellipsoid")
        << u"de_DE"_s << u"mi"_s << u"wgs84"_s << tokyo << noRegion << true
        << u"Distance between Tōkyō - Tōkyō-to, 日本 and Ürümqi is 2782,99 miles, initial course 298°"_s;
    QTest::newRow("course in other digits")
        << u"ar_EG"_s << u"nmi"_s << u"sphere"_s << paris << noRegion << true
        << u"Distance between Paris - Ile-de-France and Ürümqi is \u0663\u0663\u0665\u0664\u066b\u0662\u0666 nautical miles, initial course \u0666\u0660°"_s;
    QTest::newRow("course, same text: none")
        << u"C"_s << u"mi"_s << u"sphere"_s << paris << TripRow{paris.text, u"0"_s, u"0"_s} << true
        << u"Distance between Paris - Ile-de-France and Paris - Ile-de-France is 0 miles"_s;
}

void TestTripLegs::sentenceIsTheToolsByteForByte() {
    QFETCH(QString, locale);
    QFETCH(QString, unit);
    QFETCH(QString, model);
    QFETCH(TripRow, upper);
    QFETCH(TripRow, lower);
    QFETCH(bool, course);
    QLocale::setDefault(QLocale(locale));
    MeasureChoice choice;
    choice.unit = unit;
    choice.model = model;
    choice.courseInEachLine = course;
    QTEST(measureLeg(upper, lower, measureOptionsOf(choice)).sentence, "sentence");
}

void TestTripLegs::firstBadCoordinateIsNamed_data() {
    QTest::addColumn<TripRow>("upper");
    QTest::addColumn<TripRow>("lower");
    QTest::addColumn<QString>("named");
    QTest::newRow("upper longitude before lower latitude")
        << TripRow{u"A"_s, u"1"_s, u"west"_s} << TripRow{u"B"_s, u"north"_s, u"2"_s} << u"west"_s;
    QTest::newRow("upper latitude first")
        << TripRow{u"A"_s, u""_s, u"x"_s} << TripRow{u"B"_s, u"1"_s, u"2"_s} << u"\"\""_s;
    QTest::newRow("lower longitude")
        << TripRow{u"A"_s, u"1"_s, u"2"_s} << TripRow{u"B"_s, u"3"_s, u"1.5.2"_s} << u"1.5.2"_s;
}

void TestTripLegs::firstBadCoordinateIsNamed() {
    QFETCH(TripRow, upper);
    QFETCH(TripRow, lower);
    QFETCH(QString, named);
    MeasureChoice choice;
    choice.unit = u"km"_s;
    try {
        measureLeg(upper, lower, measureOptionsOf(choice));
        QFAIL("a coordinate that is not a number was measured");
    } catch (const RunTimeError& error) {
        QCOMPARE(error.number(), err::TypeMismatch);
        QVERIFY2(error.description().contains(named), qPrintable(error.description()));
    }
}

QTEST_MAIN(TestTripLegs)
#include "tst_trip_legs.moc"
