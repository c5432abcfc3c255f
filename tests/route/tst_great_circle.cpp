#include "route/great_circle.h"

#include <QTest>
#include <array>
#include <cmath>
#include <numbers>

using amb::route::GeoPoint;

namespace {

using Vec = std::array<long double, 3>;

constexpr long double kRadiansPerDegree = 3.141592653589793238462643383279502884L / 180;

Vec toVec(GeoPoint p) {
    const long double lat = p.lat * kRadiansPerDegree;
    const long double lon = p.lon * kRadiansPerDegree;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

Vec cross(Vec a, Vec b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
long double dot(Vec a, Vec b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
long double norm(Vec a) {
    return std::sqrt(dot(a, a));
}

// Kilometres between two points on the program's sphere.
double kmBetween(GeoPoint p, GeoPoint q) {
    const Vec a = toVec(p);
    const Vec b = toVec(q);
    return double(std::atan2(norm(cross(a, b)), dot(a, b))) * amb::route::sphereRadiusKm();
}

bool sameLongitude(double a, double b) {
    return std::abs(std::remainder(a - b, 360.0)) < 1e-9;
}

} // namespace

class TestGreatCircle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void legs_data();
    void legs();
};

void TestGreatCircle::legs_data() {
    QTest::addColumn<double>("lat1");
    QTest::addColumn<double>("lon1");
    QTest::addColumn<double>("lat2");
    QTest::addColumn<double>("lon2");
    QTest::addColumn<int>("pieces");
    QTest::newRow("Paris to Berlin") << 48.8566 << 2.3522 << 52.52 << 13.405 << 1;
    QTest::newRow("Tokyo to San Francisco, east over the antimeridian")
        << 35.6895 << 139.6917 << 37.7749 << -122.4194 << 2;
    QTest::newRow("San Francisco to Tokyo, west over it")
        << 37.7749 << -122.4194 << 35.6895 << 139.6917 << 2;
    QTest::newRow("Suva to Apia, a short hop over it")
        << -18.1416 << 178.4419 << -13.8333 << -171.7667 << 2;
    QTest::newRow("Auckland to Anchorage") << -36.8485 << 174.7633 << 61.2181 << -149.9003 << 2;
    QTest::newRow("starting on the antimeridian") << 0.0 << 180.0 << 10.0 << -170.0 << 1;
    QTest::newRow("ending on the antimeridian") << 10.0 << 170.0 << 0.0 << -180.0 << 1;
    QTest::newRow("along the antimeridian") << 10.0 << 180.0 << 50.0 << -180.0 << 1;
    QTest::newRow("over the north pole") << 80.0 << 0.0 << 80.0 << 180.0 << 1;
    QTest::newRow("near the north pole and over the antimeridian")
        << 70.0 << 100.0 << 70.0 << -100.0 << 2;
    QTest::newRow("over the south pole") << -75.0 << 30.0 << -75.0 << -150.0 << 1;
    QTest::newRow("from the north pole") << 90.0 << 45.0 << 0.0 << 0.0 << 1;
    QTest::newRow("to the south pole") << 10.0 << 170.0 << -90.0 << 0.0 << 1;
    QTest::newRow("pole to pole") << 90.0 << 0.0 << -90.0 << 0.0 << 1;
    QTest::newRow("exactly antipodal on the equator") << 0.0 << 0.0 << 0.0 << 180.0 << 1;
    QTest::newRow("exactly antipodal elsewhere") << 30.0 << 40.0 << -30.0 << -140.0 << 1;
    QTest::newRow("nearly antipodal") << 10.0 << 20.0 << -10.01 << -160.0 << 1;
    QTest::newRow("nearly antipodal over the antimeridian") << 0.0 << 100.0 << 0.001 << -80.01 << 2;
    QTest::newRow("identical points") << 48.8566 << 2.3522 << 48.8566 << 2.3522 << 1;
    QTest::newRow("a metre apart") << 48.8566 << 2.3522 << 48.85661 << 2.3522 << 1;
}

void TestGreatCircle::legs() {
    QFETCH(double, lat1);
    QFETCH(double, lon1);
    QFETCH(double, lat2);
    QFETCH(double, lon2);
    QFETCH(int, pieces);
    const GeoPoint from{lat1, lon1};
    const GeoPoint to{lat2, lon2};
    const auto split = amb::route::greatCircleSegments(from, to);

    // The plane of the great circle; for opposite points the meridian of the first.
    Vec normal = cross(toVec(from), toVec(to));
    if (norm(normal) < 1e-12L) {
        const long double lon = lon1 * kRadiansPerDegree;
        normal = {-std::sin(lon), std::cos(lon), 0};
    }
    const long double length = norm(normal);
    const double radius = amb::route::sphereRadiusKm();

    QCOMPARE(int(split.size()), pieces);
    QCOMPARE(split.front().front().lat, lat1);
    QVERIFY(sameLongitude(split.front().front().lon, lon1));
    QCOMPARE(split.back().back().lat, lat2);
    QVERIFY(sameLongitude(split.back().back().lon, lon2));

    double travelled = 0;
    for (std::size_t i = 0; i < split.size(); ++i) {
        const auto& piece = split[i];
        QVERIFY2(piece.size() >= 2, "a piece is a line");
        for (std::size_t j = 0; j < piece.size(); ++j) {
            const GeoPoint p = piece[j];
            QVERIFY2(p.lon >= -180 && p.lon <= 180 && std::abs(p.lat) <= 90,
                     qPrintable(QStringLiteral("%1 %2").arg(p.lat).arg(p.lon)));
            const double off = double(std::abs(dot(normal, toVec(p))) / length) * radius;
            QVERIFY2(off < 0.001, qPrintable(QStringLiteral("%1 km off the great circle at %2 %3")
                                                 .arg(off)
                                                 .arg(p.lat)
                                                 .arg(p.lon)));
            if (j == 0)
                continue;
            const GeoPoint q = piece[j - 1];
            const double step = kmBetween(q, p);
            QVERIFY2(step <= 100 + 1e-6, qPrintable(QStringLiteral("a %1 km step").arg(step)));
            travelled += step;
            // No jump inside a piece, except along a pole, which is one point.
            QVERIFY2(std::abs(p.lon - q.lon) < 180 || (std::abs(p.lat) == 90 && p.lat == q.lat),
                     qPrintable(QStringLiteral("a jump from %1 to %2").arg(q.lon).arg(p.lon)));
        }
        if (i + 1 < split.size()) {
            const GeoPoint end = piece.back();
            const GeoPoint start = split[i + 1].front();
            QCOMPARE(std::abs(end.lon), 180.0);
            QCOMPARE(start.lon, -end.lon);
            QCOMPARE(start.lat, end.lat);
        }
    }
    // The short way round, and no detour.
    const double direct =
        std::abs(lat1) == 90 && lat1 == -lat2 ? std::numbers::pi * radius : kmBetween(from, to);
    QVERIFY2(std::abs(travelled - direct) < 0.001,
             qPrintable(QStringLiteral("%1 km travelled for %2").arg(travelled).arg(direct)));
}

QTEST_APPLESS_MAIN(TestGreatCircle)
#include "tst_great_circle.moc"
