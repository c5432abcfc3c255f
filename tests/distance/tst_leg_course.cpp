#include "distance/leg_measure.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <array>
#include <cmath>
#include <numbers>

using namespace amb;

namespace {

using Vector = std::array<double, 3>;

double dot(const Vector& a, const Vector& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The course at point `at` towards `towards` on the unit sphere, worked out with
// vectors: the great circle's tangent at `at`, read against the local north and east.
double vectorCourse(double lat, double lon, const Vector& towards) {
    const double f = lat * std::numbers::pi / 180, l = lon * std::numbers::pi / 180;
    const Vector at{std::cos(f) * std::cos(l), std::cos(f) * std::sin(l), std::sin(f)};
    const Vector north{-std::sin(f) * std::cos(l), -std::sin(f) * std::sin(l), std::cos(f)};
    const Vector east{-std::sin(l), std::cos(l), 0};
    const double c = dot(at, towards);
    const Vector tangent{towards[0] - c * at[0], towards[1] - c * at[1], towards[2] - c * at[2]};
    const double course = std::atan2(dot(tangent, east), dot(tangent, north)) * 180 / std::numbers::pi;
    return course < 0 ? course + 360 : course;
}

Vector point(double lat, double lon) {
    const double f = lat * std::numbers::pi / 180, l = lon * std::numbers::pi / 180;
    return {std::cos(f) * std::cos(l), std::cos(f) * std::sin(l), std::sin(f)};
}

// How far apart two courses are, across north.
double apart(double a, double b) {
    const double d = std::fabs(std::fmod(a - b, 360.0));
    return std::min(d, 360 - d);
}

} // namespace

class TestLegCourse : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void coursesOnBothModels_data();
    void coursesOnBothModels();
};

void TestLegCourse::coursesOnBothModels_data() {
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<bool>("directed"); // false: the ends coincide, so no course
    QTest::newRow("Paris to London") << 48.8566 << 2.3522 << 51.5074 << -0.1278 << true;
    QTest::newRow("due north") << 10.0 << 20.0 << 40.0 << 20.0 << true;
    QTest::newRow("due south") << 40.0 << 20.0 << 10.0 << 20.0 << true;
    QTest::newRow("east on the equator") << 0.0 << 0.0 << 0.0 << 90.0 << true;
    QTest::newRow("west on the equator") << 0.0 << 10.0 << 0.0 << -30.0 << true;
    QTest::newRow("Suva to Honolulu, over 180") << -18.1416 << 178.4419 << 21.3069 << -157.8583
                                                << true;
    QTest::newRow("Tokyo to San Francisco") << 35.6895 << 139.69171 << 37.7749 << -122.4194 << true;
    QTest::newRow("Auckland to Santiago") << -36.8485 << 174.7633 << -33.4489 << -70.6693 << true;
    QTest::newRow("from the north pole") << 90.0 << 0.0 << 45.0 << 90.0 << true;
    QTest::newRow("to the south pole") << 10.0 << 30.0 << -90.0 << 0.0 << true;
    QTest::newRow("the same point") << 48.8566 << 2.3522 << 48.8566 << 2.3522 << false;
    QTest::newRow("the same point a turn apart") << 10.0 << -180.0 << 10.0 << 180.0 << false;
    QTest::newRow("the pole under two longitudes") << 90.0 << 0.0 << 90.0 << 120.0 << false;
}

void TestLegCourse::coursesOnBothModels() {
    QFETCH(double, lat1);
    QFETCH(double, lon1);
    QFETCH(double, lat2);
    QFETCH(double, lon2);
    QFETCH(bool, directed);
    const auto sphere = legCourse(lat1, lon1, lat2, lon2, EarthModel::Sphere);
    const auto wgs84 = legCourse(lat1, lon1, lat2, lon2, EarthModel::Wgs84);
    QCOMPARE(sphere.has_value(), directed);
    QCOMPARE(wgs84.has_value(), directed);
    if (!directed)
        return;
    for (const double course : {sphere->initial, sphere->final, wgs84->initial, wgs84->final})
        QVERIFY2(course >= 0 && course < 360, qPrintable(QString::number(course, 'g', 17)));

    // Arriving, the leg heads opposite to the course from the end back to the start.
    const double initial = vectorCourse(lat1, lon1, point(lat2, lon2));
    const double final = std::fmod(vectorCourse(lat2, lon2, point(lat1, lon1)) + 180, 360);
    QVERIFY2(apart(sphere->initial, initial) < 1e-9,
             qPrintable(QStringLiteral("%1 against %2").arg(sphere->initial).arg(initial)));
    QVERIFY2(apart(sphere->final, final) < 1e-9,
             qPrintable(QStringLiteral("%1 against %2").arg(sphere->final).arg(final)));

    const QString geodSolve = QStandardPaths::findExecutable(QStringLiteral("GeodSolve"));
    if (geodSolve.isEmpty())
        QSKIP("GeodSolve (geographiclib-tools) is not installed");
    QProcess process;
    process.start(geodSolve, {QStringLiteral("-i"), QStringLiteral("-p"), QStringLiteral("9")});
    process.write(QStringLiteral("%1 %2 %3 %4\n")
                      .arg(lat1, 0, 'g', 17)
                      .arg(lon1, 0, 'g', 17)
                      .arg(lat2, 0, 'g', 17)
                      .arg(lon2, 0, 'g', 17)
                      .toLatin1());
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished());
    const QList<QByteArray> fields = process.readAllStandardOutput().simplified().split(' ');
    QCOMPARE(fields.size(), qsizetype(3)); // azi1 azi2 s12
    QVERIFY2(apart(wgs84->initial, fields[0].toDouble()) <= 0.01,
             qPrintable(QStringLiteral("%1 against %2").arg(wgs84->initial).arg(QString::fromLatin1(fields[0]))));
    QVERIFY2(apart(wgs84->final, fields[1].toDouble()) <= 0.01,
             qPrintable(QStringLiteral("%1 against %2").arg(wgs84->final).arg(QString::fromLatin1(fields[1]))));
}

QTEST_GUILESS_MAIN(TestLegCourse)
#include "tst_leg_course.moc"
