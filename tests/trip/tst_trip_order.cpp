// The trip list's Shortest Order and the results list's Return To The First City,
// reached through the menus by the names a screen reader reads.
#include "app/settings.h"
#include "support/test_helpers.h"

#include <QAction>
#include <QTest>

using namespace amb;
using namespace Qt::StringLiterals;
using namespace amb::test;

namespace {

// The entry of `menu` (or of its submenu `submenu`) that reads `text`.
QAction* entry(QMenu& menu, const QString& submenu, const QString& text) {
    QMenu* within = &menu;
    if (!submenu.isEmpty()) {
        within = nullptr;
        for (QMenu* sub : menu.findChildren<QMenu*>())
            if (sub->accessibleName() == submenu)
                within = sub;
        if (!within)
            return nullptr;
    }
    for (QAction* action : within->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

QAction* tripEntry(Form1& form, const QString& text) {
    form.ListView3_ContextMenu(QPoint(0, 0));
    form.ListView3Menu->hide();
    return entry(*form.ListView3Menu, u"Shortest Order"_s, text);
}

QAction* resultsEntry(Form1& form, const QString& text) {
    form.ListView2_ContextMenu(QPoint(0, 0));
    form.ListView2Menu->hide();
    return entry(*form.ListView2Menu, {}, text);
}

// In convex position near the equator (one shortest order of each kind), and one
// entry restored without coordinates.
void fillTrip(Form1& form) {
    addRow(*form.ListView3, u"A"_s, u"0"_s, u"0"_s);
    addRow(*form.ListView3, u"B"_s, u"1"_s, u"3"_s);
    addRow(*form.ListView3, u"R"_s);
    addRow(*form.ListView3, u"C"_s, u"1"_s, u"1"_s);
    addRow(*form.ListView3, u"D"_s, u"1.2"_s, u"2"_s);
}

QString texts(const ListView& list) {
    QStringList out;
    for (int i = 1; i <= list.count(); ++i)
        out << list.text(i);
    return out.join(QLatin1Char(' '));
}

const QString kKept = kSettingsApplication + u"/"_s + kSettingsSection + u"/"_s;

} // namespace

class TestTripOrder : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ordersTheTripList_data();
    void ordersTheTripList();
    void wayBackEndsTheRun_data();
    void wayBackEndsTheRun();
};

void TestTripOrder::ordersTheTripList_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("orders"); // any of them: a round trip runs either way
    QTest::addColumn<bool>("wayBack");
    QTest::newRow("from the first") << u"From the First City"_s << QStringList{u"A C D B R"_s}
                                    << false;
    QTest::newRow("between the ends")
        << u"Between the First and Last City"_s << QStringList{u"A C B D R"_s} << false;
    QTest::newRow("round trip") << u"Round Trip From the First City"_s
                                << QStringList{u"A C D B R"_s, u"A B D C R"_s} << true;
}

void TestTripOrder::ordersTheTripList() {
    QFETCH(QString, command);
    QFETCH(QStringList, orders);
    QFETCH(bool, wayBack);
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    fillTrip(f);
    f.ListView3->select(2); // B
    QAction* action = tripEntry(f, command);
    QVERIFY(action);
    action->trigger();
    QVERIFY2(orders.contains(texts(*f.ListView3)), qPrintable(texts(*f.ListView3)));
    QCOMPARE(f.ListView3->text(f.ListView3->selectedIndex()), u"B"_s);
    QCOMPARE(f.ListView3->subItem(1, 2), u"0"_s); // the coordinates moved with their city
    QCOMPARE(w.platform.boxes.size(), size_t(0)); // nothing asks
    QCOMPARE(f.ProgressBar1->value(), 0);
    QCOMPARE(f.measureChoice.returnToFirst, wayBack);
    QCOMPARE(resultsEntry(f, u"Return To The First City"_s)->isChecked(), wayBack);
    QCOMPARE(w.platform.settings.value(kKept + kReturnToFirstValue),
             wayBack ? u"1"_s : QString());
}

void TestTripOrder::wayBackEndsTheRun_data() {
    QTest::addColumn<QStringList>("choices"); // results menu entries, in order
    QTest::addColumn<QStringList>("lines");
    const QString ab = u"Distance between A - Here and B - There is "_s;
    QTest::newRow("untouched") << QStringList{}
                               << QStringList{ab + u"69.09 miles"_s};
    QTest::newRow("the way back")
        << QStringList{u"Return To The First City"_s}
        << QStringList{ab + u"69.09 miles"_s, u"Distance between B - There and A - Here is 69.09 miles"_s};
    QTest::newRow("the way back in the total")
        << QStringList{u"Return To The First City"_s, u"Total Line After the Last Leg"_s}
        << QStringList{ab + u"69.09 miles"_s,
                       u"Distance between B - There and A - Here is 69.09 miles"_s,
                       u"Total distance is 138.18 miles"_s};
    QTest::newRow("turned off again")
        << QStringList{u"Return To The First City"_s, u"Return To The First City"_s}
        << QStringList{ab + u"69.09 miles"_s};
}

void TestTripOrder::wayBackEndsTheRun() {
    QFETCH(QStringList, choices);
    QFETCH(QStringList, lines);
    TestWindow w;
    w.load();
    Form1& f = *w.form;
    addRow(*f.ListView3, u"A - Here"_s, u"0"_s, u"0"_s);
    addRow(*f.ListView3, u"B - There"_s, u"0"_s, u"1"_s);
    for (const QString& choice : choices)
        resultsEntry(f, choice)->trigger();
    f.PushButton17_Click();
    QStringList shown;
    for (int i = 1; i <= f.ListView2->count(); ++i) {
        shown << f.ListView2->text(i);
        QVERIFY(f.ListView2->checked(i));
    }
    QCOMPARE(shown, lines);
    QCOMPARE(w.platform.reports(), QStringList());
    // Kept beside the unit, and read back at the next start.
    TestWindow again;
    again.platform.settings = w.platform.settings;
    again.load();
    QCOMPARE(again.form->measureChoice.returnToFirst, f.measureChoice.returnToFirst);
}

QTEST_MAIN(TestTripOrder)
#include "tst_trip_order.moc"
