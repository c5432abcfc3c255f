#include "app/form1.h"
#include "app/locale_numbers.h"
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

void TestTripLegs::sentenceIsTheToolsByteForByte_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("model");
    QTest::addColumn<TripRow>("upper");
    QTest::addColumn<TripRow>("lower");
    QTest::addColumn<bool>("course");
    const TripRow paris{u"Paris - Ile-de-France"_s, u"48.8566"_s, u"2.3522"_s};
    const TripRow tokyo{u"Tōkyō - Tōkyō-to, 日本"_s, u"35.6895"_s, u"139.69171"_s};
    const TripRow noRegion{u"Ürümqi"_s, u"43.801"_s, u"87.6005"_s};
    QTest::newRow("km") << u"C"_s << u"km"_s << u"sphere"_s << paris << tokyo << false;
    QTest::newRow("nautical miles") << u"C"_s << u"nmi"_s << u"sphere"_s << tokyo << noRegion << false;
    QTest::newRow("ellipsoid, miles") << u"C"_s << u"mi"_s << u"wgs84"_s << paris << noRegion << false;
    QTest::newRow("ellipsoid, km") << u"C"_s << u"km"_s << u"wgs84"_s << noRegion << tokyo << false;
    QTest::newRow("same text: 0") << u"C"_s << u"km"_s << u"sphere"_s << paris
                                  << TripRow{paris.text, u"0"_s, u"0"_s} << false;
    QTest::newRow("decimal comma") << u"de_DE"_s << u"km"_s << u"sphere"_s
                                   << TripRow{paris.text, u"48,8566"_s, u"2,3522"_s} << tokyo << false;
    QTest::newRow("other digits") << u"ar_EG"_s << u"nmi"_s << u"wgs84"_s << paris << tokyo << false;
    QTest::newRow("course on the sphere") << u"C"_s << u"km"_s << u"sphere"_s << paris << tokyo
                                          << true;
    QTest::newRow("course on the ellipsoid")
        << u"de_DE"_s << u"mi"_s << u"wgs84"_s << tokyo << noRegion << true;
    QTest::newRow("course in other digits") << u"ar_EG"_s << u"nmi"_s << u"sphere"_s << paris
                                            << noRegion << true;
    QTest::newRow("course, same text: none") << u"C"_s << u"mi"_s << u"sphere"_s << paris
                                             << TripRow{paris.text, u"0"_s, u"0"_s} << true;
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
    const MeasureOptions options = measureOptionsOf(choice);
    const MeasuredLeg leg = measureLeg(upper, lower, options);
    const TripStop from = tripStopOf(upper), to = tripStopOf(lower);
    QCOMPARE(leg.distance, upper.text == lower.text
                               ? 0.0
                               : legDistance(from.latitude, from.longitude, to.latitude,
                                             to.longitude, options.unit, options.model));
    // The tool's leg writer: the sentence and a line break.
    QCOMPARE(leg.sentence.toUtf8() + '\n',
             QByteArray::fromStdString(writeTripLegs({upper, lower}, options)));
    const bool directed = course && upper.text != lower.text;
    QCOMPARE(leg.sentence.contains(QRegularExpression(u", initial course \\d{1,3}°$"_s)), directed);
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
