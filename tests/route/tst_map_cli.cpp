#include "support/map_checks.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace amb::test;

namespace {
// The trip of every row, and the total worked out apart from the tool (the sphere's
// degrees times 60 times 1.1515 miles): what a map drawn of it shows.
amb::route::TripMap drawnTrip() {
    amb::route::TripMap trip;
    trip.stops = {{QStringLiteral("Tokyo, Japan"), {35.6895, 139.6917}},
                  {QStringLiteral("Honolulu, Hawaii, United States"), {21.3069, -157.8583}},
                  {QStringLiteral("San Francisco, California, United States"), {37.7749, -122.4194}}};
    trip.total = QStringLiteral("Total: 6250.4 miles");
    return trip;
}
} // namespace

// The tool's --map option: the picture beside the sentences, or a clear message, an
// exit status and nothing left behind.
class TestMapCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI")); }
    void distanceMap_data();
    void distanceMap();
};

void TestMapCli::distanceMap_data() {
    QTest::addColumn<QStringList>("args"); // %1 is a fresh folder holding the file "file"
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("platform"); // QT_QPA_PLATFORM, or the test's own
    QTest::newRow("PNG") << QStringList{QStringLiteral("--map"), QStringLiteral("%1/trip.png")} << 0
                         << QStringLiteral("trip.png") << QString() << QString();
    QTest::newRow("SVG, --map=") << QStringList{QStringLiteral("--map=%1/trip.svg")} << 0
                                 << QStringLiteral("trip.svg") << QString() << QString();
    QTest::newRow("a folder that does not exist")
        << QStringList{QStringLiteral("--map"), QStringLiteral("%1/missing/trip.png")} << 1
        << QString() << QStringLiteral("Cannot write the map to %1/missing/trip.png") << QString();
    QTest::newRow("another suffix")
        << QStringList{QStringLiteral("--map"), QStringLiteral("%1/trip.jpg")} << 2 << QString()
        << QStringLiteral("the map file must end in .png or .svg") << QString();
    QTest::newRow("no file name") << QStringList{QStringLiteral("--map")} << 2 << QString()
                                  << QStringLiteral("--map needs a file name") << QString();
    QTest::newRow("a desktop platform without a display")
        << QStringList{QStringLiteral("--map"), QStringLiteral("%1/trip.png")} << 0
        << QStringLiteral("trip.png") << QString() << QStringLiteral("xcb");
}

void TestMapCli::distanceMap() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, written);
    QFETCH(QString, message);
    QFETCH(QString, platform);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("file")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    for (QString& arg : args)
        arg = arg.arg(dir.path());

    ToolInput how;
    for (const amb::route::MapStop& stop : drawnTrip().stops)
        how.input += stop.label.toUtf8() + '\t' + QByteArray::number(stop.at.lat, 'g', 10) + '\t' +
                     QByteArray::number(stop.at.lon, 'g', 10) + '\n';
    if (!platform.isEmpty()) {
        how.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        how.environment.remove(QStringLiteral("DISPLAY"));
        how.environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    }
    const ToolRun run = runTool(QStringList{QStringLiteral("distance")} << args, how);
    QCOMPARE(run.exitCode, exitCode);
    if (message.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(QDir::toNativeSeparators(message.arg(dir.path()))),
                 qPrintable(run.err));
    if (exitCode != 2) // the sentences come out whatever becomes of the map
        QCOMPARE(run.out.count(QLatin1Char('\n')), 2);

    QStringList expected{QStringLiteral("file")};
    if (!written.isEmpty())
        expected << written;
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             expected);
    if (written.endsWith(QLatin1String(".png")))
        checkTripPicture(QImage(dir.filePath(written)), drawnTrip());
    else if (written.endsWith(QLatin1String(".svg")))
        checkTripSvg(dir.filePath(written), drawnTrip());
}

QTEST_GUILESS_MAIN(TestMapCli)
#include "tst_map_cli.moc"
