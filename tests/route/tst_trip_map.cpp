#include "route/land_outline.h"
#include "route/leg_arrows.h"
#include "route/trip_map.h"
#include "support/map_checks.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace amb::route;
using amb::test::pixelOf;
using amb::test::checkTripPicture;
using amb::test::checkTripSvg;
using amb::test::Unprivileged;

namespace {

// Odd-even rule over every ring, at the point and a turn either side of it, as the
// map draws them: inside land or not.
bool onLand(const LandOutline& land, double lat, double lonAtZero) {
    bool inside = false;
    for (const auto& [ring, aroundPole] : land.rings)
        for (const double lon : {lonAtZero - 360, lonAtZero, lonAtZero + 360}) {
            for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
                const QPointF a = ring[i], b = ring[j];
                if ((a.y() > lat) != (b.y() > lat) &&
                    lon < (b.x() - a.x()) * (lat - a.y()) / (b.y() - a.y()) + a.x())
                    inside = !inside;
            }
        }
    return inside;
}

const LandOutline& shippedLand() {
    static const LandOutline land = [] {
        QString error;
        auto loaded = loadLandOutline(
            QStringLiteral(AMBREVALE_PROGRAM_DIR "/") + QString::fromLatin1(kLandFileName), &error);
        if (!loaded)
            qFatal("%s", qPrintable(error));
        return *loaded;
    }();
    return land;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class TestTripMap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void landOutline_data();
    void landOutline();
    void frame_data();
    void frame();
    void writes_data();
    void writes();
    void arrowPointsTheWayTheLegSetsOut_data();
    void arrowPointsTheWayTheLegSetsOut();
    void arrowsOnlyWhenAsked();
};

void TestTripMap::landOutline_data() {
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<bool>("land");
    QTest::newRow("Paris") << 48.86 << 2.35 << true;
    QTest::newRow("inland Australia") << -25.0 << 134.0 << true;
    QTest::newRow("Greenland") << 75.0 << -40.0 << true;
    QTest::newRow("Antarctica") << -85.0 << 0.0 << true;
    QTest::newRow("Chukotka, east of the antimeridian") << 66.0 << -172.0 << true;
    QTest::newRow("mid-Atlantic") << 30.0 << -40.0 << false;
    QTest::newRow("the Mediterranean") << 35.0 << 18.0 << false;
    QTest::newRow("the middle of the Pacific") << 0.0 << -150.0 << false;
    QTest::newRow("Hudson Bay") << 60.0 << -86.0 << false;
}

void TestTripMap::landOutline() {
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(bool, land);
    QCOMPARE(onLand(shippedLand(), lat, lon), land);
}

void TestTripMap::frame_data() {
    QTest::addColumn<QList<QPointF>>("stops"); // (lat, lon)
    QTest::addColumn<double>("widest");        // degrees of longitude at most
    QTest::newRow("Paris to Berlin") << QList<QPointF>{{48.86, 2.35}, {52.52, 13.4}} << 40.0;
    QTest::newRow("one city") << QList<QPointF>{{48.86, 2.35}} << 20.0;
    QTest::newRow("Tokyo to San Francisco, across the antimeridian")
        << QList<QPointF>{{35.69, 139.69}, {37.77, -122.42}} << 160.0;
    QTest::newRow("Suva, Apia and back across it")
        << QList<QPointF>{{-18.14, 178.44}, {-13.83, -171.77}, {-18.14, 178.44}} << 40.0;
    QTest::newRow("Anchorage, Tokyo, Auckland")
        << QList<QPointF>{{61.22, -149.9}, {35.69, 139.69}, {-36.85, 174.76}} << 200.0;
    QTest::newRow("around the world")
        << QList<QPointF>{{0, 0}, {0, 100}, {0, -160}, {0, -60}, {0, 0}} << 360.0;
}

void TestTripMap::frame() {
    QFETCH(QList<QPointF>, stops);
    QFETCH(double, widest);
    std::vector<GeoPoint> points;
    for (const QPointF& stop : stops)
        points.push_back({stop.x(), stop.y()});
    const QSize size(1200, 750);
    const MapFrame f = tripMapFrame(points, size);
    const double wide = f.east - f.west;
    QVERIFY2(f.west >= -180 && f.west < 180, qPrintable(QString::number(f.west)));
    QVERIFY2(wide > 0 && wide <= widest, qPrintable(QString::number(wide)));
    QVERIFY(f.south >= -90 && f.north <= 90 && f.north > f.south);
    // Every leg's every point inside, clear of the edges unless the frame is the world.
    // A leg is drawn whole where its first point is nearest the middle.
    const double centre = (f.west + f.east) / 2;
    const bool world = wide > 359;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto path = greatCirclePath(points[i], points[i + 1 < points.size() ? i + 1 : i]);
        const double shift = 360 * std::round((centre - path.front().lon) / 360);
        for (const GeoPoint& p : path) {
            const double lon =
                world ? p.lon + 360 * std::round((centre - p.lon) / 360) : p.lon + shift;
            const double clear = world ? 0 : 0.5;
            QVERIFY2(lon >= f.west + clear && lon <= f.east - clear && p.lat >= f.south + clear &&
                         p.lat <= f.north - clear,
                     qPrintable(QStringLiteral("%1 %2 outside %3..%4 %5..%6")
                                    .arg(p.lat)
                                    .arg(p.lon)
                                    .arg(f.west)
                                    .arg(f.east)
                                    .arg(f.south)
                                    .arg(f.north)));
        }
    }
}

void TestTripMap::writes_data() {
    QTest::addColumn<QString>("name"); // within a fresh folder
    QTest::addColumn<bool>("written");
    QTest::newRow("PNG") << QStringLiteral("trip.png") << true;
    QTest::newRow("SVG, upper-case suffix") << QStringLiteral("trip.SVG") << true;
    QTest::newRow("another suffix") << QStringLiteral("trip.jpg") << false;
    QTest::newRow("a folder that does not exist") << QStringLiteral("missing/trip.png") << false;
    QTest::newRow("a folder that is a file") << QStringLiteral("file/trip.svg") << false;
    QTest::newRow("a name that is a folder") << QStringLiteral("folder.png") << false;
    QTest::newRow("a read-only folder") << QStringLiteral("locked/trip.png") << false;
}

// The picture holds the legs and the cities where they lie, and the SVG names them.
void TestTripMap::writes() {
    QFETCH(QString, name);
    QFETCH(bool, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("locked")));
    QFile::setPermissions(dir.filePath(QStringLiteral("locked")),
                          QFile::ReadOwner | QFile::ExeOwner);
    const QString target = dir.filePath(name);
    const QString folder = QFileInfo(target).absolutePath();
    const QStringList before = entries(folder);

    TripMap trip;
    trip.stops = {{QStringLiteral("Tokyo, Japan"), {35.69, 139.69}},
                  {QStringLiteral("San Francisco, California, United States"), {37.77, -122.42}}};
    trip.total = QStringLiteral("Total: 5148.11 miles");
    trip.size = QSize(600, 400);
    shippedLand(); // read as ourselves
    QString error;
    {
        const Unprivileged user({dir.path(), dir.filePath(QStringLiteral("locked"))});
        if (Unprivileged::needed() && !user.active())
            QSKIP("cannot act as an unprivileged user");
        error = renderTripMap(trip, shippedLand(), target);
    }

    if (!written) {
        QVERIFY(!error.isEmpty());
        QVERIFY2(error.contains(QDir::toNativeSeparators(target)), qPrintable(error));
        QCOMPARE(entries(folder), before); // nothing half-written
        return;
    }
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(entries(folder), QStringList(before) << name);
    if (name.endsWith(QLatin1String("png")))
        checkTripPicture(QImage(target), trip);
    else
        checkTripSvg(target, trip);
}

void TestTripMap::arrowPointsTheWayTheLegSetsOut_data() {
    QTest::addColumn<QPolygonF>("line"); // the leg in pixels
    QTest::addColumn<bool>("drawn");
    QTest::addColumn<QPointF>("tip");
    QTest::addColumn<QPointF>("direction");
    QTest::newRow("a long leg east") << QPolygonF{{100, 100}, {300, 100}} << true
                                     << QPointF(117, 100) << QPointF(1, 0);
    QTest::newRow("a leg that bends south") << QPolygonF{{0, 0}, {10, 0}, {10, 50}} << true
                                            << QPointF(10, 7) << QPointF(0, 1);
    QTest::newRow("a leg shorter than the arrow's place")
        << QPolygonF{{0, 0}, {-3, -4}} << true << QPointF(-3, -4) << QPointF(-0.6, -0.8);
    QTest::newRow("a repeated first point") << QPolygonF{{5, 5}, {5, 5}, {5, 105}} << true
                                            << QPointF(5, 22) << QPointF(0, 1);
    QTest::newRow("one city") << QPolygonF{{3, 3}} << false << QPointF() << QPointF();
    QTest::newRow("no length on the picture") << QPolygonF{{3, 3}, {3, 3}} << false << QPointF()
                                              << QPointF();
}

void TestTripMap::arrowPointsTheWayTheLegSetsOut() {
    QFETCH(QPolygonF, line);
    QFETCH(bool, drawn);
    LegArrow arrow;
    QCOMPARE(legArrow(line, arrow), drawn);
    if (!drawn)
        return;
    QTEST(arrow.tip, "tip");
    QTEST(arrow.direction, "direction");
}

// The arrows change the picture only beside the legs' first cities, and only when asked.
void TestTripMap::arrowsOnlyWhenAsked() {
    TripMap trip;
    trip.size = QSize(400, 250);
    trip.stops = {{QStringLiteral("A"), {0, 0}}, {QStringLiteral("B"), {0, 40}}};
    const LandPicture land{LandOutline{}};
    const auto draw = [&](bool arrows) {
        trip.courseArrows = arrows;
        QImage image(trip.size, QImage::Format_RGB32);
        QPainter painter(&image);
        paintTripMap(painter, trip, land, tripMapFrame({{0, 0}, {0, 40}}, trip.size));
        return image;
    };
    QCOMPARE(draw(false), draw(false));
    const QImage plain = draw(false), arrows = draw(true);
    const QPointF start = pixelOf(trip, {0, 0});
    int differing = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != arrows.pixel(x, y)) {
                ++differing;
                QVERIFY2(QLineF(start, QPointF(x, y)).length() < 25,
                         qPrintable(QStringLiteral("%1, %2").arg(x).arg(y)));
            }
    QVERIFY(differing > 10);
}

QTEST_MAIN(TestTripMap)
#include "tst_trip_map.moc"
