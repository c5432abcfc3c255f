#include "app/error_report.h"
#include "support/fake_platform.h"

#include <QTest>

using namespace amb;
using amb::test::FakePlatform;

namespace {
[[noreturn]] void fail(const char* what) {
    throw RunTimeError(err::InvalidProcedureCall, QString::fromLatin1(what));
}
// A procedure without a report of its own: its failure belongs to the caller's line.
void helperWithoutReport(QStringList& trace) {
    trace << QStringLiteral("helper start");
    fail("inner failure");
}
} // namespace

class TestErrorReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void textLayout();
    void boxTitleAndStyle();
    void resumesWithNextStatement();
    void failingConditionEntersThenBranch();
    void oneReportPerFailingLoopPass();
    void calledProcedureReportedAtCallersLine();
    void standardExceptionsAreReportedToo();
};

void TestErrorReport::textLayout() {
    const QString text =
        errorReportText(QStringLiteral("Boom"), QStringLiteral("Form1.PushButton7_Click"), 102);
    QCOMPARE(text,
             QStringLiteral("Boom\r\nin Kestrune2021/08/31.Form1.PushButton7_Click at line 102\r\r"
                            "Please email screenshot of this message to ") +
                 kSupportEmail);
    QVERIFY(kSupportEmail.contains(QLatin1Char('@')));
}

void TestErrorReport::boxTitleAndStyle() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Form1.Form_Load"));
    report(104, [] { fail("Bad"); });
    QCOMPARE(platform.boxes.size(), size_t(1));
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Application Error"));
    QCOMPARE(platform.boxes[0].style, 48);
    QVERIFY(platform.boxes[0].text.startsWith(
        QStringLiteral("Bad\r\nin Kestrune2021/08/31.Form1.Form_Load at line 104\r\r")));
}

void TestErrorReport::resumesWithNextStatement() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Main.Test"));
    QStringList ran;
    report(100, [&] { ran << QStringLiteral("100"); });
    const bool ok = report(102, [&] {
        ran << QStringLiteral("102a");
        fail("x");
        ran << QStringLiteral("102b"); // never reached: the rest of the line is skipped
    });
    report(104, [&] { ran << QStringLiteral("104"); });
    QVERIFY(!ok);
    QCOMPARE(ran,
             (QStringList{QStringLiteral("100"), QStringLiteral("102a"), QStringLiteral("104")}));
    QCOMPARE(platform.reports().size(), 1);
    QVERIFY(platform.reports().first().contains(QStringLiteral("at line 102\r\r")));
}

void TestErrorReport::failingConditionEntersThenBranch() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Main.Test"));
    bool thenRan = false;
    if (report.condition(100, []() -> bool { fail("cond"); }))
        thenRan = true;
    QVERIFY(thenRan);
    bool elseRan = false;
    if (!report.condition(102, [] { return false; }))
        elseRan = true;
    QVERIFY(elseRan);
    QCOMPARE(platform.reports().size(), 1);
}

void TestErrorReport::oneReportPerFailingLoopPass() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Main.Test"));
    int after = 0;
    for (int i = 0; i < 3; ++i) {
        report(104, [] { fail("each pass"); });
        report(106, [&] { ++after; });
    }
    QCOMPARE(platform.reports().size(), 3);
    QCOMPARE(after, 3);
}

void TestErrorReport::calledProcedureReportedAtCallersLine() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Form1.PushButton7_Click"));
    QStringList trace;
    report(102, [&] { helperWithoutReport(trace); });
    report(104, [&] { trace << QStringLiteral("after"); });
    QCOMPARE(trace, (QStringList{QStringLiteral("helper start"), QStringLiteral("after")}));
    QVERIFY(platform.reports().first().startsWith(QStringLiteral(
        "inner failure\r\nin Kestrune2021/08/31.Form1.PushButton7_Click at line 102")));
}

void TestErrorReport::standardExceptionsAreReportedToo() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Main.Test"));
    report(100, [] { throw std::runtime_error("disk trouble"); });
    QVERIFY(platform.reports().first().startsWith(QStringLiteral("disk trouble\r\n")));
}

QTEST_MAIN(TestErrorReport)
#include "tst_error_report.moc"
