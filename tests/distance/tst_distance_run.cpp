#include "app/main_module.h"
#include "app/settings.h"
#include "support/test_helpers.h"

#include <QLocale>
#include <QTest>

using namespace amb;
using namespace amb::test;
using namespace Qt::StringLiterals;

namespace {

const QString kDone = QStringLiteral("Done.");
const QString kNothing = QStringLiteral("Nothing in 'Cities To Find Distance' list.");

QString sentence(const QString& first, const QString& second, const QString& miles) {
    return QStringLiteral("Distance between %1 and %2 is %3 miles").arg(first, second, miles);
}

// Row k (from 0) of a generated trip: one degree of longitude apart on the equator,
// so every pair is 69.09 miles.
QString cityName(int k) {
    return QStringLiteral("City %1 - R").arg(k);
}

void fillEquatorTrip(ListView& trip, int rows) {
    for (int k = 0; k < rows; ++k)
        addRow(trip, cityName(k), QStringLiteral("0"), QString::number(k));
}

bool allChecked(ListView& results) {
    for (int i = 1; i <= results.count(); ++i)
        if (!results.checked(i))
            return false;
    return true;
}

// The progress bar's values and texts in the order they were set.
struct ProgressLog : QObject {
    explicit ProgressLog(ProgressBar& bar) {
        connect(&bar, &ProgressBar::valueSet, this, [this](double v) { values << v; });
        connect(&bar, &ProgressBar::textSet, this, [this](const QString& t) { texts << t; });
    }
    QList<double> values;
    QStringList texts;
};

// The window is back at rest after a run.
void verifyIdle(TestWindow& w) {
    QVERIFY(!w.form->DistanceRunning);
    QCOMPARE(w.platform.pointer, pointer::Default);
    QCOMPARE(w.form->ProgressBar1->value(), 0.0);
    QCOMPARE(w.form->ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QVERIFY(!w.platform.boxes.empty());
    QCOMPARE(w.platform.boxes.back().text, kDone);
}

} // namespace

class TestDistanceRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void emptyTripListSaysSo();
    void neighbouringPairs_data();
    void neighbouringPairs();
    void progressPointerAndPendingEvents();
    void secondClickDuringRunIsIgnored();
    void listsChangedDuringRun_data();
    void listsChangedDuringRun();
    void measuredRows_data();
    void measuredRows();
    void tripListRestoredAfterRestart_data();
    void tripListRestoredAfterRestart();
};

void TestDistanceRun::emptyTripListSaysSo() {
    TestWindow w;
    w.load();
    w.form->ListView2->add(QStringLiteral("an old result"));
    ProgressLog progress(*w.form->ProgressBar1);
    w.form->PushButton17_Click();
    QCOMPARE(w.form->ListView2->count(), 0);
    QCOMPARE(w.platform.boxTexts(), QStringList{kNothing});
    QCOMPARE(w.platform.boxes.front().title, applicationTitle());
    QCOMPARE(w.platform.boxes.front().style, mb::OkOnly);
    QVERIFY(w.platform.pointerHistory.empty());
    QVERIFY(progress.values.isEmpty() && progress.texts.isEmpty());
    QCOMPARE(w.platform.doEventsCalls, 0);
    QVERIFY(!w.form->DistanceRunning);
}

void TestDistanceRun::neighbouringPairs_data() {
    QTest::addColumn<int>("rows");
    QTest::newRow("one row") << 1;
    QTest::newRow("two rows") << 2;
    QTest::newRow("three rows") << 3;
    QTest::newRow("many rows") << 250;
}

void TestDistanceRun::neighbouringPairs() {
    QFETCH(int, rows);
    TestWindow w;
    w.load();
    fillEquatorTrip(*w.form->ListView3, rows);
    w.form->PushButton17_Click();
    w.form->PushButton17_Click(); // a second run replaces the first
    QStringList expected;
    for (int k = 0; k + 1 < rows; ++k)
        expected << sentence(cityName(k), cityName(k + 1), QStringLiteral("69.09"));
    QCOMPARE(itemTexts(*w.form->ListView2), expected);
    QVERIFY(allChecked(*w.form->ListView2));
    QCOMPARE(w.platform.boxTexts(), (QStringList{kDone, kDone}));
    QCOMPARE(w.platform.boxes.front().title, applicationTitle());
    QCOMPARE(w.platform.boxes.front().style, mb::OkOnly);
    QCOMPARE(w.form->ListView3->count(), rows); // the trip list is only read
    verifyIdle(w);
}

void TestDistanceRun::progressPointerAndPendingEvents() {
    TestWindow w;
    w.load();
    ListView& trip = *w.form->ListView3;
    addRow(trip, QStringLiteral("C:\\Trips\\Paris - A8"), QStringLiteral("48.8566"),
           QStringLiteral("2.3522"));
    addRow(trip, QStringLiteral("London - H9"), QStringLiteral("51.5074"),
           QStringLiteral("-0.1278"));
    addRow(trip, QStringLiteral("Back\\slash\\"), QStringLiteral("51.5074"),
           QStringLiteral("-0.1278"));
    ProgressLog progress(*w.form->ProgressBar1);
    // What the window shows each time pending events run.
    QStringList seen;
    w.platform.onDoEvents = [&](int) {
        seen << QStringLiteral("%1|%2|%3")
                    .arg(w.platform.pointer)
                    .arg(w.form->ProgressBar1->text())
                    .arg(w.form->ListView2->count());
    };
    w.form->PushButton17_Click();

    QCOMPARE(progress.values, (QList<double>{1.0 / 3 * 100, 2.0 / 3 * 100, 100.0, 0.0}));
    QCOMPARE(progress.texts,
             (QStringList{QStringLiteral("Processing: Paris - A8"),
                          QStringLiteral("Processing: London - H9"), QStringLiteral("Processing: "),
                          QStringLiteral("Progress Bar")}));
    QCOMPARE(w.platform.pointerHistory, (std::vector<int>{11, 11, 11, 0}));
    QCOMPARE(seen, (QStringList{QStringLiteral("0|Progress Bar|0"),
                                QStringLiteral("11|Processing: Paris - A8|0"),
                                QStringLiteral("11|Processing: Paris - A8|1"),
                                QStringLiteral("11|Processing: London - H9|1"),
                                QStringLiteral("11|Processing: London - H9|2"),
                                QStringLiteral("11|Processing: |2")}));
    QCOMPARE(itemTexts(*w.form->ListView2),
             (QStringList{sentence(QStringLiteral("C:\\Trips\\Paris - A8"),
                                   QStringLiteral("London - H9"), QStringLiteral("213.47")),
                          sentence(QStringLiteral("London - H9"), QStringLiteral("Back\\slash\\"),
                                   QStringLiteral("0"))}));
    verifyIdle(w);
}

void TestDistanceRun::secondClickDuringRunIsIgnored() {
    TestWindow w;
    w.load();
    fillEquatorTrip(*w.form->ListView3, 4);
    bool runningInside = true;
    w.platform.onDoEvents = [&](int) {
        runningInside = runningInside && w.form->DistanceRunning;
        w.form->PushButton17_Click();
    };
    w.form->PushButton17_Click();
    QVERIFY(runningInside);
    QCOMPARE(w.platform.doEventsCalls, 8);
    QCOMPARE(w.form->ListView2->count(), 3);
    QCOMPARE(w.platform.boxTexts(), QStringList{kDone});
    verifyIdle(w);
}

void TestDistanceRun::listsChangedDuringRun_data() {
    QTest::addColumn<int>("atCall"); // pending-events call that changes a list
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("lines");       // result lines, by pair "k-k+1"
    QTest::addColumn<QStringList>("reportLines"); // "at line N" of each report
    QTest::newRow("results list emptied") << 3 << QStringLiteral("clear results")
                                          << QStringList{QStringLiteral("1-2")} << QStringList();
    QTest::newRow("results list emptied before the first line")
        << 2 << QStringLiteral("clear results")
        << QStringList{QStringLiteral("0-1"), QStringLiteral("1-2")} << QStringList();
    QTest::newRow("last trip row deleted")
        << 2 << QStringLiteral("delete last") << QStringList{QStringLiteral("0-1")}
        << QStringList{QStringLiteral("120")};
    QTest::newRow("middle trip row deleted")
        << 2 << QStringLiteral("delete 2") << QStringList{QStringLiteral("0-2")}
        << QStringList{QStringLiteral("120")};
    QTest::newRow("trip list emptied") << 2 << QStringLiteral("clear trip") << QStringList()
                                       << QStringList{QStringLiteral("120"), QStringLiteral("122"),
                                                      QStringLiteral("120"), QStringLiteral("122")};
}

void TestDistanceRun::listsChangedDuringRun() {
    QFETCH(int, atCall);
    QFETCH(QString, change);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, reportLines);
    TestWindow w;
    w.load();
    fillEquatorTrip(*w.form->ListView3, 3);
    w.platform.onDoEvents = [&](int call) {
        if (call != atCall)
            return;
        if (change == QLatin1String("clear results"))
            w.form->ListView2->clear();
        else if (change == QLatin1String("delete last"))
            w.form->ListView3->remove(3);
        else if (change == QLatin1String("delete 2"))
            w.form->ListView3->remove(2);
        else
            w.form->ListView3->clear();
    };
    ProgressLog log(*w.form->ProgressBar1);
    w.form->PushButton17_Click();
    // A failed read leaves the last name read in the progress text.
    for (const QString& text : log.texts)
        QVERIFY2(text != QLatin1String("Processing: "), "a progress text lost its name");
    QCOMPARE(log.texts.filter(QStringLiteral("Processing: ")).size(), 3);

    QStringList expected;
    for (const QString& pair : lines) {
        const int a = pair.section(QLatin1Char('-'), 0, 0).toInt();
        const int b = pair.section(QLatin1Char('-'), 1, 1).toInt();
        expected << sentence(cityName(a), cityName(b), QString::number(69.09 * (b - a)));
    }
    QCOMPARE(itemTexts(*w.form->ListView2), expected);
    QVERIFY(allChecked(*w.form->ListView2));
    QStringList cited;
    for (const QString& report : w.platform.reports()) {
        QVERIFY(report.contains(QStringLiteral(".Form1.PushButton17_Click at line ")));
        cited << report.section(QStringLiteral(" at line "), 1).section(QLatin1Char('\r'), 0, 0);
    }
    QCOMPARE(cited, reportLines);
    QCOMPARE(w.platform.doEventsCalls, 6); // the count taken at the start holds
    verifyIdle(w);
}

// Each neighbouring pair gives a line; a pair that cannot be measured is reported
// and leaves its line out (or says 0 miles when the distance itself fails).
void TestDistanceRun::measuredRows_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("rows"); // "text|lat|long"
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("reportsCited"); // procedure and line of each report
    const QString conversion = QStringLiteral("Form1.PushButton17_Click 132");
    const QString mark = QStringLiteral("Form1.PushButton17_Click 134");
    const QString scroll = QStringLiteral("Form1.PushButton17_Click 136");
    const auto row = [](const char* name, const char* locale,
                        std::initializer_list<const char*> cells, const QStringList& lines,
                        const QStringList& cited = {}) {
        QStringList rows;
        for (const char* cell : cells)
            rows << QString::fromLatin1(cell);
        QTest::newRow(name) << QString::fromLatin1(locale) << rows << lines << cited;
    };
    const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C");
    row("decimal comma", "de_DE", {"A|0,5|0", "B|0,5|1", "C|0,5|2,5"},
        {sentence(a, b, QStringLiteral("69,09")), sentence(b, c, QStringLiteral("103,63"))});
    // Both ways the same miles; equal neighbouring texts 0 miles, whatever their coordinates.
    const QString oslo = QStringLiteral("Oslo - 12"), lima = QStringLiteral("Lima - 15");
    row("same city back and forth", "C",
        {"Oslo - 12|59.9139|10.7522", "Lima - 15|-12.0464|-77.0428", "Oslo - 12|59.9139|10.7522",
         "Oslo - 12|0|0"},
        {sentence(oslo, lima, QStringLiteral("6861.11")),
         sentence(lima, oslo, QStringLiteral("6861.11")),
         sentence(oslo, oslo, QStringLiteral("0"))});
    row("no coordinates in the middle, results still empty", "C", {"A|0|0", "B||", "C|0|1"}, {},
        {conversion, mark, scroll, conversion, mark, scroll});
    row("no coordinates at the end", "C", {"A|0|0", "B|0|1", "C||"},
        {sentence(a, b, QStringLiteral("69.09"))}, {conversion});
    row("a longitude that is not a number", "C", {"A|0|east", "B|0|1", "C|0|2"},
        {sentence(b, c, QStringLiteral("69.09"))}, {conversion, mark, scroll});
    row("a distance that overflows", "C", {"A|0|1e308", "B|0|-1e308", "C|0|-1e308"},
        {sentence(a, b, QStringLiteral("0")), sentence(b, c, QStringLiteral("0"))},
        {QStringLiteral("modZipDistance.GetDistance 106")});
}

void TestDistanceRun::measuredRows() {
    QFETCH(QString, locale);
    QFETCH(QStringList, rows);
    QLocale::setDefault(QLocale(locale));
    TestWindow w;
    w.load();
    addRows(*w.form->ListView3, rows);
    w.form->PushButton17_Click();
    QTEST(itemTexts(*w.form->ListView2), "lines");
    QVERIFY(allChecked(*w.form->ListView2));
    QTEST(w.platform.reportPlaces(), "reportsCited");
    verifyIdle(w);
}

// A trip kept at close comes back at the next start and measures without a report,
// whatever the locale was at either time and whatever the entry texts hold.
void TestDistanceRun::tripListRestoredAfterRestart_data() {
    QTest::addColumn<QString>("keptUnder");
    QTest::addColumn<QString>("restoredUnder");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("layout"); // "kept", "old" (the layout kept before) or "none"
    const QStringList plain{QStringLiteral("Oslo - Norway"), QStringLiteral("Lima - Peru"),
                            QStringLiteral("Perth - Australia")};
    const auto row = [&](const char* name, const char* kept, const char* restored,
                         const QStringList& texts, const char* layout) {
        QTest::newRow(name) << QString::fromLatin1(kept) << QString::fromLatin1(restored) << texts
                            << QString::fromLatin1(layout);
    };
    row("same locale", "C", "C", plain, "kept");
    row("kept under de_DE, restored under C", "de_DE", "C", plain, "kept");
    row("kept under C, restored under de_DE", "C", "de_DE", plain, "kept");
    row("kept under he_IL, restored under fa_IR", "he_IL", "fa_IR", plain, "kept");
    row("kept under ar_EG, restored under sv_SE", "ar_EG", "sv_SE", plain, "kept");
    row("texts with a line break, a tab and ;", "C", "C",
        {QStringLiteral("Line\nbreak - X"), QStringLiteral("Tab\there - Y"),
         QStringLiteral("Semi;colon - Z"), QStringLiteral("Plain - W")},
        "kept");
    row("the layout kept before", "de_DE", "de_DE", plain, "old");
    row("texts only", "C", "C", plain, "none");
}

namespace {
// The coordinates of the restart rows as each locale shows them, fixed: latitude
// -33.5 + k, longitude -71.25 - 1.5k for k = 0 to 3, in turn.
QStringList shownCoordinates(const QString& locale) {
    static const QMap<QString, QStringList> shown{
        {QStringLiteral("C"),
         {u"-33.5"_s, u"-71.25"_s, u"-32.5"_s, u"-72.75"_s, u"-31.5"_s, u"-74.25"_s, u"-30.5"_s,
          u"-75.75"_s}},
        {QStringLiteral("de_DE"),
         {u"-33,5"_s, u"-71,25"_s, u"-32,5"_s, u"-72,75"_s, u"-31,5"_s, u"-74,25"_s, u"-30,5"_s,
          u"-75,75"_s}},
        {QStringLiteral("he_IL"),
         {u"\u200e-33.5"_s, u"\u200e-71.25"_s, u"\u200e-32.5"_s, u"\u200e-72.75"_s,
          u"\u200e-31.5"_s, u"\u200e-74.25"_s, u"\u200e-30.5"_s, u"\u200e-75.75"_s}},
        {QStringLiteral("fa_IR"),
         {u"\u200e\u2212\u06f3\u06f3\u066b\u06f5"_s, u"\u200e\u2212\u06f7\u06f1\u066b\u06f2\u06f5"_s,
          u"\u200e\u2212\u06f3\u06f2\u066b\u06f5"_s, u"\u200e\u2212\u06f7\u06f2\u066b\u06f7\u06f5"_s,
          u"\u200e\u2212\u06f3\u06f1\u066b\u06f5"_s, u"\u200e\u2212\u06f7\u06f4\u066b\u06f2\u06f5"_s,
          u"\u200e\u2212\u06f3\u06f0\u066b\u06f5"_s, u"\u200e\u2212\u06f7\u06f5\u066b\u06f7\u06f5"_s}},
        {QStringLiteral("ar_EG"),
         {u"\u061c-\u0663\u0663\u066b\u0665"_s, u"\u061c-\u0667\u0661\u066b\u0662\u0665"_s,
          u"\u061c-\u0663\u0662\u066b\u0665"_s, u"\u061c-\u0667\u0662\u066b\u0667\u0665"_s,
          u"\u061c-\u0663\u0661\u066b\u0665"_s, u"\u061c-\u0667\u0664\u066b\u0662\u0665"_s,
          u"\u061c-\u0663\u0660\u066b\u0665"_s, u"\u061c-\u0667\u0665\u066b\u0667\u0665"_s}},
        {QStringLiteral("sv_SE"),
         {u"\u221233,5"_s, u"\u221271,25"_s, u"\u221232,5"_s, u"\u221272,75"_s, u"\u221231,5"_s,
          u"\u221274,25"_s, u"\u221230,5"_s, u"\u221275,75"_s}},
    };
    return shown.value(locale);
}
} // namespace

void TestDistanceRun::tripListRestoredAfterRestart() {
    QFETCH(QString, keptUnder);
    QFETCH(QString, restoredUnder);
    QFETCH(QStringList, texts);
    QFETCH(QString, layout);
    const QString coordinatesKey = kSettingsApplication + QLatin1Char('/') + kSettingsSection +
                                   QLatin1Char('/') + kCoordinatesValue;
    // South and west of zero, where the locales write direction marks and their own signs.
    const QStringList kept = shownCoordinates(keptUnder);
    const QStringList restored = shownCoordinates(restoredUnder);
    QMap<QString, QString> saved;
    {
        QLocale::setDefault(QLocale(keptUnder));
        TestWindow before;
        before.load();
        for (int k = 0; k < texts.size(); ++k)
            addRow(*before.form->ListView3, texts.at(k), kept.at(2 * k), kept.at(2 * k + 1));
        before.form->Form_QueryUnload();
        QCOMPARE(before.platform.reports(), QStringList());
        saved = before.platform.settings;
        // The layout kept before, as an older version wrote it under de_DE: a line per
        // entry, its text and the coordinates as shown, apart by tabs.
        if (layout == QLatin1String("old"))
            saved[coordinatesKey] = QString::fromUtf8("Oslo - Norway\t-33,5\t-71,25\n"
                                                      "Lima - Peru\t-32,5\t-72,75\n"
                                                      "Perth - Australia\t-31,5\t-74,25");
        else if (layout == QLatin1String("none"))
            saved.remove(coordinatesKey);
    }
    QLocale::setDefault(QLocale(restoredUnder));
    TestWindow after;
    after.platform.settings = saved;
    after.load();
    ListView& trip = *after.form->ListView3;
    QCOMPARE(trip.count(), static_cast<int>(texts.size()));
    after.form->PushButton17_Click();
    if (layout == QLatin1String("none")) {
        // Every pair costs its conversion, then the marking and the scrolling of a
        // last result line that does not exist.
        QCOMPARE(after.form->ListView2->count(), 0);
        QCOMPARE(after.platform.reports().size(), 3 * (texts.size() - 1));
    } else {
        for (int k = 0; k < texts.size(); ++k) {
            QCOMPARE(trip.text(k + 1), texts.at(k));
            QCOMPARE(trip.subItem(k + 1, 1), restored.at(2 * k));
            QCOMPARE(trip.subItem(k + 1, 2), restored.at(2 * k + 1));
        }
        QCOMPARE(after.form->ListView2->count(), texts.size() - 1);
        QCOMPARE(after.platform.reports(), QStringList());
    }
    verifyIdle(after);
}

QTEST_MAIN(TestDistanceRun)
#include "tst_distance_run.moc"
