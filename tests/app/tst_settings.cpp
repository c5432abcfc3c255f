#include "app/locale_numbers.h"
#include "app/qt_platform.h"
#include "app/runtime_error.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

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

QStringList withoutCoordinates(std::initializer_list<const char*> texts) {
    QStringList entries;
    for (const char* text : texts)
        entries << QString::fromUtf8(text) + QStringLiteral("||");
    return entries;
}
} // namespace

class TestSettings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
#ifdef Q_OS_WIN
    void classicKeyIsReadAtStartUp();
    void registryValuesAreStrings_data();
    void registryValuesAreStrings();
    void previousVersionsValuesAreTakenOver_data();
    void previousVersionsValuesAreTakenOver();
#endif
    void restore_data();
    void restore();
    void saveOnClose_data();
    void saveOnClose();
    void failedWriteIsReportedAndKeepsThePreviousValue();
    void closingDuringLongCommandEndsAtOnce_data();
    void closingDuringLongCommandEndsAtOnce();
    void storeRoundTripsAnyText_data();
    void storeRoundTripsAnyText();
#ifndef Q_OS_WIN // the store as a file
    void damagedStoredValueNeverStopsStartUp_data();
    void damagedStoredValueNeverStopsStartUp();
    void unwritableStoreThrows();
#endif

private:
    QTemporaryDir configHome_;
};

void TestSettings::initTestCase() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configHome_.path());
}

// Start-up restores the kept texts, and their coordinates only where the kept
// coordinates match the texts one for one; a step the store fails keeps the others.
void TestSettings::restore_data() {
    QTest::addColumn<QString>("cities");      // null: none kept
    QTest::addColumn<QString>("coordinates"); // null: none kept
    QTest::addColumn<QString>("unreadable");  // the key the store fails to read
    QTest::addColumn<QStringList>("trip");    // "text|latitude|longitude"
    QTest::addColumn<QStringList>("reported");
    const auto row = [](const char* name, const QString& cities, const QStringList& trip,
                        const QString& coordinates = {}, const QString& unreadable = {},
                        const QStringList& reported = {}) {
        QTest::newRow(name) << cities << coordinates << unreadable << trip << reported;
    };
    row("absent", QString(), {});
    row("A;B;C in order", QStringLiteral("A;B;C"), withoutCoordinates({"A", "B", "C"}));
    row("empty part between two", QStringLiteral("Oslo - Norway;;Rome - Italy"),
        withoutCoordinates({"Oslo - Norway", "Rome - Italy"}));
    row("a single ;", QStringLiteral(";"), {});
    row("same text twice", QStringLiteral("A;A"), withoutCoordinates({"A", "A"}));
    row("leading and trailing ;", QStringLiteral(";A;"), withoutCoordinates({"A"}));
    row("spaces are kept", QStringLiteral(" A ; B"), withoutCoordinates({" A ", " B"}));

    const QStringList ab = withoutCoordinates({"A", "B"});
    row("fewer coordinates", QStringLiteral("A;B"), ab, QStringLiteral("A\t1\t2"));
    row("coordinates of other texts", QStringLiteral("A;B"), ab,
        QStringLiteral("A\t1\t2\nC\t3\t4"));
    row("entry split by its ;", QStringLiteral("X;Y"), withoutCoordinates({"X", "Y"}),
        QStringLiteral("X;Y\t1\t2"));
    row("damaged coordinates", QStringLiteral("A"), withoutCoordinates({"A"}),
        QStringLiteral("garbage without tabs"));
    row("kept entries of another trip", QStringLiteral("A;B"), ab,
        QStringLiteral(R"([["A","1","2"],["C","3","4"]])"));

    const QString oslo = QStringLiteral("Oslo - Norway;Rome - Italy");
    const QString osloCoordinates =
        QStringLiteral("Oslo - Norway\t59.9\t10.7\nRome - Italy\t41.9\t12.5");
    row("the trip list unreadable", oslo, {}, osloCoordinates, kCitiesKey,
        {QStringLiteral("Form1.Form_Load 142")});
    row("the coordinates unreadable", oslo, withoutCoordinates({"Oslo - Norway", "Rome - Italy"}),
        osloCoordinates, kCoordinatesKey, {QStringLiteral("Form1.Form_Load 144")});
}

void TestSettings::restore() {
    QFETCH(QString, cities);
    QFETCH(QString, coordinates);
    QFETCH(QString, unreadable);
    TestWindow w;
    if (!cities.isNull())
        w.platform.settings[kCitiesKey] = cities;
    if (!coordinates.isNull())
        w.platform.settings[kCoordinatesKey] = coordinates;
    if (!unreadable.isEmpty())
        w.platform.unreadableSettings = {unreadable};
    w.load();
    QTEST(itemRows(*w.form->ListView3), "trip");
    QTEST(w.platform.reportPlaces(), "reported");
    QCOMPARE(w.platform.boxes.size(), size_t(w.platform.reports().size()));
}

// The trip is kept at close, "Cities" in its old layout, and comes back whole.
void TestSettings::saveOnClose_data() {
    QTest::addColumn<QStringList>("entries"); // "text|latitude|longitude"
    QTest::addColumn<QString>("saved");
    QTest::newRow("empty list") << QStringList() << QString();
    QTest::newRow("one entry, no ;")
        << withoutCoordinates({"Oslo - Norway"}) << QStringLiteral("Oslo - Norway");
    QTest::newRow("A, B, C") << withoutCoordinates({"A", "B", "C"}) << QStringLiteral("A;B;C");
    QTest::newRow("duplicates saved twice")
        << withoutCoordinates({"A", "A"}) << QStringLiteral("A;A");
    QTest::newRow("a ; inside an entry stays in it")
        << withoutCoordinates({"X;Y"}) << QStringLiteral("X;Y");
    QTest::newRow("coordinates, some entries without")
        << QStringList{QStringLiteral("Zürich - Zurich, Switzerland|47.36667|8.55"),
                       QStringLiteral("Tab\there - X|-1.5|-2.25"),
                       QStringLiteral("Restored - Without, Coordinates||")}
        << QStringLiteral(
               "Zürich - Zurich, Switzerland;Tab\there - X;Restored - Without, Coordinates");
    // A 16-bit counter would stop at 32,767 entries.
    QStringList many;
    for (int i = 1; i <= 40000; ++i)
        many << QStringLiteral("City %1 - Region||").arg(i);
    QTest::newRow("40000 entries") << many << joinCities(many).remove(QStringLiteral("||"));
}

void TestSettings::saveOnClose() {
    QFETCH(QStringList, entries);
    TestWindow first;
    first.platform.settings[kCitiesKey] = QStringLiteral("stale");
    first.load();
    first.form->ListView3->clear();
    addRows(*first.form->ListView3, entries);
    first.form->Form_QueryUnload();
    QVERIFY(first.platform.settings.contains(kCitiesKey)); // written also when empty
    QTEST(first.platform.settings.value(kCitiesKey), "saved");
    QVERIFY(first.platform.reports().isEmpty());
    QVERIFY(first.platform.doEventsCalls >= 1);

    TestWindow second;
    second.platform.settings = first.platform.settings;
    second.load();
    QCOMPARE(itemRows(*second.form->ListView3), entries);
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

#ifndef Q_OS_WIN
void TestSettings::damagedStoredValueNeverStopsStartUp_data() {
    QTest::addColumn<QByteArray>("head"); // bytes before the section
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QStringList>("restored");
    // A hand-edited value without quotes: the store reads commas as a list and a ";"
    // as the start of a comment. What it gives back is restored, a value it cannot read
    // is absent; nothing fails.
    QTest::newRow("byte-order mark")
        << QByteArray("\xef\xbb\xbf") << QByteArray("Cities=Oslo - Norway\n")
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
    QCOMPARE(itemTexts(*form.ListView3), restored);
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
#else
namespace {
const wchar_t* const kClassicKey = L"Software\\VB and VBA Program Settings\\Tormalyn\\Ambrevale";
} // namespace

// A trip another program of this name kept in the classic key (put there with
// Wine's reg tool by the test's runner, AMBREVALE_PREPARED_TRIP) comes back at
// start-up. Runs first, before the other tests write "Cities".
void TestSettings::classicKeyIsReadAtStartUp() {
    const QString prepared = qEnvironmentVariable("AMBREVALE_PREPARED_TRIP");
    if (prepared.isEmpty())
        QSKIP("no trip was put into the classic key before the test");
    RecordingQtPlatform platform;
    Form1 form(platform);
    form.Form_Load();
    QCOMPARE(itemTexts(*form.ListView3), prepared.split(QLatin1Char(';')));
    QVERIFY2(platform.texts.isEmpty(), qPrintable(platform.texts.join(QLatin1Char('\n'))));
}

// Every value the program keeps is a string value (REG_SZ) of the classic key, as
// the system's classic settings calls read and write them.
void TestSettings::registryValuesAreStrings_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("Cities") << kCitiesValue
                            << QString::fromUtf8("Zürich - Zurich, Switzerland;東京 - Tokyo, Japan");
    QTest::newRow("CityCoordinates")
        << kCoordinatesValue
        << keepCoordinates({{QStringLiteral("A - B"), QStringLiteral("1.5"), QStringLiteral("2")}},
                           LocaleNumbers(QLocale::c()));
    QTest::newRow("Unit") << kUnitValue << QStringLiteral("km");
    QTest::newRow("EarthModel") << kEarthModelValue << QStringLiteral("wgs84");
    QTest::newRow("TotalLine") << kTotalLineValue << QStringLiteral("1");
    QTest::newRow("MapWindow") << kMapWindowValue << QStringLiteral("10,20,640,480");
    QTest::newRow("SpreadsheetProgram")
        << QStringLiteral("SpreadsheetProgram") << QStringLiteral("C:\\Calc\\calc.exe /new");
}

void TestSettings::registryValuesAreStrings() {
    QFETCH(QString, name);
    QFETCH(QString, value);
    RecordingQtPlatform platform;
    platform.writeSetting(kSettingsApplication, kSettingsSection, name, value);
    DWORD type = 0;
    DWORD size = 0;
    const std::wstring valueName = name.toStdWString();
    QCOMPARE(::RegGetValueW(HKEY_CURRENT_USER, kClassicKey, valueName.c_str(), RRF_RT_ANY, &type,
                            nullptr, &size),
             LONG(ERROR_SUCCESS));
    QCOMPARE(type, DWORD(REG_SZ));
    std::wstring data(size / sizeof(wchar_t), L'\0');
    QCOMPARE(::RegGetValueW(HKEY_CURRENT_USER, kClassicKey, valueName.c_str(), RRF_RT_REG_SZ,
                            nullptr, data.data(), &size),
             LONG(ERROR_SUCCESS));
    QCOMPARE(QString::fromWCharArray(data.c_str()), value);
    QCOMPARE(platform.readSetting(kSettingsApplication, kSettingsSection, name, {}), value);
}

// The previous version kept its values under Software\<application>: they are taken
// over once, while the classic key has no trip, and stay where they were.
void TestSettings::previousVersionsValuesAreTakenOver_data() {
    QTest::addColumn<QString>("current"); // "Cities" in the classic key before; null: none
    QTest::addColumn<QString>("cities");  // what start-up then reads
    QTest::addColumn<QString>("unit");
    QTest::newRow("no trip yet: the old values come")
        << QString() << QStringLiteral("Old - A;Old - B") << QStringLiteral("km");
    QTest::newRow("a trip of its own: nothing comes")
        << QStringLiteral("New - C") << QStringLiteral("New - C") << QString();
}

void TestSettings::previousVersionsValuesAreTakenOver() {
    QFETCH(QString, current);
    const QString application = QStringLiteral("TormalynTakeOverTest");
    openSettingsStore(application)->remove(QString());
    QSettings previous(previousSettingsKey(application), QSettings::NativeFormat);
    previous.remove(QString());
    previous.setValue(kSettingsSection + QStringLiteral("/Cities"), QStringLiteral("Old - A;Old - B"));
    previous.setValue(kSettingsSection + QStringLiteral("/Unit"), QStringLiteral("km"));
    previous.sync();
    RecordingQtPlatform platform;
    if (!current.isNull())
        platform.writeSetting(application, kSettingsSection, kCitiesValue, current);
    takeOverPreviousSettings(application, kSettingsSection);
    QTEST(platform.readSetting(application, kSettingsSection, kCitiesValue, {}), "cities");
    QTEST(platform.readSetting(application, kSettingsSection, kUnitValue, {}), "unit");
    QCOMPARE(previous.value(kSettingsSection + QStringLiteral("/Cities")).toString(),
             QStringLiteral("Old - A;Old - B"));
    openSettingsStore(application)->remove(QString());
    previous.remove(QString());
}
#endif

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
