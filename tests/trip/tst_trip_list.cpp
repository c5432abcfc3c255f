// Copying found cities into the trip list and editing it.
#include "app/settings.h"
#include "lookup/city_database.h"
#include "lookup/city_import.h"
#include "support/test_helpers.h"

#include <QTest>

using namespace amb;
using namespace amb::test;

namespace {

using Handler = void (Form1::*)();

QStringList texts(const ListView& list) {
    QStringList result;
    for (int i = 1; i <= list.count(); ++i)
        result << list.text(i);
    return result;
}

const QString kFiorano = QStringLiteral("Fiorano - Emilia-Romagna, Italy");
const QString kFiorino = QStringLiteral("Fiorino - Tuscany, Italy");

// A loaded window whose search list holds two found cities.
void fillSearchList(TestWindow& w) {
    addRow(*w.form->ListView1, kFiorano, QStringLiteral("44.53889"), QStringLiteral("10.81166"));
    addRow(*w.form->ListView1, kFiorino, QStringLiteral("43.32247"), QStringLiteral("10.53777"));
}

QString reportLine(const QString& path, int line) {
    return QStringLiteral("in Kestrune2021/08/31.%1 at line %2\r\r").arg(path).arg(line);
}

} // namespace

class TestTripList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addCommands_data();
    void addSelected();
    void addSelected_data() { addCommands_data(); }
    void addWithEmptySearchList();
    void addWithEmptySearchList_data() { addCommands_data(); }
    void addWithoutSelection();
    void filledListsStartWithTheirFirstRowSelected();
    void addWithoutSelection_data() { addCommands_data(); }
    void duplicateRefused();
    void duplicateRefused_data() { addCommands_data(); }
    void caseDifferentTextsBothAdded();
    void sameTextOtherCoordinates();
    void restoredEntryRefusesSameText();
    void duplicateCheckBeyond16Bits();
    void clearLeavesOtherListsAlone();
    void removalKeepsTheSelection_data();
    void removalKeepsTheSelection();
    void onlyLeftDoubleClicks_data();
    void onlyLeftDoubleClicks();
    void deleteWithNothingSelected_data();
    void deleteWithNothingSelected();
};

void TestTripList::addCommands_data() {
    QTest::addColumn<Handler>("handler");
    QTest::addColumn<QString>("path");
    QTest::newRow("double-click") << &Form1::ListView1_DblClick
                                  << QStringLiteral("Form1.ListView1_DblClick");
    QTest::newRow("add button") << &Form1::PushButton6_Click
                                << QStringLiteral("Form1.PushButton6_Click");
}

// The selected city goes to the end of the trip list, with its coordinates,
// whichever trip entry is selected.
void TestTripList::addSelected() {
    QFETCH(Handler, handler);
    TestWindow w;
    w.load();
    fillSearchList(w);
    addRow(*w.form->ListView3, QStringLiteral("Earlier - Entry"));
    addRow(*w.form->ListView3, QStringLiteral("Later - Entry"));
    w.form->ListView3->select(1);
    w.form->ListView1->select(2);
    (w.form.get()->*handler)();
    ListView& trip = *w.form->ListView3;
    QCOMPARE(texts(trip), (QStringList{QStringLiteral("Earlier - Entry"),
                                       QStringLiteral("Later - Entry"), kFiorino}));
    QCOMPARE(trip.subItem(3, 1), QStringLiteral("43.32247"));
    QCOMPARE(trip.subItem(3, 2), QStringLiteral("10.53777"));
    QVERIFY(w.platform.boxes.empty());
    QCOMPARE(w.form->ListView1->selectedIndex(), 2);
    QCOMPARE(trip.selectedIndex(), 1);
}

void TestTripList::addWithEmptySearchList() {
    QFETCH(Handler, handler);
    TestWindow w;
    w.load();
    (w.form.get()->*handler)();
    QCOMPARE(w.form->ListView3->count(), 0);
    QVERIFY(w.platform.boxes.empty());
}

// Every step that reads the selected search-list entry reports; nothing is added.
void TestTripList::addWithoutSelection() {
    QFETCH(Handler, handler);
    QFETCH(QString, path);
    TestWindow w;
    w.load();
    fillSearchList(w);
    w.form->ListView1->clearSelection(); // the user took the first row's selection away
    (w.form.get()->*handler)();
    const QStringList reports = w.platform.reports();
    QCOMPARE(reports.size(), 4);
    const int lines[] = {102, 104, 106, 108};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(reports[i].contains(reportLine(path, lines[i])), qPrintable(reports[i]));
    QCOMPARE(w.form->ListView3->count(), 0);
}

// The fault guarded: right after a search "2. Add" showed four error reports,
// because a freshly filled list had nothing selected.
void TestTripList::filledListsStartWithTheirFirstRowSelected() {
    TestWindow w;
    w.load();
    QVERIFY(importCsv(testDataPath(QStringLiteral("cities.csv")),
                      w.folder.filePath(kCityDatabaseFileName))
                .cities > 0);
    Form1& f = *w.form;
    f.Text1->setText(QStringLiteral("no such city"));
    f.PushButton7_Click();
    QVERIFY(!f.ListView1->hasSelection()); // nothing found, nothing selected
    f.PushButton6_Click();
    QCOMPARE(f.ListView3->count(), 0);

    f.Text1->setText(QStringLiteral("e"));
    f.PushButton7_Click();
    QVERIFY(f.ListView1->count() > 1);
    f.PushButton6_Click();
    QCOMPARE(texts(*f.ListView3), QStringList{f.ListView1->text(1)});
    QCOMPARE(f.ListView3->subItem(1, 1), f.ListView1->subItem(1, 1));
    QCOMPARE(f.ListView3->selectedIndex(), 1);
    f.ListView1->select(2);
    f.PushButton6_Click();
    f.PushButton17_Click();
    QCOMPARE(f.ListView2->count(), 1);
    QCOMPARE(f.ListView2->selectedIndex(), 1);
    QCOMPARE(w.platform.boxTexts(), QStringList{QStringLiteral("Done.")});
    f.PushButton3_Click(); // "Delete Selected" takes the first entry, unreported
    QCOMPARE(texts(*f.ListView3), QStringList{f.ListView1->text(2)});
    QCOMPARE(w.platform.reports(), QStringList());
}

void TestTripList::duplicateRefused() {
    QFETCH(Handler, handler);
    TestWindow w;
    w.load();
    fillSearchList(w);
    w.form->ListView1->select(1);
    (w.form.get()->*handler)();
    (w.form.get()->*handler)();
    QCOMPARE(texts(*w.form->ListView3), QStringList{kFiorano});
    QVERIFY(w.platform.boxes.empty());
}

void TestTripList::caseDifferentTextsBothAdded() {
    TestWindow w;
    w.load();
    addRow(*w.form->ListView1, kFiorano, QStringLiteral("1"), QStringLiteral("2"));
    addRow(*w.form->ListView1, kFiorano.toUpper(), QStringLiteral("1"), QStringLiteral("2"));
    w.form->ListView1->select(1);
    w.form->PushButton6_Click();
    w.form->ListView1->select(2);
    w.form->PushButton6_Click();
    QCOMPARE(texts(*w.form->ListView3), (QStringList{kFiorano, kFiorano.toUpper()}));
}

// Only the text counts: the first of two equal texts keeps its coordinates.
void TestTripList::sameTextOtherCoordinates() {
    TestWindow w;
    w.load();
    addRow(*w.form->ListView1, kFiorano, QStringLiteral("1"), QStringLiteral("2"));
    addRow(*w.form->ListView1, kFiorano, QStringLiteral("3"), QStringLiteral("4"));
    w.form->ListView1->select(1);
    w.form->ListView1_DblClick();
    w.form->ListView1->select(2);
    w.form->ListView1_DblClick();
    QCOMPARE(w.form->ListView3->count(), 1);
    QCOMPARE(w.form->ListView3->subItem(1, 1), QStringLiteral("1"));
}

void TestTripList::restoredEntryRefusesSameText() {
    TestWindow w;
    w.platform.settings[kSettingsApplication + QLatin1Char('/') + kSettingsSection +
                        QLatin1Char('/') + kCitiesValue] = kFiorano + QLatin1Char(';') + kFiorino;
    w.load();
    QCOMPARE(w.form->ListView3->count(), 2);
    QCOMPARE(w.form->ListView3->subItem(1, 1), QString());
    fillSearchList(w);
    w.form->ListView1->select(1);
    w.form->PushButton6_Click();
    QCOMPARE(texts(*w.form->ListView3), (QStringList{kFiorano, kFiorino}));
    QVERIFY(w.platform.boxes.empty());
}

// The fault guarded: a 16-bit position counter overflows at 32,767 entries, which
// either adds duplicates or fails the check. It must hold for any length.
void TestTripList::duplicateCheckBeyond16Bits() {
    TestWindow w;
    w.load();
    ListView& trip = *w.form->ListView3;
    for (int i = 1; i <= 40000; ++i)
        trip.add(QStringLiteral("City %1 - Region").arg(i));
    addRow(*w.form->ListView1, QStringLiteral("City 40000 - Region"), QStringLiteral("1"),
           QStringLiteral("2"));
    addRow(*w.form->ListView1, QStringLiteral("City 40001 - Region"), QStringLiteral("3"),
           QStringLiteral("4"));
    w.form->ListView1->select(1);
    w.form->PushButton6_Click();
    QCOMPARE(trip.count(), 40000);
    w.form->ListView1->select(2);
    w.form->PushButton6_Click();
    QCOMPARE(trip.count(), 40001);
    QCOMPARE(trip.text(40001), QStringLiteral("City 40001 - Region"));
    QVERIFY(w.platform.boxes.empty());
}

void TestTripList::clearLeavesOtherListsAlone() {
    TestWindow w;
    w.load();
    fillSearchList(w);
    addRow(*w.form->ListView3, kFiorano);
    addRow(*w.form->ListView3, kFiorino);
    w.form->ListView2->add(QStringLiteral("Distance between A and B is 1 miles"));
    w.form->ListView2->setChecked(1, true);
    w.form->PushButton1_Click();
    QCOMPARE(w.form->ListView3->count(), 0);
    QCOMPARE(w.form->ListView2->count(), 1);
    QVERIFY(w.form->ListView2->checked(1));
    QCOMPARE(w.form->ListView1->count(), 2);
    w.form->PushButton1_Click(); // an empty list stays empty
    QVERIFY(w.platform.boxes.empty());
}

void TestTripList::removalKeepsTheSelection_data() {
    // The list, and whether a second removal with nothing selected is reported.
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("reported");
    QTest::newRow("Delete Selected on the trip list") << QStringLiteral("ListView3") << true;
    QTest::newRow("double-click on the results list") << QStringLiteral("ListView2") << false;
}

void TestTripList::removalKeepsTheSelection() {
    // A removal must not select the neighbour: a second removal would take a city
    // the user never picked.
    QFETCH(QString, list);
    QFETCH(bool, reported);
    TestWindow w;
    w.load();
    ListView* view = w.form->findChild<ListView*>(list);
    QVERIFY(view);
    for (const char* t : {"A - 1", "B - 2", "C - 3", "D - 4"})
        view->add(QString::fromLatin1(t));
    view->select(2);
    const auto remove = [&] {
        if (view == w.form->ListView3)
            w.form->PushButton3_Click();
        else
            w.form->ListView2_DblClick();
    };
    const QStringList left{QStringLiteral("A - 1"), QStringLiteral("C - 3"),
                           QStringLiteral("D - 4")};
    remove();
    QCOMPARE(texts(*view), left);
    QVERIFY(!view->hasSelection());
    QVERIFY(w.platform.boxes.empty());
    remove();
    QCOMPARE(texts(*view), left);
    QCOMPARE(w.platform.reports().size(), reported ? 1 : 0);
}

void TestTripList::onlyLeftDoubleClicks_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("command");
    const QString found = QStringLiteral("ListView1");   // adds the city to the trip list
    const QString results = QStringLiteral("ListView2"); // removes the line
    QTest::newRow("search list, left") << found << int(Qt::LeftButton) << true;
    QTest::newRow("search list, right") << found << int(Qt::RightButton) << false;
    QTest::newRow("search list, middle") << found << int(Qt::MiddleButton) << false;
    QTest::newRow("results list, left") << results << int(Qt::LeftButton) << true;
    QTest::newRow("results list, right") << results << int(Qt::RightButton) << false;
}

void TestTripList::onlyLeftDoubleClicks() {
    QFETCH(QString, list);
    QFETCH(int, button);
    QFETCH(bool, command);
    TestWindow w;
    w.load();
    fillSearchList(w);
    w.form->ListView2->add(QStringLiteral("Distance between A and B is 1 miles"));
    ListView* view = w.form->findChild<ListView*>(list);
    view->select(1);
    w.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.form.get()));
    const QPoint onItem = view->visualRect(view->model().index(0, 0)).center();
    QTest::mouseDClick(view->viewport(), static_cast<Qt::MouseButton>(button), {}, onItem);
    const bool ran = view == w.form->ListView1 ? w.form->ListView3->count() == 1
                                               : w.form->ListView2->count() == 0;
    QCOMPARE(ran, command);
}

void TestTripList::deleteWithNothingSelected_data() {
    QTest::addColumn<int>("entries");
    QTest::newRow("empty trip list") << 0;
    QTest::newRow("entries but no selection") << 2;
}

void TestTripList::deleteWithNothingSelected() {
    QFETCH(int, entries);
    TestWindow w;
    w.load();
    for (int i = 1; i <= entries; ++i)
        w.form->ListView3->add(QStringLiteral("City %1 - Region").arg(i));
    w.form->ListView3->clearSelection();
    w.form->PushButton3_Click();
    const QStringList reports = w.platform.reports();
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].contains(reportLine(QStringLiteral("Form1.PushButton3_Click"), 100)),
             qPrintable(reports[0]));
    QCOMPARE(w.form->ListView3->count(), entries);
}

QTEST_MAIN(TestTripList)
#include "tst_trip_list.moc"
