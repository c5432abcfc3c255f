#include "app/settings.h"
#include "route/map_window.h"
#include "support/test_helpers.h"

#include <QImage>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

Q_DECLARE_METATYPE(amb::route::GeoPoint)

using namespace amb;
using namespace Qt::StringLiterals;
using namespace amb::route;
using namespace amb::test;

namespace {

void fillTrip(ListView& list) {
    addRow(list, QStringLiteral("Paris - Ile-de-France"), QStringLiteral("48.8566"),
           QStringLiteral("2.3522"));
    addRow(list, QStringLiteral("London - England"), QStringLiteral("51.5074"),
           QStringLiteral("-0.1278"));
    addRow(list, QStringLiteral("Berlin - Berlin"), QStringLiteral("52.52"),
           QStringLiteral("13.405"));
}

MapWindow& openMap(TestWindow& w) {
    w.form->ShowTripOnMap_Click();
    auto* map = qobject_cast<MapWindow*>(w.form->MapWindow1.get());
    Q_ASSERT(map);
    map->resize(800, 500);
    QCoreApplication::processEvents();
    return *map;
}

// The window at start with the fixture's trip, and its map open.
MapWindow& openMapOfTrip(TestWindow& w) {
    w.load();
    fillTrip(*w.form->ListView3);
    return openMap(w);
}

// No place: the map as opened, the trip fitted.
const GeoPoint kTripFitted{0, 1000};

QStringList labels(const MapWindow& map) {
    QStringList texts;
    for (const MapStop& stop : map.canvas->trip().stops)
        texts << stop.label;
    return texts;
}

} // namespace

class TestMapWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void followsTheTripList_data();
    void followsTheTripList();
    void zoomKeepsThePointUnderThePointer_data();
    void zoomKeepsThePointUnderThePointer();
    void clickOnACitySelectsIt();
    void savesWhatItShowsAndKeepsItsPlace();
    void keptPlaceIsOneAScreenShows_data();
    void keptPlaceIsOneAScreenShows();
    void movingPictureMatchesTheExactOne_data();
    void movingPictureMatchesTheExactOne();
};

void TestMapWindow::followsTheTripList_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("total");
    QTest::newRow("as opened") << u""_s << QStringList{u"Paris"_s, u"London"_s, u"Berlin"_s} << u" mi"_s;
    QTest::newRow("a city added")
        << u"add"_s << QStringList{u"Paris"_s, u"London"_s, u"Berlin"_s, u"Oslo"_s} << u" mi"_s;
    QTest::newRow("a city deleted") << u"delete"_s << QStringList{u"Paris"_s, u"Berlin"_s} << u" mi"_s;
    QTest::newRow("moved up") << u"up"_s << QStringList{u"Paris"_s, u"Berlin"_s, u"London"_s} << u" mi"_s;
    QTest::newRow("reversed") << u"reverse"_s << QStringList{u"Berlin"_s, u"London"_s, u"Paris"_s} << u" mi"_s;
    QTest::newRow("cleared") << u"clear"_s << QStringList{} << u""_s;
    QTest::newRow("kilometres") << u"km"_s << QStringList{u"Paris"_s, u"London"_s, u"Berlin"_s} << u" km"_s;
    QTest::newRow("a city without a place")
        << u"no place"_s << QStringList{u"Paris"_s, u"London"_s, u"Berlin"_s} << u" mi"_s;
}

void TestMapWindow::followsTheTripList() {
    QFETCH(QString, change);
    QFETCH(QStringList, shown);
    QFETCH(QString, total);
    TestWindow w;
    w.load();
    ListView& trip = *w.form->ListView3;
    fillTrip(trip);
    MapWindow& map = openMap(w);
    QVERIFY(map.isVisible());
    QCOMPARE(map.windowTitle(), QStringLiteral("Ambrevale – Map"));
    if (change == QLatin1String("add"))
        addRow(trip, QStringLiteral("Oslo - Oslo"), QStringLiteral("59.91"),
               QStringLiteral("10.75"));
    else if (change == QLatin1String("delete")) {
        trip.select(2);
        w.form->PushButton3_Click();
    } else if (change == QLatin1String("up")) {
        trip.select(3);
        w.form->MoveUp_Click();
    } else if (change == QLatin1String("reverse"))
        w.form->ReverseTrip_Click();
    else if (change == QLatin1String("clear"))
        w.form->PushButton1_Click();
    else if (change == QLatin1String("km")) {
        MeasureChoice choice;
        choice.unit = QStringLiteral("km");
        w.form->setMeasureChoice(choice);
    } else if (change == QLatin1String("no place"))
        trip.add(QStringLiteral("Nowhere")); // no coordinates: not drawn
    QStringList names;
    for (const QString& label : labels(map))
        names << label.section(QStringLiteral(" - "), 0, 0);
    QCOMPARE(names, shown);
    const QString shownTotal = map.canvas->trip().total;
    QVERIFY2(total.isEmpty() ? shownTotal.isEmpty() : shownTotal.endsWith(total),
             qPrintable(shownTotal));
    QVERIFY(total.isEmpty() || map.canvas->trip().total.startsWith(QStringLiteral("Total: ")));
}

void TestMapWindow::zoomKeepsThePointUnderThePointer_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QPointF>("pointer");
    QTest::addColumn<double>("widthShare"); // of the frame's width after, to before
    QTest::newRow("wheel in, off centre") << u"wheel in"_s << QPointF(200, 150) << 1 / 1.25;
    QTest::newRow("wheel out, corner") << u"wheel out"_s << QPointF(790, 490) << 1.25;
    QTest::newRow("plus key, middle") << u"+"_s << QPointF() << 1 / 1.25;
    QTest::newRow("minus key, middle") << u"-"_s << QPointF() << 1.25;
    QTest::newRow("arrow pans, no zoom") << u"left"_s << QPointF(-1, -1) << 1.0;
}

void TestMapWindow::zoomKeepsThePointUnderThePointer() {
    QFETCH(QString, how);
    QFETCH(QPointF, pointer);
    QFETCH(double, widthShare);
    TestWindow w;
    MapWindow& map = openMapOfTrip(w);
    MapCanvas& canvas = *map.canvas;
    if (pointer.isNull()) // the keys zoom around the middle
        pointer = QPointF(canvas.width() / 2.0, canvas.height() / 2.0);
    const MapFrame before = canvas.frame();
    const GeoPoint under = mapLocation(before, canvas.size(), pointer);
    if (how.startsWith(QLatin1String("wheel"))) {
        QWheelEvent wheel(pointer, canvas.mapToGlobal(pointer), QPoint(),
                          QPoint(0, how.endsWith(QLatin1String("in")) ? 120 : -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&canvas, &wheel);
    } else {
        QTest::keyClick(&canvas, how == QLatin1String("+")   ? Qt::Key_Plus
                                 : how == QLatin1String("-") ? Qt::Key_Minus
                                                             : Qt::Key_Left);
    }
    const MapFrame after = canvas.frame();
    QVERIFY(std::abs((after.east - after.west) / (before.east - before.west) - widthShare) < 1e-9);
    if (widthShare != 1.0) {
        const QPointF moved = mapPosition(after, canvas.size(), under);
        QVERIFY2(std::hypot(moved.x() - pointer.x(), moved.y() - pointer.y()) < 0.01,
                 qPrintable(QStringLiteral("%1,%2").arg(moved.x()).arg(moved.y())));
    } else {
        QVERIFY(after.west < before.west); // the view went west
        QCOMPARE(after.north, before.north);
    }
    canvas.fit(); // Fit frames the trip again
    QCOMPARE(canvas.frame().west, before.west);
}

void TestMapWindow::clickOnACitySelectsIt() {
    TestWindow w;
    MapWindow& map = openMapOfTrip(w);
    MapCanvas& canvas = *map.canvas;
    for (int item = 1; item <= 3; ++item) {
        const QPointF dot =
            mapPosition(canvas.frame(), canvas.size(), canvas.trip().stops[item - 1].at);
        QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, dot.toPoint());
        QCOMPARE(w.form->ListView3->selectedIndex(), item);
    }
    // A click on the sea selects nothing new.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QCOMPARE(w.form->ListView3->selectedIndex(), 3);
    // From the keyboard: Page Down from the start picks the first, Page Up wraps round.
    for (const auto& [key, item] : {std::pair{Qt::Key_PageDown, 1}, {Qt::Key_PageDown, 2},
                                    {Qt::Key_PageUp, 1}, {Qt::Key_PageUp, 3}}) {
        QTest::keyClick(&canvas, key);
        QCOMPARE(w.form->ListView3->selectedIndex(), item);
    }
}

void TestMapWindow::savesWhatItShowsAndKeepsItsPlace() {
    TestWindow w;
    MapWindow& map = openMapOfTrip(w);
    const QString png = w.folder.filePath(QStringLiteral("map.png"));
    const QString svg = w.folder.filePath(QStringLiteral("drawing"));
    w.platform.saveNames = {png, svg};
    map.saveMapAs();
    QCOMPARE(QImage(png).size(), map.canvas->size());
    map.saveMapAs(); // no suffix: the first type, PNG
    QVERIFY(QFile::exists(svg + QStringLiteral(".png")));
    QCOMPARE(w.platform.boxes.size(), size_t(0));

    map.move(123, 77);
    map.resize(640, 420);
    w.form->close(); // closing the main window closes the map and keeps its place
    const QString kept = w.platform.settings.value(kSettingsApplication + QLatin1Char('/') +
                                                   kSettingsSection + QLatin1Char('/') +
                                                   kMapWindowValue);
    QVERIFY(!kept.isEmpty());
    TestWindow again;
    again.platform.settings = w.platform.settings;
    again.load();
    again.form->ShowTripOnMap_Click();
    QCOMPARE(again.form->MapWindow1->size(), QSize(640, 420));
}

// The kept place and size, whatever the store holds: the size kept, or the window's
// own when the value cannot be used; always on a screen.
void TestMapWindow::keptPlaceIsOneAScreenShows_data() {
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QSize>("size");
    QTest::newRow("as the window kept it") << QStringLiteral("AdnQywADAAAAAABiAAAATgAAAlkAAAF9AAAAZAAAAFAAAAJXAAABewAAAAAAAAAAAyAAAABkAAAAUAAAAlcAAAF7") << QSize(500, 300);
    QTest::newRow("nothing kept") << QString() << QSize(960, 640);
    QTest::newRow("not a saved place") << QStringLiteral("not a saved place") << QSize(960, 640);
    // A damaged value Qt takes, whose place lies off every screen.
    QTest::newRow("off every screen") << QStringLiteral("AdnQywADAAAAAAAAAAAAAAAAAx8AAAMfAAAAZAAAAFAAAAJAdXAAABewAAAAAnQ") << QSize(960, 640);
}

void TestMapWindow::keptPlaceIsOneAScreenShows() {
    QFETCH(QString, kept);
    QFETCH(QSize, size);
    TestWindow w;
    w.platform.settings[kSettingsApplication + QLatin1Char('/') + kSettingsSection +
                        QLatin1Char('/') + kMapWindowValue] = kept;
    w.load();
    w.form->ShowTripOnMap_Click();
    const QWidget& map = *w.form->MapWindow1;
    QCOMPARE(map.size(), size);
    QVERIFY(map.geometry().intersects(QGuiApplication::primaryScreen()->availableGeometry()));
}

// Panning moves the last picture and draws only what it uncovers; once the map
// rests it is drawn afresh. Either way it shows the picture of its frame.
void TestMapWindow::movingPictureMatchesTheExactOne_data() {
    QTest::addColumn<GeoPoint>("centre"); // where the pan starts
    QTest::addColumn<QPointF>("step");    // pixels per step
    QTest::addColumn<int>("steps");
    const GeoPoint fitted = kTripFitted;
    QTest::newRow("east") << fitted << QPointF(-13, 0) << 9;
    QTest::newRow("west and south") << fitted << QPointF(11, -7) << 9;
    QTest::newRow("fractions of a pixel add up") << fitted << QPointF(2.4, 1.6) << 25;
    QTest::newRow("over the antimeridian") << GeoPoint{-17, -155} << QPointF(-37, 0) << 12;
    QTest::newRow("against the pole") << GeoPoint{70, 20} << QPointF(0, 25) << 12;
    QTest::newRow("a step wider than the map") << fitted << QPointF(900, 0) << 2;
}

void TestMapWindow::movingPictureMatchesTheExactOne() {
    QFETCH(GeoPoint, centre);
    QFETCH(QPointF, step);
    QFETCH(int, steps);
    TestWindow w;
    MapWindow& map = openMapOfTrip(w);
    MapCanvas& canvas = *map.canvas;
    canvas.clearFocus(); // the focus frame is no part of the map
    // The land, which the test's program folder lacks, from the build's.
    const std::optional<LandOutline> outline = loadLandOutline(
        QStringLiteral(AMBREVALE_PROGRAM_DIR "/") + QLatin1String(kLandFileName), nullptr);
    QVERIFY(outline);
    const auto land = std::make_shared<const LandPicture>(*outline);
    canvas.setLand(land);
    if (centre != kTripFitted)
        canvas.centreOn(centre, 40);
    canvas.grab();
    const auto exact = [&] {
        const QString png = w.folder.filePath(QStringLiteral("exact.png"));
        TripMap trip = canvas.trip();
        trip.size = canvas.size();
        return renderTripMap(trip, *land, canvas.frame(), png).isEmpty()
                   ? QImage(png).convertToFormat(QImage::Format_RGB32)
                   : QImage();
    };
    for (int i = 0; i < steps; ++i) {
        canvas.pan(step);
        canvas.grab(); // a frame while moving
    }
    QVERIFY(canvas.moving());
    // Moving, the picture may lie a fraction of a pixel off, lines may differ where
    // the strips meet and a label keeps the side it had: few pixels differ.
    const QImage moving = canvas.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage wanted = exact();
    QCOMPARE(moving.size(), wanted.size());
    qsizetype differing = 0;
    for (int y = 0; y < wanted.height(); ++y)
        for (int x = 0; x < wanted.width(); ++x) {
            const QRgb a = moving.pixel(x, y), b = wanted.pixel(x, y);
            differing += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                             std::abs(qBlue(a) - qBlue(b)) >
                         24;
        }
    QVERIFY2(differing < wanted.width() * wanted.height() / 100,
             qPrintable(QStringLiteral("%1 pixels differ").arg(differing)));
    // At rest: exactly the picture drawn afresh.
    QTRY_VERIFY(!canvas.moving());
    QCOMPARE(canvas.grab().toImage().convertToFormat(QImage::Format_RGB32), exact());
}

QTEST_MAIN(TestMapWindow)
#include "tst_map_window.moc"
