// The trip list is kept in the settings store as it changes, whichever command
// changes it, so a run that ends badly loses none of it.
#include "app/locale_numbers.h"
#include "app/qt_platform.h"
#include "app/settings.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace amb;
using namespace amb::test;
using namespace Qt::StringLiterals;

namespace {
const QString kCitiesKey = u"Tormalyn/Ambrevale/Cities"_s;
const QString kCoordinatesKey = u"Tormalyn/Ambrevale/CityCoordinates"_s;
// "text|latitude|longitude"
const QStringList kTrip{u"Paris - Ile-de-France|48.8566|2.3522"_s,
                        u"London - England|51.5074|-0.1278"_s,
                        u"Suva - Central|-18.1416|178.4419"_s};
const QStringList kFound{u"Oslo - Oslo, Norway|59.91|10.75"_s, u"Rome - Lazio, Italy|41.89|12.48"_s};

void change(TestWindow& w, const QString& step) {
    Form1& f = *w.form;
    const auto fileOfOslo = [&] {
        const QString path = w.folder.filePath(u"trip.txt"_s);
        writeFile(path, "Oslo - Oslo\t59.91\t10.75\n");
        w.platform.answers.push_back(mb::AnswerYes); // replace the trip list
        return path;
    };
    if (step == u"add") {
        f.ListView1->select(1);
        f.PushButton6_Click();
    } else if (step == u"double-click add") {
        f.ListView1->select(2);
        f.ListView1_DblClick();
    } else if (step == u"delete") {
        f.ListView3->select(2);
        f.PushButton3_Click();
    } else if (step == u"clear") {
        f.PushButton1_Click();
    } else if (step == u"move up" || step == u"move down") {
        f.ListView3->select(2);
        step == u"move up" ? f.MoveUp_Click() : f.MoveDown_Click();
    } else if (step == u"reverse") {
        f.ReverseTrip_Click();
    } else if (step == u"open") {
        w.platform.openNames.push_back(fileOfOslo());
        f.OpenTrip_Click();
    } else if (step == u"drop") {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(fileOfOslo())});
        QWidget* target = f.ListView3->viewport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QCoreApplication::processEvents(); // the file opens once the drop is over
    } else {
        QFAIL(qPrintable(u"no such change: "_s + step));
    }
}
} // namespace

class TestTripKept : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void everyChangeIsKept_data();
    void everyChangeIsKept();
    void storeReplacesItsFileWhole();
};

void TestTripKept::everyChangeIsKept_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("storeFails");
    QTest::addColumn<QString>("kept"); // "Cities" once the change is written
    const QString paris = u"Paris - Ile-de-France"_s, london = u"London - England"_s,
                  suva = u"Suva - Central"_s, oslo = u"Oslo - Oslo, Norway"_s;
    const auto row = [](const char* name, const QStringList& steps, const QStringList& kept,
                        bool fails = false) {
        QTest::newRow(name) << steps << fails << joinCities(kept);
    };
    row("add", {u"add"_s}, {paris, london, suva, oslo});
    row("double-click add", {u"double-click add"_s}, {paris, london, suva, u"Rome - Lazio, Italy"_s});
    row("delete", {u"delete"_s}, {paris, suva});
    row("clear", {u"clear"_s}, {});
    row("move up", {u"move up"_s}, {london, paris, suva});
    row("move down", {u"move down"_s}, {paris, suva, london});
    row("reverse", {u"reverse"_s}, {suva, london, paris});
    row("open a trip file", {u"open"_s}, {u"Oslo - Oslo"_s});
    row("drop a file", {u"drop"_s}, {u"Oslo - Oslo"_s});
    row("quick changes share one write", {u"add"_s, u"reverse"_s, u"delete"_s},
        {oslo, london, paris});
    row("a store that fails shows nothing", {u"add"_s}, {paris, london, suva}, true);
}

void TestTripKept::everyChangeIsKept() {
    QFETCH(QStringList, steps);
    QFETCH(bool, storeFails);
    TestWindow w;
    std::vector<SavedEntry> entries;
    for (const QString& row : kTrip) {
        const QStringList fields = row.split(u'|');
        entries.push_back({fields[0], fields[1], fields[2]});
    }
    QStringList texts;
    for (const SavedEntry& e : entries)
        texts << e.text;
    w.platform.settings[kCitiesKey] = joinCities(texts);
    w.platform.settings[kCoordinatesKey] = keepCoordinates(entries, LocaleNumbers::current());
    w.load();
    QCOMPARE(itemRows(*w.form->ListView3), kTrip);
    addRows(*w.form->ListView1, kFound);
    QVERIFY(!w.form->TripListKeeper1->pending()); // start-up's restore is not written back
    QVERIFY(w.platform.settingsWrites.isEmpty());

    w.platform.settingsWriteFails = storeFails;
    for (const QString& step : steps)
        change(w, step);
    const size_t boxes = w.platform.boxes.size(); // the question before opening a file
    QVERIFY(w.form->TripListKeeper1->pending());
    QTRY_VERIFY_WITH_TIMEOUT(!w.platform.settingsWrites.isEmpty(), 5000);
    QVERIFY(!w.form->TripListKeeper1->pending());
    QCOMPARE(w.platform.boxes.size(), boxes);
    QTEST(w.platform.settings.value(kCitiesKey), "kept");
    if (storeFails) {
        QCOMPARE(w.platform.settingsWrites, QStringList{kCitiesKey}); // tried, and failed
        w.form->Form_QueryUnload();
        QCOMPARE(w.platform.reportPlaces(), QStringList{u"Form1.Form_QueryUnload 110"_s});
        return;
    }
    QCOMPARE(w.platform.settingsWrites, (QStringList{kCitiesKey, kCoordinatesKey}));
    // What the close writes, to the byte: nothing is left for it to change.
    const QMap<QString, QString> kept = w.platform.settings;
    w.form->Form_QueryUnload();
    QCOMPARE(w.platform.settings, kept);
    QVERIFY(w.platform.reports().isEmpty());
}

// A run killed while the store writes leaves the old file or the new one: the new
// text goes into a file of its own, which then takes the old one's place.
void TestTripKept::storeReplacesItsFileWhole() {
#ifdef Q_OS_WIN
    QSKIP("the store is the registry");
#else
    QTemporaryDir home;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QtPlatform platform;
    const QByteArray file = QFile::encodeName(home.filePath(u"Tormalyn.conf"_s));
    struct stat before {}, after {};
    platform.writeSettings(kSettingsApplication, kSettingsSection, {{kCitiesValue, u"A"_s}});
    QCOMPARE(::stat(file.constData(), &before), 0);
    platform.writeSettings(kSettingsApplication, kSettingsSection,
                           {{kCitiesValue, u"B;C"_s}, {kCoordinatesValue, u"[]"_s}});
    QCOMPARE(::stat(file.constData(), &after), 0);
    QVERIFY(before.st_ino != after.st_ino);
    QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Tormalyn.conf"_s});
    QCOMPARE(platform.readSetting(kSettingsApplication, kSettingsSection, kCitiesValue, {}),
             u"B;C"_s);
#endif
}

QTEST_MAIN(TestTripKept)
#include "tst_trip_kept.moc"
