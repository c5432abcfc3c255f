#include "app/locale_numbers.h"
#include "app/qt_platform.h"
#include "app/runtime_error.h"
#include "app/settings.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace amb;
using namespace amb::test;

namespace {
const QString kCitiesKey = QStringLiteral("Tormalyn/Ambrevale/Cities");
const QString kCoordinatesKey = QStringLiteral("Tormalyn/Ambrevale/CityCoordinates");

// The real settings store, with message boxes recorded instead of shown.
class RecordingQtPlatform : public QtPlatform {
public:
    int messageBox(const QString& text, const QString&, int) override {
        texts << text;
        return mb::AnswerOk;
    }
    QStringList texts;
};

QStringList tripTexts(const Form1& form) {
    QStringList texts;
    for (int i = 1; i <= form.ListView3->count(); ++i)
        texts << form.ListView3->text(i);
    return texts;
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void restoreFromSavedValue_data();
    void restoreFromSavedValue();
    void saveOnClose_data();
    void saveOnClose();
    void coordinatesComeBackWhenTheyMatch();
    void coordinatesIgnoredWhenTheyDoNotMatch_data();
    void coordinatesIgnoredWhenTheyDoNotMatch();
    void everyEntryIsSavedBeyond32767();
    void failedWriteIsReportedAndKeepsThePreviousValue();
    void failedRestoreStepKeepsTheOthers_data();
    void failedRestoreStepKeepsTheOthers();
    void closingDuringLongCommandEndsAtOnce_data();
    void closingDuringLongCommandEndsAtOnce();
    void storeRoundTripsAnyText_data();
    void storeRoundTripsAnyText();
    void damagedStoredValueNeverStopsStartUp_data();
    void damagedStoredValueNeverStopsStartUp();
    void unwritableStoreThrows();

private:
    QTemporaryDir configHome_;
};

void TestSettings::initTestCase() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome_.path());
}

void TestSettings::restoreFromSavedValue_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("restored");
    QTest::newRow("absent") << QString() << QStringList();
    QTest::newRow("A;B;C in order")
        << QStringLiteral("A;B;C")
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    QTest::newRow("empty part between two")
        << QStringLiteral("Oslo - Norway;;Rome - Italy")
        << QStringList{QStringLiteral("Oslo - Norway"), QStringLiteral("Rome - Italy")};
    QTest::newRow("a single ;") << QStringLiteral(";") << QStringList();
    QTest::newRow("same text twice")
        << QStringLiteral("A;A") << QStringList{QStringLiteral("A"), QStringLiteral("A")};
    QTest::newRow("leading and trailing ;")
        << QStringLiteral(";A;") << QStringList{QStringLiteral("A")};
    QTest::newRow("spaces are kept")
        << QStringLiteral(" A ; B") << QStringList{QStringLiteral(" A "), QStringLiteral(" B")};
}

void TestSettings::restoreFromSavedValue() {
    QFETCH(QString, stored);
    QFETCH(QStringList, restored);
    TestWindow w;
    if (!stored.isNull())
        w.platform.settings[kCitiesKey] = stored;
    w.load();
    QCOMPARE(tripTexts(*w.form), restored);
    QVERIFY(w.platform.boxes.empty());
    for (int i = 1; i <= w.form->ListView3->count(); ++i) {
        QCOMPARE(w.form->ListView3->subItem(i, 1), QString()); // no coordinates value saved
        QCOMPARE(w.form->ListView3->subItem(i, 2), QString());
    }
}

void TestSettings::saveOnClose_data() {
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QStringList>("afterRestart");
    QTest::newRow("empty list") << QStringList() << QString() << QStringList();
    QTest::newRow("one entry, no ;")
        << QStringList{QStringLiteral("Oslo - Norway")} << QStringLiteral("Oslo - Norway")
        << QStringList{QStringLiteral("Oslo - Norway")};
    QTest::newRow("A, B, C") << QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                            QStringLiteral("C")}
                             << QStringLiteral("A;B;C")
                             << QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                            QStringLiteral("C")};
    QTest::newRow("duplicates saved twice")
        << QStringList{QStringLiteral("A"), QStringLiteral("A")} << QStringLiteral("A;A")
        << QStringList{QStringLiteral("A"), QStringLiteral("A")};
    // "Cities" keeps its layout; the kept coordinates bring the entry back whole.
    QTest::newRow("a ; inside an entry stays in it")
        << QStringList{QStringLiteral("X;Y")} << QStringLiteral("X;Y")
        << QStringList{QStringLiteral("X;Y")};
}

void TestSettings::saveOnClose() {
    QFETCH(QStringList, entries);
    QFETCH(QString, saved);
    QFETCH(QStringList, afterRestart);
    TestWindow first;
    first.platform.settings[kCitiesKey] = QStringLiteral("stale");
    first.load();
    first.form->ListView3->clear();
    for (const QString& e : entries)
        first.form->ListView3->add(e);
    first.form->Form_QueryUnload();
    QVERIFY(first.platform.settings.contains(kCitiesKey)); // written also when empty
    QCOMPARE(first.platform.settings.value(kCitiesKey), saved);
    QVERIFY(first.platform.reports().isEmpty());
    QVERIFY(first.platform.doEventsCalls >= 1);

    TestWindow second;
    second.platform.settings = first.platform.settings;
    second.load();
    QCOMPARE(tripTexts(*second.form), afterRestart);
}

void TestSettings::coordinatesComeBackWhenTheyMatch() {
    TestWindow first;
    first.load();
    addRow(*first.form->ListView3, QStringLiteral("Zürich - Zurich, Switzerland"),
           QStringLiteral("47.36667"), QStringLiteral("8.55"));
    addRow(*first.form->ListView3, QStringLiteral("Tab\there - X"), QStringLiteral("-1.5"),
           QStringLiteral("-2.25"));
    first.form->ListView3->add(QStringLiteral("Restored - Without, Coordinates"));
    first.form->Form_QueryUnload();

    TestWindow second;
    second.platform.settings = first.platform.settings;
    second.load();
    ListView& trip = *second.form->ListView3;
    QCOMPARE(trip.count(), 3);
    QCOMPARE(trip.text(1), QStringLiteral("Zürich - Zurich, Switzerland"));
    QCOMPARE(trip.subItem(1, 1), QStringLiteral("47.36667"));
    QCOMPARE(trip.subItem(1, 2), QStringLiteral("8.55"));
    QCOMPARE(trip.text(2), QStringLiteral("Tab\there - X"));
    QCOMPARE(trip.subItem(2, 2), QStringLiteral("-2.25"));
    QCOMPARE(trip.subItem(3, 1), QString());
}

void TestSettings::coordinatesIgnoredWhenTheyDoNotMatch_data() {
    QTest::addColumn<QString>("cities");
    QTest::addColumn<QString>("coordinates");
    QTest::newRow("fewer coordinates") << QStringLiteral("A;B") << QStringLiteral("A\t1\t2");
    QTest::newRow("texts differ") << QStringLiteral("A;B") << QStringLiteral("A\t1\t2\nC\t3\t4");
    QTest::newRow("entry split by its ;") << QStringLiteral("X;Y") << QStringLiteral("X;Y\t1\t2");
    QTest::newRow("damaged") << QStringLiteral("A") << QStringLiteral("garbage without tabs");
    QTest::newRow("kept entries of another trip")
        << QStringLiteral("A;B") << QStringLiteral(R"([["A","1","2"],["C","3","4"]])");
}

void TestSettings::coordinatesIgnoredWhenTheyDoNotMatch() {
    QFETCH(QString, cities);
    QFETCH(QString, coordinates);
    TestWindow w;
    w.platform.settings[kCitiesKey] = cities;
    w.platform.settings[kCoordinatesKey] = coordinates;
    w.load();
    QCOMPARE(tripTexts(*w.form), splitCities(cities));
    for (int i = 1; i <= w.form->ListView3->count(); ++i)
        QCOMPARE(w.form->ListView3->subItem(i, 1), QString());
    QVERIFY(w.platform.boxes.empty());
}

void TestSettings::everyEntryIsSavedBeyond32767() {
    TestWindow first;
    first.load();
    const int n = 40000;
    for (int i = 1; i <= n; ++i)
        first.form->ListView3->add(QStringLiteral("City %1 - Region").arg(i));
    first.form->Form_QueryUnload();
    QVERIFY(first.platform.reports().isEmpty());
    TestWindow second;
    second.platform.settings = first.platform.settings;
    second.load();
    QCOMPARE(second.form->ListView3->count(), n);
    QCOMPARE(second.form->ListView3->text(n), QStringLiteral("City 40000 - Region"));
}

void TestSettings::failedWriteIsReportedAndKeepsThePreviousValue() {
    TestWindow w;
    w.platform.settings[kCitiesKey] = QStringLiteral("Before - X");
    w.load();
    w.form->ListView3->add(QStringLiteral("After - Y"));
    w.platform.settingsWriteFails = true;
    w.form->Form_QueryUnload();
    QCOMPARE(w.platform.reports().size(), 1);
    QVERIFY(w.platform.reports().first().contains(
        QStringLiteral("in Kestrune2021/08/31.Form1.Form_QueryUnload at line 110")));
    QCOMPARE(w.platform.settings.value(kCitiesKey), QStringLiteral("Before - X"));
    QVERIFY(w.platform.doEventsCalls >= 1); // the closing still goes on
}

void TestSettings::failedRestoreStepKeepsTheOthers_data() {
    QTest::addColumn<QString>("unreadable");
    QTest::addColumn<int>("line");
    QTest::addColumn<QStringList>("restored");
    QTest::newRow("the trip list") << kCitiesKey << 142 << QStringList();
    QTest::newRow("the coordinates")
        << kCoordinatesKey << 144
        << QStringList{QStringLiteral("Oslo - Norway"), QStringLiteral("Rome - Italy")};
}

void TestSettings::failedRestoreStepKeepsTheOthers() {
    QFETCH(QString, unreadable);
    QFETCH(int, line);
    QFETCH(QStringList, restored);
    TestWindow w;
    w.platform.settings[kCitiesKey] = QStringLiteral("Oslo - Norway;Rome - Italy");
    w.platform.settings[kCoordinatesKey] =
        QStringLiteral("Oslo - Norway\t59.9\t10.7\nRome - Italy\t41.9\t12.5");
    w.platform.unreadableSettings = {unreadable};
    w.load();
    QCOMPARE(w.platform.reports().size(), 1);
    QVERIFY(w.platform.reports().constFirst().contains(
        QStringLiteral("Form1.Form_Load at line %1\r\r").arg(line)));
    QCOMPARE(tripTexts(*w.form), restored);
    for (int i = 1; i <= w.form->ListView3->count(); ++i) // no coordinates came back
        QCOMPARE(w.form->ListView3->subItem(i, 1), QString());
}

void TestSettings::closingDuringLongCommandEndsAtOnce_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("distance run") << QStringLiteral("PushButton17");
    QTest::newRow("text export") << QStringLiteral("PushButton4");
    QTest::newRow("spreadsheet export") << QStringLiteral("PushButton13");
    QTest::newRow("clipboard copy") << QStringLiteral("PushButton5");
}

void TestSettings::closingDuringLongCommandEndsAtOnce() {
    // The window closes while the command lets events run: the trip list is saved,
    // and the command goes no further (no more events, no "Done.", no file).
    QFETCH(QString, button);
    TestWindow w;
    w.load();
    for (int k = 0; k < 3; ++k) {
        w.form->ListView3->setSubItem(w.form->ListView3->add(QStringLiteral("C%1 - R").arg(k)), 1,
                                      QStringLiteral("0"));
        w.form->ListView3->setSubItem(k + 1, 2, QString::number(k));
        w.form->ListView2->setChecked(w.form->ListView2->add(QStringLiteral("line %1").arg(k)),
                                      true);
    }
    QTemporaryDir dir;
    w.platform.saveNames = {dir.filePath(QStringLiteral("out.txt"))};
    int callsAtClose = 0;
    w.platform.onDoEvents = [&](int call) {
        if (call == 2 && !callsAtClose) {
            callsAtClose = call;
            w.form->close();
        }
    };
    auto* control = w.form->findChild<QPushButton*>(button);
    QVERIFY(control);
    control->click(); // the handler stops; the click itself returns
    QVERIFY(w.platform.ended);
    QCOMPARE(w.platform.doEventsCalls, callsAtClose + 1); // the save's own, then nothing
    QCOMPARE(w.platform.settings.value(kCitiesKey), QStringLiteral("C0 - R;C1 - R;C2 - R"));
    QVERIFY(!w.platform.boxTexts().contains(QStringLiteral("Done.")));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    QVERIFY2(w.platform.reports().isEmpty(), qPrintable(w.platform.reports().join(u'\n')));
}

void TestSettings::storeRoundTripsAnyText_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("commas") << QStringLiteral("Washington - District of Columbia, United States");
    QTest::newRow("equals") << QStringLiteral("a=b;c==d");
    QTest::newRow("quotes") << QStringLiteral("\"Quoted\" - 'single'");
    QTest::newRow("accents") << QStringLiteral(
        "Zürich - Zürich, Switzerland;Évry - Île-de-France, France");
    QTest::newRow("cyrillic and cjk")
        << QStringLiteral("Москва - Moscow, Russia;東京 - Tokyo, Japan");
    QTest::newRow("at sign first") << QStringLiteral("@Variant(not really)");
    QTest::newRow("outer spaces") << QStringLiteral("  spaced  ");
    QTest::newRow("backslashes and hash") << QStringLiteral("C:\\x\\y #not a comment ;semi");
    QTest::newRow("line breaks") << QStringLiteral("one\ntwo\r\nthree\ttab");
    QTest::newRow("empty") << QString();
    QTest::newRow("kept coordinates")
        << keepCoordinates({{QStringLiteral("Line\nbreak, \"X\";Y\t[1]"), QStringLiteral("-12.5"),
                             QStringLiteral("not a number")}},
                           LocaleNumbers(QLocale::c()));
    QString many;
    for (int i = 0; i < 40000; ++i)
        many += QStringLiteral("City %1 - Region, Country;").arg(i);
    QTest::newRow("40000 entries") << many;
}

void TestSettings::storeRoundTripsAnyText() {
    QFETCH(QString, text);
    RecordingQtPlatform platform;
    platform.writeSetting(kSettingsApplication, kSettingsSection, kCitiesValue, text);
    QCOMPARE(platform.readSetting(kSettingsApplication, kSettingsSection, kCitiesValue,
                                  QStringLiteral("default")),
             text);
}

void TestSettings::damagedStoredValueNeverStopsStartUp_data() {
    QTest::addColumn<QByteArray>("head"); // bytes before the section
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("restored");
    // A hand-edited value without quotes: the store reads commas as a list and a ";"
    // as the start of a comment. What it gives back is restored, a value it cannot read
    // is absent; nothing fails.
    QTest::newRow("byte-order mark") << QByteArray("\xef\xbb\xbf")
                                     << QByteArray("Cities=Oslo - Norway\n")
                                     << QStringList{QStringLiteral("Oslo - Norway")};
    QTest::newRow("unquoted commas")
        << QByteArray() << QByteArray("Cities=Oslo - Norway, Europe;Rome - Italy\n")
        << QStringList{QStringLiteral("Oslo - Norway,Europe")};
    QTest::newRow("broken variant")
        << QByteArray() << QByteArray("Cities=@Variant(\\0\\0\\0\\x7f\\0\\0\\0)\n")
        << QStringList();
    QTest::newRow("byte array") << QByteArray() << QByteArray("Cities=@ByteArray(Oslo - Norway)\n")
                                << QStringList{QStringLiteral("Oslo - Norway")};
    // Bytes that are not UTF-8 come back as replacement characters, up to the comment.
    QTest::newRow("binary junk") << QByteArray() << QByteArray("Cities=\xff\xfe\x01\x02;ok\n")
                                 << QStringList{QStringLiteral("\uFFFD\uFFFD\x01\x02")};
    QByteArray huge("Cities=\"");
    QStringList hugeTrip;
    for (int i = 0; i < 200000; ++i) {
        huge += "Somewhere " + QByteArray::number(i) + " - Region;";
        hugeTrip << QStringLiteral("Somewhere %1 - Region").arg(i);
    }
    huge += "\"\n";
    QTest::newRow("oversized") << QByteArray() << huge << hugeTrip;
}

void TestSettings::damagedStoredValueNeverStopsStartUp() {
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, line);
    QFETCH(QStringList, restored);
    {
        QFile file(configHome_.filePath(QStringLiteral("Tormalyn.conf")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(head + "[Ambrevale]\n" + line + "CityCoordinates=@Variant(junk)\n");
    }
    RecordingQtPlatform platform;
    Form1 form(platform);
    form.Form_Load();
    QCOMPARE(form.windowTitle(), QStringLiteral("Ambrevale"));
    QCOMPARE(form.ListView2->columnCount(), 1);
    QVERIFY2(platform.texts.isEmpty(), qPrintable(platform.texts.join(QLatin1Char('\n'))));
    QCOMPARE(tripTexts(form), restored);
    // Closing saves the trip over the damaged file without a false report.
    form.ListView3->clear();
    form.ListView3->add(QStringLiteral("Saved - Here"));
    form.Form_QueryUnload();
    QVERIFY2(platform.texts.isEmpty(), qPrintable(platform.texts.join(QLatin1Char('\n'))));
    QCOMPARE(platform.readSetting(kSettingsApplication, kSettingsSection, kCitiesValue, {}),
             QStringLiteral("Saved - Here"));
    QFile::remove(configHome_.filePath(QStringLiteral("Tormalyn.conf")));
}

void TestSettings::unwritableStoreThrows() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStringLiteral("/proc/no-such-place"));
    RecordingQtPlatform platform;
    QVERIFY_THROWS_EXCEPTION(RunTimeError,
                             platform.writeSetting(kSettingsApplication, kSettingsSection,
                                                   kCitiesValue, QStringLiteral("x")));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome_.path());
}

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
