#include "app/settings.h"
#include "distance/distance_run.h"
#include "support/test_helpers.h"

#include <QAction>
#include <QRegularExpression>
#include <QTest>

using namespace amb;
using namespace Qt::StringLiterals;
using namespace amb::test;

namespace {

// A trip whose legs are long enough for the units to differ in every digit.
void fillTrip(Form1& form) {
    addRow(*form.ListView3, QStringLiteral("Paris - Ile-de-France"), QStringLiteral("48.8566"),
           QStringLiteral("2.3522"));
    addRow(*form.ListView3, QStringLiteral("London - England"), QStringLiteral("51.5074"),
           QStringLiteral("-0.1278"));
    addRow(*form.ListView3, QStringLiteral("Berlin - Berlin"), QStringLiteral("52.52"),
           QStringLiteral("13.405"));
}

QStringList results(Form1& form) {
    QStringList lines;
    for (int i = 1; i <= form.ListView2->count(); ++i) {
        lines << form.ListView2->text(i);
        if (!form.ListView2->checked(i))
            lines.last() += QStringLiteral(" [unchecked]");
    }
    return lines;
}

// The number in "... is 123.45 kilometres".
double figure(const QString& sentence) {
    const QString tail = sentence.section(QStringLiteral(" is "), -1);
    return tail.section(QLatin1Char(' '), 0, 0).toDouble();
}

QAction* menuAction(Form1& form, const char* name) {
    form.ListView2_ContextMenu(QPoint(0, 0));
    form.ListView2Menu->hide();
    return form.ListView2Menu->findChild<QAction*>(QString::fromLatin1(name));
}

} // namespace

class TestWindowUnits : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void sentencesFollowTheChoice_data();
    void sentencesFollowTheChoice();
    void choiceIsKeptUnderItsOwnNames_data();
    void choiceIsKeptUnderItsOwnNames();
    void aLegThatFailsLeavesNoTotal();
};

void TestWindowUnits::sentencesFollowTheChoice_data() {
    QTest::addColumn<QStringList>("actions"); // menu entries chosen, in order
    QTest::addColumn<QString>("words");
    QTest::addColumn<double>("perMile"); // expected ratio to the window's miles
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<bool>("total");
    QTest::addColumn<bool>("course");
    QTest::newRow("untouched: miles") << QStringList() << u"miles"_s << 1.0 << 0.0 << false << false;
    QTest::newRow("kilometres") << QStringList{u"mnuUnitKilometres"_s} << u"kilometres"_s
                                << 1.609344 << 1e-4 << false << false;
    QTest::newRow("nautical miles") << QStringList{u"mnuUnitNauticalMiles"_s} << u"nautical miles"_s
                                    << 1 / 1.1515 << 1e-4 << false << false;
    QTest::newRow("ellipsoid, miles") << QStringList{u"mnuModelWgs84"_s} << u"miles"_s << 1.0 << 6e-3
                                      << false << false;
    QTest::newRow("kilometres and a total")
        << QStringList{u"mnuUnitKilometres"_s, u"mnuTotalLine"_s} << u"kilometres"_s << 1.609344
        << 1e-4 << true << false;
    QTest::newRow("back to miles, total kept")
        << QStringList{u"mnuUnitKilometres"_s, u"mnuTotalLine"_s, u"mnuUnitMiles"_s} << u"miles"_s << 1.0
        << 0.0 << true << false;
    QTest::newRow("course in each line") << QStringList{u"mnuCourseInEachLine"_s} << u"miles"_s
                                         << 1.0 << 0.0 << false << true;
    QTest::newRow("course, kilometres and a total")
        << QStringList{u"mnuCourseInEachLine"_s, u"mnuUnitKilometres"_s, u"mnuTotalLine"_s}
        << u"kilometres"_s << 1.609344 << 1e-4 << true << true;
}

void TestWindowUnits::sentencesFollowTheChoice() {
    QFETCH(QStringList, actions);
    QFETCH(QString, words);
    QFETCH(double, perMile);
    QFETCH(double, tolerance);
    QFETCH(bool, total);
    QFETCH(bool, course);

    // Today's sentences, measured before any choice.
    TestWindow plain;
    plain.load();
    fillTrip(*plain.form);
    plain.form->PushButton17_Click();
    const QStringList miles = results(*plain.form);
    QCOMPARE(miles.size(), 2);

    TestWindow w;
    w.load();
    fillTrip(*w.form);
    for (const QString& name : actions)
        menuAction(*w.form, qPrintable(name))->trigger();
    w.form->PushButton17_Click();
    QStringList lines = results(*w.form);
    QCOMPARE(w.platform.reports(), QStringList());
    QCOMPARE(lines.size(), total ? 3 : 2);
    double sum = 0;
    for (int i = 0; i < 2; ++i) {
        // The course ends the sentence; without it, the sentence is the one without the choice.
        static const QRegularExpression courseClause(u", initial course \\d{1,3}°$"_s);
        QCOMPARE(lines[i].contains(courseClause), course);
        lines[i].remove(courseClause);
        QVERIFY2(lines[i].endsWith(QLatin1Char(' ') + words), qPrintable(lines[i]));
        QCOMPARE(lines[i].section(QStringLiteral(" is "), 0, 0),
                 miles[i].section(QStringLiteral(" is "), 0, 0));
        if (tolerance == 0 && !total)
            QCOMPARE(lines[i], miles[i]); // byte for byte
        QVERIFY2(std::abs(figure(lines[i]) / figure(miles[i]) / perMile - 1) <= tolerance + 1e-5,
                 qPrintable(lines[i] + QStringLiteral(" against ") + miles[i]));
        sum += figure(lines[i]);
    }
    if (total) {
        QVERIFY2(lines[2].startsWith(QStringLiteral("Total distance is ")), qPrintable(lines[2]));
        QVERIFY(lines[2].endsWith(QLatin1Char(' ') + words));
        QVERIFY(std::abs(figure(lines[2]) - sum) <= 0.011);
    }
}

void TestWindowUnits::choiceIsKeptUnderItsOwnNames_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("totalLine");
    QTest::addColumn<QString>("restoredUnit");
    QTest::addColumn<QString>("restoredModel");
    QTest::addColumn<bool>("restoredTotal");
    QTest::newRow("nothing kept") << u""_s << u""_s << u""_s << u"mi"_s << u"sphere"_s << false;
    QTest::newRow("kilometres, ellipsoid, total") << u"km"_s << u"wgs84"_s << u"1"_s << u"km"_s << u"wgs84"_s
                                                  << true;
    QTest::newRow("nautical miles") << u"nmi"_s << u"sphere"_s << u"0"_s << u"nmi"_s << u"sphere"_s << false;
    QTest::newRow("damaged values") << u"furlongs"_s << u"flat"_s << u"yes"_s << u"mi"_s << u"sphere"_s << false;
}

void TestWindowUnits::choiceIsKeptUnderItsOwnNames() {
    QFETCH(QString, unit);
    QFETCH(QString, model);
    QFETCH(QString, totalLine);
    QFETCH(QString, restoredUnit);
    QFETCH(QString, restoredModel);
    QFETCH(bool, restoredTotal);
    const QString prefix = kSettingsApplication + QLatin1Char('/') + kSettingsSection +
                           QLatin1Char('/');
    TestWindow w;
    if (!unit.isEmpty()) {
        w.platform.settings[prefix + kUnitValue] = unit;
        w.platform.settings[prefix + kEarthModelValue] = model;
        w.platform.settings[prefix + kTotalLineValue] = totalLine;
        w.platform.settings[prefix + kCourseValue] = totalLine; // kept alike
    }
    w.load();
    QCOMPARE(w.form->measureChoice.unit, restoredUnit);
    QCOMPARE(w.form->measureChoice.model, restoredModel);
    QCOMPARE(w.form->measureChoice.totalLine, restoredTotal);
    QCOMPARE(w.form->measureChoice.courseInEachLine, restoredTotal);
    // The menu shows what is in force, and a change is written at once.
    QVERIFY(menuAction(*w.form, restoredUnit == QLatin1String("mi")    ? "mnuUnitMiles"
                                : restoredUnit == QLatin1String("km") ? "mnuUnitKilometres"
                                                                      : "mnuUnitNauticalMiles")
                ->isChecked());
    QCOMPARE(menuAction(*w.form, "mnuTotalLine")->isChecked(), restoredTotal);
    QCOMPARE(menuAction(*w.form, "mnuCourseInEachLine")->isChecked(), restoredTotal);
    menuAction(*w.form, "mnuModelWgs84")->trigger();
    QCOMPARE(w.platform.settings.value(prefix + kEarthModelValue), QStringLiteral("wgs84"));
    QCOMPARE(w.platform.settings.value(prefix + kUnitValue), restoredUnit);
    QCOMPARE(w.platform.settings.value(prefix + kCourseValue),
             restoredTotal ? QStringLiteral("1") : QStringLiteral("0"));
}

void TestWindowUnits::aLegThatFailsLeavesNoTotal() {
    TestWindow w;
    w.load();
    fillTrip(*w.form);
    w.form->ListView3->setSubItem(2, 2, QStringLiteral("west")); // London's longitude
    menuAction(*w.form, "mnuUnitKilometres")->trigger();
    menuAction(*w.form, "mnuTotalLine")->trigger();
    w.form->PushButton17_Click();
    // Both legs touch London: each is reported, and no total claims to cover them.
    QCOMPARE(w.platform.reports().size(), 2);
    for (int i = 1; i <= w.form->ListView2->count(); ++i)
        QVERIFY(!w.form->ListView2->text(i).startsWith(QStringLiteral("Total")));
}

QTEST_MAIN(TestWindowUnits)
#include "tst_window_units.moc"
