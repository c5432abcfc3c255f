#include "route/land_outline.h"

#include <QTest>
#include <cmath>

using amb::route::landFromTopoJson;

namespace {
// A land object of one polygon over the given arcs, with an optional transform.
QByteArray topology(const char* arcs, const char* transform = nullptr) {
    QByteArray json = R"({"type":"Topology",)";
    if (transform)
        json += QByteArray(R"("transform":)") + transform + ',';
    return json + R"("objects":{"land":{"type":"Polygon","arcs":[[0]]}},"arcs":)" + arcs + '}';
}
} // namespace

class TestLandOutline : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A damaged outline file is refused with a message, at once: no endless turn
    // around the globe, no point the map cannot draw.
    void damagedFileRefused_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::newRow("not JSON") << QByteArray("{\"type\":");
        QTest::newRow("no land") << QByteArray(R"({"type":"Topology","objects":{}})");
        QTest::newRow("transform without scale") << topology("[]", R"({"translate":[0,0]})");
        QTest::newRow("position of one number") << topology("[[[1],[2,3],[4,5]]]");
        QTest::newRow("arc that is not there")
            << QByteArray(R"({"type":"Topology","objects":{"land":{"type":"Polygon",)"
                          R"("arcs":[[3]]}},"arcs":[]})");
        QTest::newRow("steps beyond a double") << topology(
            "[[[1e308,0],[1e308,0],[1e308,0],[0,1]]]", R"({"scale":[10,1],"translate":[0,0]})");
    }
    void damagedFileRefused() {
        QFETCH(QByteArray, json);
        QString error;
        QVERIFY(!landFromTopoJson(json, &error));
        QVERIFY(!error.isEmpty());
    }

    // Longitudes made continuous along a ring, however far a point lies from the one
    // before: the ring starts within [-180, 180) and every step along the coast is at
    // most half a turn.
    void longitudesContinuous_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("aroundPole");
        QTest::newRow("over the antimeridian")
            << topology("[[[170,10],[-170,10],[-170,20],[170,20],[170,10]]]") << false;
        QTest::newRow("around the south pole")
            << topology("[[[170,-80],[-170,-80],[-10,-85],[90,-80],[170,-80]]]") << true;
        QTest::newRow("a point far off the globe")
            << topology("[[[0,0],[1e300,0],[5,5],[0,0]]]") << false;
        QTest::newRow("quantised") << topology("[[[0,0],[10,0],[0,10],[-10,-10]]]",
                                               R"({"scale":[1,1],"translate":[175,0]})")
                                   << false;
    }
    void longitudesContinuous() {
        QFETCH(QByteArray, json);
        QFETCH(bool, aroundPole);
        QString error;
        const auto land = landFromTopoJson(json, &error);
        QVERIFY2(land, qPrintable(error));
        QCOMPARE(land->rings.size(), size_t(1));
        const amb::route::LandRing& ring = land->rings.front();
        QCOMPARE(ring.aroundPole, aroundPole);
        double west = ring.points.front().x();
        // A ring around a pole ends with its closing edge along the pole, a whole turn.
        const size_t coast = ring.points.size() - (aroundPole ? 2 : 0);
        for (size_t i = 1; i < coast; ++i) {
            QVERIFY(std::isfinite(ring.points[i].x()));
            QVERIFY2(std::abs(ring.points[i].x() - ring.points[i - 1].x()) <= 180,
                     qPrintable(QStringLiteral("step %1").arg(i)));
            west = std::min(west, ring.points[i].x());
        }
        QVERIFY(west >= -180 && west < 180);
    }
};

QTEST_APPLESS_MAIN(TestLandOutline)
#include "tst_land_outline.moc"
