#include "support/test_helpers.h"
#include "trip/trip_arguments.h"
#include "trip/trip_files.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace amb;
using namespace Qt::StringLiterals;
using namespace amb::test;

namespace {

// "text|latitude|longitude"
const QStringList kTrip{
    u"Paris - Ile-de-France|48.8566|2.3522"_s, u"O'Brien, \"Quoted\" - Région, <&> ü|-33.9|151.2"_s,
    u"London - England|51.5074|-0.1278"_s, u"Suva - Central|-18.1416|178.4419"_s};

void fillTrip(ListView& list, int n = 4) {
    addRows(list, kTrip.first(n));
}

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("FAILED: ") + QString::fromUtf8(process.readAllStandardError());
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestTripWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void reorderKeepsTheEntrySelected_data();
    void reorderKeepsTheEntrySelected();
    void savedTripOpensAsItWas_data();
    void savedTripOpensAsItWas();
    void otherProgramsReadTheSavedTrip_data();
    void otherProgramsReadTheSavedTrip();
    void badFileLeavesTheTripAlone_data();
    void badFileLeavesTheTripAlone();
    void openingAsksBeforeReplacing_data();
    void openingAsksBeforeReplacing();
    void commandLineFilesOpenLikeOpenTrip_data();
    void commandLineFilesOpenLikeOpenTrip();
};

void TestTripWindow::reorderKeepsTheEntrySelected_data() {
    QTest::addColumn<int>("selected"); // 0: none
    QTest::addColumn<QString>("command");
    QTest::addColumn<QList<int>>("order"); // kTrip positions from 1, top to bottom
    QTest::addColumn<int>("selectedAfter");
    QTest::newRow("up from the middle") << 3 << u"up"_s << QList<int>{1, 3, 2, 4} << 2;
    QTest::newRow("up from the top stays") << 1 << u"up"_s << QList<int>{1, 2, 3, 4} << 1;
    QTest::newRow("down from the middle") << 2 << u"down"_s << QList<int>{1, 3, 2, 4} << 3;
    QTest::newRow("down from the bottom stays") << 4 << u"down"_s << QList<int>{1, 2, 3, 4} << 4;
    QTest::newRow("up with none selected") << 0 << u"up"_s << QList<int>{1, 2, 3, 4} << 0;
    QTest::newRow("reverse") << 2 << u"reverse"_s << QList<int>{4, 3, 2, 1} << 3;
    QTest::newRow("reverse, none selected") << 0 << u"reverse"_s << QList<int>{4, 3, 2, 1} << 0;
}

void TestTripWindow::reorderKeepsTheEntrySelected() {
    QFETCH(int, selected);
    QFETCH(QString, command);
    QFETCH(QList<int>, order);
    QFETCH(int, selectedAfter);
    TestWindow w;
    w.load();
    ListView& trip = *w.form->ListView3;
    fillTrip(trip);
    trip.clearSelection(); // filling selected the first entry
    if (selected)
        trip.select(selected);
    if (command == QLatin1String("up"))
        w.form->MoveUp_Click();
    else if (command == QLatin1String("down"))
        w.form->MoveDown_Click();
    else
        w.form->ReverseTrip_Click();
    QStringList expected;
    for (int k : order)
        expected << kTrip.at(k - 1);
    QCOMPARE(itemRows(trip), expected); // coordinates travel with their city
    QCOMPARE(trip.hasSelection() ? trip.selectedIndex() : 0, selectedAfter);
    // Moving with nothing selected reports it, as Delete Selected does; nothing else does.
    QCOMPARE(w.platform.reports().size(), selected == 0 && command != QLatin1String("reverse"));
    // The kept trip follows the new order.
    w.form->Form_QueryUnload();
    QCOMPARE(w.platform.settings.value(QStringLiteral("Tormalyn/Ambrevale/Cities")),
             itemTexts(trip).join(QLatin1Char(';')));
}

void TestTripWindow::savedTripOpensAsItWas_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("cities");
    QTest::newRow("GPX") << u"trip.gpx"_s << 4;
    QTest::newRow("GeoJSON") << u"trip.geojson"_s << 4;
    QTest::newRow("CSV") << u"trip.csv"_s << 4;
    QTest::newRow("one city, GPX") << u"one.gpx"_s << 1;
    QTest::newRow("no suffix: the first type, GPX") << u"plain"_s << 4;
}

void TestTripWindow::savedTripOpensAsItWas() {
    QFETCH(QString, name);
    QFETCH(int, cities);
    TestWindow w;
    w.load();
    ListView& trip = *w.form->ListView3;
    fillTrip(trip, cities);
    const QStringList before = itemRows(trip);
    const QString path = w.folder.filePath(name);
    w.platform.saveNames.push_back(path);
    w.form->SaveTripAs_Click();
    QCOMPARE(w.platform.reports(), QStringList());
    const QString written =
        QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".gpx") : path;
    QVERIFY2(QFile::exists(written), qPrintable(written));

    w.form->PushButton1_Click();
    w.platform.openNames.push_back(written);
    w.form->OpenTrip_Click();
    QCOMPARE(w.platform.boxes.size(), size_t(0));
    QCOMPARE(itemRows(trip), before);
    // Opened entries are measured like added ones.
    w.form->PushButton17_Click();
    QCOMPARE(w.platform.reports(), QStringList());
    QCOMPARE(w.form->ListView2->count(), cities - 1);
}

void TestTripWindow::otherProgramsReadTheSavedTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("GPX in gpsbabel") << u"trip.gpx"_s;
    QTest::newRow("GeoJSON in ogrinfo") << u"trip.geojson"_s;
    QTest::newRow("CSV in ogrinfo") << u"trip.csv"_s;
}

void TestTripWindow::otherProgramsReadTheSavedTrip() {
#ifdef Q_OS_WIN
    QSKIP("the reading programs are the Linux build's; the files are written by the same code");
#endif
    QFETCH(QString, name);
    TestWindow w;
    w.load();
    fillTrip(*w.form->ListView3);
    const QString path = w.folder.filePath(name);
    w.platform.saveNames.push_back(path);
    w.form->SaveTripAs_Click();
    QString out;
    if (name.endsWith(QLatin1String(".gpx"))) {
        const QString gpsbabel = QStandardPaths::findExecutable(QStringLiteral("gpsbabel"));
        QVERIFY2(!gpsbabel.isEmpty(), "gpsbabel is installed by scripts/setup.sh");
        out = run(gpsbabel, {QStringLiteral("-i"), QStringLiteral("gpx"), QStringLiteral("-f"),
                             path, QStringLiteral("-o"), QStringLiteral("unicsv"),
                             QStringLiteral("-F"), QStringLiteral("-")});
    } else {
        const QString ogrinfo = QStandardPaths::findExecutable(QStringLiteral("ogrinfo"));
        QVERIFY2(!ogrinfo.isEmpty(), "ogrinfo (gdal-bin) is installed by scripts/setup.sh");
        out = run(ogrinfo, {QStringLiteral("-ro"), QStringLiteral("-al"), path});
    }
    QVERIFY2(!out.startsWith(QLatin1String("FAILED")), qPrintable(out));
    for (const QString& entry : kTrip) {
        // Each name's last word and each coordinate as written, in whatever quoting
        // the reader prints.
        const QStringList parts = entry.section(QLatin1Char('|'), 0, 0).split(QLatin1Char(' ')) +
                                  entry.section(QLatin1Char('|'), 1).split(QLatin1Char('|'));
        for (const QString& part : parts.last(3))
            QVERIFY2(out.contains(part), qPrintable(part + QStringLiteral(" in\n") + out));
    }
    if (name.endsWith(QLatin1String(".gpx"))) // a route of four named points
        QCOMPARE(out.count(QLatin1Char('\n')), 5);
    else
        QVERIFY2(out.contains(QStringLiteral("Feature Count: 4")), qPrintable(out));
}

void TestTripWindow::badFileLeavesTheTripAlone_data() {
    QTest::addColumn<QByteArray>("bytes"); // written to the file unless "unreadable"
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("saying"); // part of the box
    const QByteArray gpxStart = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" "
                                "xmlns=\"http://www.topografix.com/GPX/1/1\">\n";
    QTest::newRow("truncated XML")
        << gpxStart + "<rte><rtept lat=\"1\" lon=\"2\"><name>A</na" << u"t.gpx"_s << u"line 3"_s;
    QTest::newRow("GPX without points") << gpxStart + "<rte><name>empty</name></rte></gpx>\n"
                                        << u"t.gpx"_s << u"no route, track or waypoint points"_s;
    QTest::newRow("latitude out of range")
        << gpxStart + "<rte><rtept lat=\"91\" lon=\"2\"/></rte></gpx>" << u"t.gpx"_s
        << u"element rtept 1 (line 3): the latitude 91 is not between -90 and 90"_s;
    QTest::newRow("longitude out of range in CSV")
        << QByteArray("name,region,latitude,longitude\r\nA,,10,200\r\n") << u"t.csv"_s
        << u"line 2: the longitude 200"_s;
    QTest::newRow("coordinate not a number in GeoJSON")
        << QByteArray("{\"type\":\"FeatureCollection\",\"features\":[{\"type\":\"Feature\","
                      "\"geometry\":{\"type\":\"Point\",\"coordinates\":[\"x\",1]}}]}")
        << u"t.geojson"_s << u"feature 1"_s;
    QByteArray million = gpxStart + "<rte>\n";
    million.reserve(million.size() + 1000000 * 30);
    for (int i = 0; i < 1000000; ++i)
        million += "<rtept lat=\"1\" lon=\"2\"/>\n";
    million += "</rte></gpx>\n";
    QTest::newRow("1,000,000 points") << million << u"big.gpx"_s << u"more than 100000 points"_s;
    QTest::newRow("larger than the limit")
        << QByteArray(kMaxTripFileBytes + 1, ' ') << u"huge.csv"_s << u"larger than 32 MB"_s;
    QTest::newRow("a picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << u"t.gpx"_s
                               << u"it is no text"_s;
    QTest::newRow("a spreadsheet row without coordinates")
        << QByteArray("city,country\nParis,France\n") << u"t.csv"_s
        << u"names no latitude and longitude columns"_s;
    QTest::newRow("unreadable") << QByteArray() << u"missing.gpx"_s << u"cannot be read"_s;
}

void TestTripWindow::badFileLeavesTheTripAlone() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QString, saying);
    TestWindow w;
    w.load();
    fillTrip(*w.form->ListView3);
    const QStringList before = itemRows(*w.form->ListView3);
    const QString path = w.folder.filePath(name);
    if (!bytes.isEmpty())
        writeFile(path, bytes);
    w.form->OpenTripFile(path);
    QCOMPARE(itemRows(*w.form->ListView3), before);
    QCOMPARE(w.platform.boxes.size(), size_t(1)); // one box, no question
    const QString box = w.platform.boxes.front().text;
    QVERIFY2(box.contains(QDir::toNativeSeparators(path)) && box.contains(saying), qPrintable(box));
    QVERIFY(box.contains(QStringLiteral("unchanged")));
    QCOMPARE(w.form->ProgressBar1->value(), 0.0);
}

void TestTripWindow::openingAsksBeforeReplacing_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<bool>("dropped"); // on the trip list, instead of Open Trip…
    const QByteArray lines = "Oslo - Oslo\t59.91\t10.75\n\n";
    // The search's lines; a text may hold tabs of its own.
    QTest::newRow("yes: the tool's search lines")
        << int(mb::AnswerYes) << QByteArray("Oslo - Oslo\t59.91\t10.75\nA\tB - C\t1.5\t-2.25\n")
        << QStringList{u"Oslo - Oslo|59.91|10.75"_s, u"A\tB - C|1.5|-2.25"_s} << false;
    QTest::newRow("yes: a point without a name")
        << int(mb::AnswerYes)
        << QByteArray("<gpx><wpt lat=\"1.5\" lon=\"-2.25\"/><wpt lat=\"3\" lon=\"4\"><name>N</name>"
                      "</wpt></gpx>")
        << QStringList{u"1.5, -2.25|1.5|-2.25"_s, u"N|3|4"_s} << true;
    QTest::newRow("no: the trip stays")
        << int(mb::AnswerNo) << lines << QStringList{u"Paris - Ile-de-France|48.8566|2.3522"_s}
        << true;
}

void TestTripWindow::openingAsksBeforeReplacing() {
    QFETCH(int, answer);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, after);
    QFETCH(bool, dropped);
    TestWindow w;
    w.load();
    fillTrip(*w.form->ListView3, 1);
    const QString path = w.folder.filePath(QStringLiteral("trip.txt"));
    writeFile(path, bytes);
    w.platform.answers.push_back(answer);
    if (dropped) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QWidget* target = w.form->ListView3->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QCoreApplication::processEvents();
    } else {
        w.platform.openNames.push_back(path);
        w.form->OpenTrip_Click();
    }
    QCOMPARE(w.platform.boxes.size(), size_t(1));
    QCOMPARE(w.platform.boxes.front().style, mb::YesNo);
    QCOMPARE(itemRows(*w.form->ListView3), after);
}

void TestTripWindow::commandLineFilesOpenLikeOpenTrip_data() {
    QTest::addColumn<int>("before");      // cities in the restored list
    QTest::addColumn<QStringList>("files"); // "good", "bad" or "missing" + a name
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("boxes"); // a part of each box, in order
    const QStringList oslo{u"Oslo - Oslo|59.91|10.75"_s};
    const QStringList paris{u"Paris - Ile-de-France|48.8566|2.3522"_s};
    QTest::newRow("empty list: opened, no question")
        << 0 << QStringList{u"good:trip.txt"_s} << QList<int>{} << oslo << QStringList{};
    QTest::newRow("non-ASCII name")
        << 0 << QStringList{u"good:Reise nach Zürich – été.txt"_s} << QList<int>{} << oslo
        << QStringList{};
    QTest::newRow("list not empty: yes replaces")
        << 1 << QStringList{u"good:trip.txt"_s} << QList<int>{mb::AnswerYes} << oslo
        << QStringList{u"Replace the 1 cities"_s};
    QTest::newRow("list not empty: no keeps it")
        << 1 << QStringList{u"good:trip.txt"_s} << QList<int>{mb::AnswerNo} << paris
        << QStringList{u"Replace the 1 cities"_s};
    QTest::newRow("damaged: the list stays")
        << 1 << QStringList{u"bad:trip.gpx"_s} << QList<int>{} << paris
        << QStringList{u"trip list is unchanged"_s};
    QTest::newRow("missing") << 0 << QStringList{u"missing:gone.gpx"_s} << QList<int>{}
                             << QStringList{} << QStringList{u"cannot be read"_s};
    QTest::newRow("several: the first opens, the others are named")
        << 0 << QStringList{u"good:one.txt"_s, u"good:two.txt"_s, u"missing:three.gpx"_s}
        << QList<int>{} << oslo << QStringList{u"not opened:\n\n%1two.txt\n%1three.gpx"_s};
}

void TestTripWindow::commandLineFilesOpenLikeOpenTrip() {
    QFETCH(int, before);
    QFETCH(QStringList, files);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, after);
    QFETCH(QStringList, boxes);
    TestWindow w;
    w.load();
    fillTrip(*w.form->ListView3, before);
    QStringList paths;
    for (const QString& file : files) {
        const QString path = w.folder.filePath(file.section(QLatin1Char(':'), 1));
        if (file.startsWith(QLatin1String("good")))
            writeFile(path, "Oslo - Oslo\t59.91\t10.75\n");
        else if (file.startsWith(QLatin1String("bad")))
            writeFile(path, "<gpx><rte><rtept lat=\"1\" lon=");
        paths.append(path);
    }
    for (int answer : answers)
        w.platform.answers.push_back(answer);
    openTripArguments(*w.form, paths);
    QCOMPARE(itemRows(*w.form->ListView3), after);
    const QString folder = QDir::toNativeSeparators(w.folder.path() + QLatin1Char('/'));
    QCOMPARE(w.platform.boxes.size(), size_t(boxes.size()));
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const QString text = w.platform.boxes.at(size_t(i)).text;
        QVERIFY2(text.contains(QString(boxes.at(i)).replace(u"%1"_s, folder)), qPrintable(text));
    }
}

QTEST_MAIN(TestTripWindow)
#include "tst_trip_window.moc"
