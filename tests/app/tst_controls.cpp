#include "app/list_view.h"
#include "app/progress_bar.h"
#include "app/runtime_error.h"

#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <limits>

using namespace amb;

class TestControls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void positionsCountFromOne();
    void missingPositionsThrow_data();
    void missingPositionsThrow();
    void selectedItem();
    void checkBoxesShowTheCheckedState();
    void doubleClickAndMovesAreReported();
    void progressBarStoresAndClampsOnlyWhenDrawn_data();
    void progressBarStoresAndClampsOnlyWhenDrawn();
    void progressBarRepaintsOnlyAChangedBar_data();
    void progressBarRepaintsOnlyAChangedBar();
};

// Items, sub-items and columns count from 1; a removal keeps the order.
void TestControls::positionsCountFromOne() {
    ListView list;
    list.addColumn(QStringLiteral("City - Region"));
    list.addColumn(QStringLiteral("Lat."));
    QCOMPARE(list.columnCount(), 2);
    QCOMPARE(list.columnText(2), QStringLiteral("Lat."));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.columnText(3));
    list.setColumnWidthTwips(2, 1);
    QVERIFY(list.columnWidth(1) >= 1); // one twip still leaves the column in place
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.setColumnWidthTwips(5, 100));
    for (const char* t : {"a", "b", "c", "d"}) {
        const int added = list.add(QString::fromLatin1(t));
        QCOMPARE(added, list.count());
    }
    list.setSubItem(1, 2, QStringLiteral("x"));
    QCOMPARE(list.subItem(1, 2), QStringLiteral("x"));
    QCOMPARE(list.subItem(1, 1), QString()); // added with its text only
    list.setChecked(2, true);
    list.remove(2);
    QCOMPARE((QStringList{list.text(1), list.text(2), list.text(3)}),
             (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("d")}));
    QVERIFY(!list.checked(1) && !list.checked(2)); // the check left with its item
    list.clear();
    QCOMPARE(list.count(), 0);
}

void TestControls::missingPositionsThrow_data() {
    QTest::addColumn<int>("item");
    QTest::newRow("zero") << 0;
    QTest::newRow("past the end") << 3;
    QTest::newRow("negative") << -1;
}

void TestControls::missingPositionsThrow() {
    QFETCH(int, item);
    ListView list;
    list.addColumn(QStringLiteral("A"));
    list.add(QStringLiteral("a"));
    list.add(QStringLiteral("b"));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.text(item));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.subItem(item, 1));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.setChecked(item, true));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.remove(item));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.ensureVisible(item));
    QCOMPARE(list.count(), 2);
}

void TestControls::selectedItem() {
    ListView list;
    list.addColumn(QStringLiteral("A"));
    QVERIFY_THROWS_EXCEPTION(RunTimeError, list.selectedIndex()); // empty list
    list.add(QStringLiteral("a"));
    list.add(QStringLiteral("b"));
    list.clearSelection();
    list.select(2);
    QCOMPARE(list.selectedIndex(), 2);
    list.clearSelection();
    QVERIFY(!list.hasSelection());
    try { // nothing selected
        list.selectedIndex();
        QFAIL("expected a run-time error");
    } catch (const RunTimeError& e) {
        QCOMPARE(e.number(), err::ObjectNotSet);
        QVERIFY(!e.description().isEmpty());
    }
}

void TestControls::checkBoxesShowTheCheckedState() {
    ListView list;
    list.addColumn(QStringLiteral("Results"));
    list.add(QStringLiteral("line"));
    const QModelIndex index = list.model().index(0, 0);
    QVERIFY(!list.model().data(index, Qt::CheckStateRole).isValid()); // no boxes by default
    list.setCheckBoxes(true);
    list.setChecked(1, true);
    QCOMPARE(list.model().data(index, Qt::CheckStateRole).toInt(), int(Qt::Checked));
    // The user unticks the line in the view.
    QVERIFY(list.model().setData(index, int(Qt::Unchecked), Qt::CheckStateRole));
    QVERIFY(!list.checked(1));
}

void TestControls::doubleClickAndMovesAreReported() {
    ListView list;
    list.addColumn(QStringLiteral("A"));
    list.add(QStringLiteral("a"));
    list.resize(200, 120);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy doubleClicks(&list, &ListView::dblClick);
    QSignalSpy moves(&list, &ListView::mouseMove);
    const QPoint onItem = list.visualRect(list.model().index(0, 0)).center();
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, onItem);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, QPoint(100, 100)); // empty space
    QCOMPARE(doubleClicks.size(), 2);
    QTest::mouseMove(list.viewport(), QPoint(50, 50));
    QVERIFY(moves.size() >= 1);
}

void TestControls::progressBarStoresAndClampsOnlyWhenDrawn_data() {
    // A value as set, and the value whose bar it must look like.
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("drawnAs");
    QTest::newRow("a little above 100") << 100.05 << 100.0;
    QTest::newRow("far above 100") << 250.0 << 100.0;
    QTest::newRow("below 0") << -5.0 << 0.0;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0.0;
}

void TestControls::progressBarStoresAndClampsOnlyWhenDrawn() {
    QFETCH(double, value);
    QFETCH(double, drawnAs);
    ProgressBar bar;
    bar.resize(300, 24);
    bar.setText(QStringLiteral("Writing file: a.txt"));
    const auto drawn = [&bar](double v) {
        bar.setValue(v);
        QPixmap picture(bar.size());
        bar.render(&picture);
        return picture.toImage();
    };
    QVERIFY(drawn(100) != drawn(0)); // the bar shows its value at all
    QSignalSpy values(&bar, &ProgressBar::valueSet);
    const QImage shown = drawn(value);
    QCOMPARE(values.size(), 1);
    if (std::isnan(value))
        QVERIFY(std::isnan(bar.value()));
    else
        QCOMPARE(bar.value(), value); // kept as set
    QCOMPARE(bar.text(), QStringLiteral("Writing file: a.txt"));
    QVERIFY(shown == drawn(drawnAs));
}

namespace {
// Counts the paint events a widget receives.
struct PaintCounter : QObject {
    int* n;
    explicit PaintCounter(int* c) : n(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++*n;
        return false;
    }
};
} // namespace

void TestControls::progressBarRepaintsOnlyAChangedBar_data() {
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("paints");
    const QString idle = QStringLiteral("Progress Bar");
    // A bar that repaints on every update makes long loops crawl: two updates that
    // change the bar still draw it once.
    QTest::newRow("run up and set back") << QList<double>{50, 100, 0} << idle << 0;
    QTest::newRow("same drawn percent") << QList<double>{0.4} << idle << 0;
    QTest::newRow("new percent") << QList<double>{50, 100} << idle << 1;
    QTest::newRow("new text") << QList<double>{} << QStringLiteral("Reading") << 1;
}

void TestControls::progressBarRepaintsOnlyAChangedBar() {
    QFETCH(QList<double>, values);
    QFETCH(QString, text);
    QFETCH(int, paints);
    ProgressBar bar;
    bar.setText(QStringLiteral("Progress Bar"));
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCoreApplication::processEvents();
    int painted = 0;
    PaintCounter counter(&painted);
    bar.installEventFilter(&counter);
    for (const double v : values)
        bar.setValue(v);
    bar.setText(text);
    // One pass of the event loop draws the change, as a long command's doEvents runs one.
    QCoreApplication::processEvents();
    QCOMPARE(painted, paints);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
