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

const QString kFiorano = QStringLiteral("Fiorano - Emilia-Romagna, Italy");
const QString kFiorino = QStringLiteral("Fiorino - Tuscany, Italy");

// A loaded window whose search list holds two found cities.
void fillSearchList(TestWindow& w) {
    addRow(*w.form->ListView1, kFiorano, QStringLiteral("44.53889"), QStringLiteral("10.81166"));
    addRow(*w.form->ListView1, kFiorino, QStringLiteral("43.32247"), QStringLiteral("10.53777"));
}

} // namespace

class TestTripList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addCommands_data();
    void addCommands();
    void filledListsStartWithTheirFirstRowSelected();
    void duplicateCheckBeyond16Bits();
    void clearLeavesOtherListsAlone();
    void removalKeepsTheSelection_data();
    void removalKeepsTheSelection();
    void onlyLeftDoubleClicks_data();
    void onlyLeftDoubleClicks();
    void deleteWithNothingSelected_data();
    void deleteWithNothingSelected();
};

// Double-click and "2. Add" copy the selected found city to the end of the trip
// list, with its coordinates, unless the trip list holds its text already (only
// the text counts, and its case does).
void TestTripList::addCommands_data() {
    QTest::addColumn<Handler>("handler");
    QTest::addColumn<QStringList>("found");    // the search list, "text|lat|long"
    QTest::addColumn<QString>("restored");     // the trip list kept at the last close
    QTest::addColumn<QList<int>>("presses");   // the found row selected for each, 0: none
    QTest::addColumn<QStringList>("trip");     // afterwards, "text|lat|long"
    QTest::addColumn<QStringList>("reported"); // "procedure line" of each report
    const QString fiorano = kFiorano + QStringLiteral("|44.53889|10.81166");
    const QString fiorino = kFiorino + QStringLiteral("|43.32247|10.53777");
    const QStringList both{fiorano, fiorino};
    const QString entries = kFiorano + QLatin1Char(';') + kFiorino;
    const QString other = kFiorano + QStringLiteral("|1|2");
    const std::pair<Handler, const char*> commands[] = {
        {&Form1::ListView1_DblClick, "Form1.ListView1_DblClick"},
        {&Form1::PushButton6_Click, "Form1.PushButton6_Click"}};
    for (const auto& command : commands) {
        const Handler handler = command.first;
        const char* name = command.second;
        const auto row = [&](const char* what, const QStringList& found, const QString& restored,
                             const QList<int>& presses, const QStringList& trip,
                             const QList<int>& lines = {}) {
            QStringList reported;
            for (const int line : lines)
                reported << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(line);
            QTest::addRow("%s, %s", name, what)
                << handler << found << restored << presses << trip << reported;
        };
        row("added at the end, whichever entry is selected", both,
            QStringLiteral("Earlier - Entry;Later - Entry"), {2},
            {QStringLiteral("Earlier - Entry||"), QStringLiteral("Later - Entry||"), fiorino});
        row("empty search list", {}, {}, {0}, {});
        // Every step that reads the selected found city reports; nothing is added.
        row("nothing selected", both, {}, {0}, {}, {102, 104, 106, 108});
        row("same city twice", both, {}, {1, 1}, {fiorano});
        row("texts differing in case", {other, kFiorano.toUpper() + QStringLiteral("|1|2")}, {},
            {1, 2}, {other, kFiorano.toUpper() + QStringLiteral("|1|2")});
        row("same text, other coordinates: the first stays",
            {other, kFiorano + QStringLiteral("|3|4")}, {}, {1, 2}, {other});
        row("same text as a restored entry", both, entries, {1},
            {kFiorano + QStringLiteral("||"), kFiorino + QStringLiteral("||")});
    }
}

void TestTripList::addCommands() {
    QFETCH(Handler, handler);
    QFETCH(QStringList, found);
    QFETCH(QString, restored);
    QFETCH(QList<int>, presses);
    TestWindow w;
    if (!restored.isEmpty())
        w.platform.settings[kSettingsApplication + QLatin1Char('/') + kSettingsSection +
                            QLatin1Char('/') + kCitiesValue] = restored;
    w.load();
    addRows(*w.form->ListView1, found);
    ListView& trip = *w.form->ListView3;
    for (const int selected : presses) {
        if (selected)
            w.form->ListView1->select(selected);
        else
            w.form->ListView1->clearSelection(); // the user took the first row's selection away
        (w.form.get()->*handler)();
    }
    QTEST(itemRows(trip), "trip");
    QTEST(w.platform.reportPlaces(), "reported");
    QCOMPARE(w.platform.boxes.size(), size_t(w.platform.reports().size()));
    // Neither list's selection moves.
    if (presses.constLast())
        QCOMPARE(w.form->ListView1->selectedIndex(), presses.constLast());
    if (trip.count())
        QCOMPARE(trip.selectedIndex(), 1);
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
    QCOMPARE(itemTexts(*f.ListView3), QStringList{f.ListView1->text(1)});
    QCOMPARE(f.ListView3->subItem(1, 1), f.ListView1->subItem(1, 1));
    QCOMPARE(f.ListView3->selectedIndex(), 1);
    f.ListView1->select(2);
    f.PushButton6_Click();
    f.PushButton17_Click();
    QCOMPARE(f.ListView2->count(), 1);
    QCOMPARE(f.ListView2->selectedIndex(), 1);
    QCOMPARE(w.platform.boxTexts(), QStringList{QStringLiteral("Done.")});
    f.PushButton3_Click(); // "Delete Selected" takes the first entry, unreported
    QCOMPARE(itemTexts(*f.ListView3), QStringList{f.ListView1->text(2)});
    QCOMPARE(w.platform.reports(), QStringList());
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
    QCOMPARE(itemTexts(*view), left);
    QVERIFY(!view->hasSelection());
    QVERIFY(w.platform.boxes.empty());
    remove();
    QCOMPARE(itemTexts(*view), left);
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
    QCOMPARE(w.platform.reportPlaces(), QStringList{QStringLiteral("Form1.PushButton3_Click 100")});
    QCOMPARE(w.form->ListView3->count(), entries);
}

QTEST_MAIN(TestTripList)
#include "tst_trip_list.moc"
