#include "app/main_module.h"
#include "output/clipboard_copy.h"
#include "support/test_helpers.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionViewItem>
#include <QTest>

using namespace amb;
using namespace amb::test;

namespace {
void addLines(ListView& list, const QStringList& lines) {
    for (const QString& line : lines)
        list.setChecked(list.add(line), true);
}
// Notes the text each list item shows: the item's text as the style fits it into
// the item's text area, the way the common item drawing does.
class ShownItemText : public QProxyStyle {
public:
    mutable QStringList shown;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
            item && element == CE_ItemViewItem) {
            const int margin = pixelMetric(PM_FocusFrameHMargin, nullptr, widget) + 1;
            const int width =
                subElementRect(SE_ItemViewItemText, item, widget).width() - 2 * margin;
            shown << item->fontMetrics.elidedText(item->text, item->textElideMode, width);
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};
} // namespace

// The results list's own commands and the clipboard copy.
class TestResultsList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clearResults();
    void distanceStaysInSight_data();
    void distanceStaysInSight();
    void doubleClickRemoval_data();
    void doubleClickRemoval();
    void clipboardText_data();
    void clipboardText();
    void clipboardCopy_data();
    void clipboardCopy();
};

void TestResultsList::clearResults() {
    TestWindow w;
    w.load();
    w.form->PushButton2_Click(); // already empty: nothing happens
    addLines(*w.form->ListView2, {QStringLiteral("a"), QStringLiteral("b")});
    w.form->ListView3->add(QStringLiteral("Oslo - Norway"));
    w.form->PushButton2_Click();
    QCOMPARE(w.form->ListView2->count(), 0);
    QCOMPARE(w.form->ListView3->count(), 1);
    QCOMPARE(w.platform.boxTexts(), QStringList());
    QVERIFY(w.platform.pointerHistory.empty());
}

void TestResultsList::distanceStaysInSight_data() {
    QTest::addColumn<QString>("distance");
    QTest::newRow("decimal point") << QStringLiteral("594.941716138396 miles");
    QTest::newRow("decimal comma") << QStringLiteral("594,941716138396 miles");
}

// The fault guarded: a sentence cut at the column's end lost its distance.
void TestResultsList::distanceStaysInSight() {
    QFETCH(QString, distance);
    const QString sentence = QString::fromUtf8("Distance between Florence - Tuscany, Italy and "
                                               "Paris - Île-de-France, France is ") +
                             distance;
    ShownItemText style;
    TestWindow w;
    w.load();
    ListView& results = *w.form->ListView2;
    results.setStyle(&style);
    addLines(results, {sentence});
    results.viewport()->grab();
    results.setStyle(nullptr);
    QCOMPARE(results.columnWidth(0), twipsToPixels(7000, w.form->logicalDpiX()));
    QVERIFY(!style.shown.isEmpty());
    const QString shown = style.shown.constLast();
    QVERIFY2(shown.size() < sentence.size() && shown.startsWith(QStringLiteral("Distance")) &&
                 shown.endsWith(QStringLiteral(" is ") + distance),
             qPrintable(shown));
}

void TestResultsList::doubleClickRemoval_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("selected"); // 0 = none
    QTest::addColumn<int>("pointerCode");
    QTest::addColumn<QStringList>("remaining");
    QTest::newRow("middle line") << 3 << 2 << pointer::Default
                                 << QStringList{QStringLiteral("1"), QStringLiteral("3")};
    QTest::newRow("only line") << 1 << 1 << pointer::Custom << QStringList{};
    QTest::newRow("nothing selected")
        << 2 << 0 << pointer::Default << QStringList{QStringLiteral("1"), QStringLiteral("2")};
    QTest::newRow("hourglass: a run is busy")
        << 2 << 1 << pointer::Hourglass << QStringList{QStringLiteral("1"), QStringLiteral("2")};
    QTest::newRow("empty list") << 0 << 0 << pointer::Default << QStringList{};
}

void TestResultsList::doubleClickRemoval() {
    QFETCH(int, lines);
    QFETCH(int, selected);
    QFETCH(int, pointerCode);
    QFETCH(QStringList, remaining);
    TestWindow w;
    w.load();
    ListView& list = *w.form->ListView2;
    for (int j = 1; j <= lines; ++j)
        list.add(QString::number(j));
    list.clearSelection();
    if (selected)
        list.select(selected);
    w.platform.pointer = pointerCode;
    w.form->ListView2_DblClick();
    QCOMPARE(itemTexts(list), remaining);
    w.form->ListView2_DblClick(); // a second double-click never fails
    QCOMPARE(w.platform.boxTexts(), QStringList());
}

void TestResultsList::clipboardText_data() {
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("rows"); // "+a|x" checked, "-a|x" not
    QTest::addColumn<QString>("expected");
    QTest::newRow("two columns") << QStringList{QStringLiteral("A"), QStringLiteral("B")}
                                 << QStringList{QStringLiteral("+ab|x"), QStringLiteral("+abcd|y")}
                                 << QStringLiteral("ab  \tx\r\nabcd\ty\r\n");
    QTest::newRow("result lines") << QStringList{QStringLiteral("Results")}
                                  << QStringList{QStringLiteral("+one"), QStringLiteral("+three"),
                                                 QStringLiteral("+two")}
                                  << QStringLiteral("one\r\nthree\r\ntwo\r\n");
    QTest::newRow("unchecked item counts for the widths only")
        << QStringList{QStringLiteral("A"), QStringLiteral("B")}
        << QStringList{QStringLiteral("+ab|x"), QStringLiteral("-abcdef|y")}
        << QStringLiteral("ab    \tx\r\n");
    QTest::newRow("only the final tab and the spaces before it go")
        << QStringList{QStringLiteral("A"), QStringLiteral("B")}
        << QStringList{QStringLiteral("+a|b"), QStringLiteral("+a|bbbb"), QStringLiteral("+a|")}
        << QStringLiteral("a\tb\r\na\tbbbb\r\na\t\r\n");
    QTest::newRow("header is not copied and does not widen")
        << QStringList{QStringLiteral("Long header"), QStringLiteral("B")}
        << QStringList{QStringLiteral("+a|b")} << QStringLiteral("a\tb\r\n");
    QTest::newRow("list without columns: empty lines")
        << QStringList{} << QStringList{QStringLiteral("+a"), QStringLiteral("+b")}
        << QStringLiteral("\r\n\r\n");
}

void TestResultsList::clipboardText() {
    QFETCH(QStringList, headers);
    QFETCH(QStringList, rows);
    QFETCH(QString, expected);
    FakePlatform platform;
    ListView list;
    fillList(list, headers, rows);
    CopyListviewToClipboard(platform, list);
    QCOMPARE(platform.clipboard, expected);
}

// The lines go to the clipboard and the paste hint follows, also for an empty
// list, which leaves the clipboard alone. A clipboard busy for a moment is tried
// again; one busy throughout is reported, with no hint that would claim the copy.
void TestResultsList::clipboardCopy_data() {
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("failures"); // the clipboard refuses that many attempts
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QString>("clipboard"); // it held "earlier" before
    QTest::addColumn<QStringList>("boxes"); // the texts, "report <place>" for a report
    const QStringList hint{
        QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where "
                       "you normally type and press Ctrl+V to paste the clipboard.")};
    const QStringList line{QStringLiteral("line")};
    QTest::newRow("two lines") << QStringList{QStringLiteral("Distance between A and B is 3 miles"),
                                              QStringLiteral(
                                                  "Distance between B and C is 1,5 miles")}
                               << 0 << 2
                               << QStringLiteral("Distance between A and B is 3 miles\r\n"
                                                 "Distance between B and C is 1,5 miles\r\n")
                               << hint;
    QTest::newRow("empty list") << QStringList() << 0 << 0 << QStringLiteral("earlier") << hint;
    QTest::newRow("busy for a moment") << line << 5 << 7 << QStringLiteral("line\r\n") << hint;
    QTest::newRow("clearing never works, setting does")
        << line << 1200 << 1201 << QStringLiteral("line\r\n") << hint;
    QTest::newRow("busy throughout")
        << line << 5000 << 2000 << QStringLiteral("earlier")
        << QStringList{QStringLiteral("report Form1.PushButton5_Click 100")};
}

void TestResultsList::clipboardCopy() {
    QFETCH(QStringList, lines);
    QFETCH(int, failures);
    TestWindow w;
    w.load();
    addLines(*w.form->ListView2, lines);
    w.platform.clipboard = QStringLiteral("earlier");
    w.platform.clipboardHasText = true;
    w.platform.clipboardFailures = failures;
    w.form->PushButton5_Click();
    QTEST(w.platform.clipboardAttempts, "attempts");
    QTEST(w.platform.clipboard, "clipboard");
    QStringList boxes;
    int reports = 0;
    for (const ShownBox& box : w.platform.boxes) {
        if (box.title == QLatin1String("Application Error")) {
            QVERIFY2(box.text.contains(QLatin1String("clipboard busy")), qPrintable(box.text));
            boxes << QStringLiteral("report ") + w.platform.reportPlaces().value(reports++);
            continue;
        }
        QCOMPARE(box.title, applicationTitle());
        QCOMPARE(box.style, mb::OkOnly);
        boxes << box.text;
    }
    QTEST(boxes, "boxes");
}

QTEST_MAIN(TestResultsList)
#include "tst_results_list.moc"
