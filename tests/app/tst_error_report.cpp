#include "app/error_report.h"
#include "support/fake_platform.h"

#include <QTest>
#include <functional>

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
// The lines of a command; `ran` records what ran.
using Command = std::function<void(ErrorReport&, QStringList& ran)>;
} // namespace

class TestErrorReport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void box();
    void commandGoesOn_data();
    void commandGoesOn();
};

void TestErrorReport::box() {
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Form1.Form_Load"));
    report(104, [] { fail("Bad"); });
    QCOMPARE(platform.boxes.size(), size_t(1));
    QCOMPARE(platform.boxes[0].title, QStringLiteral("Application Error"));
    QCOMPARE(platform.boxes[0].style, 48);
    QCOMPARE(platform.boxes[0].text,
             QStringLiteral("Bad\r\nin Kestrune2021/08/31.Form1.Form_Load at line 104\r\r"
                            "Please email screenshot of this message to ") +
                 kSupportEmail);
    QCOMPARE(platform.boxes[0].text,
             errorReportText(QStringLiteral("Bad"), QStringLiteral("Form1.Form_Load"), 104));
    QVERIFY(kSupportEmail.contains(QLatin1Char('@')));
}

// A failing line shows its report and the command goes on with the next line.
void TestErrorReport::commandGoesOn_data() {
    QTest::addColumn<Command>("command");
    // What ran, then the first line of each report with the line it names.
    QTest::addColumn<QString>("trace");
    QTest::newRow("the rest of a failing line is skipped")
        << Command([](ErrorReport& report, QStringList& ran) {
               report(100, [&] { ran << QStringLiteral("100"); });
               const bool ok = report(102, [&] {
                   ran << QStringLiteral("102a");
                   fail("x");
                   ran << QStringLiteral("102b");
               });
               ran << (ok ? QStringLiteral("ok") : QStringLiteral("failed"));
               report(104, [&] { ran << QStringLiteral("104"); });
           })
        << QStringLiteral("100,102a,failed,104 | x 102");
    QTest::newRow("a failing condition counts as true")
        << Command([](ErrorReport& report, QStringList& ran) {
               if (report.condition(100, []() -> bool { fail("cond"); }))
                   ran << QStringLiteral("then");
               if (!report.condition(102, [] { return false; }))
                   ran << QStringLiteral("else");
           })
        << QStringLiteral("then,else | cond 100");
    QTest::newRow("one report per failing loop pass")
        << Command([](ErrorReport& report, QStringList& ran) {
               for (int i = 0; i < 3; ++i) {
                   report(104, [] { fail("each pass"); });
                   report(106, [&] { ran << QStringLiteral("106"); });
               }
           })
        << QStringLiteral("106,106,106 | each pass 104,each pass 104,each pass 104");
    QTest::newRow("a called procedure at the caller's line")
        << Command([](ErrorReport& report, QStringList& ran) {
               report(102, [&] { helperWithoutReport(ran); });
               report(104, [&] { ran << QStringLiteral("after"); });
           })
        << QStringLiteral("helper start,after | inner failure 102");
    QTest::newRow("standard exceptions") << Command([](ErrorReport& report, QStringList&) {
        report(100, [] { throw std::runtime_error("disk trouble"); });
    }) << QStringLiteral(" | disk trouble 100");
}

void TestErrorReport::commandGoesOn() {
    QFETCH(Command, command);
    FakePlatform platform;
    ErrorReport report(platform, QStringLiteral("Form1.PushButton7_Click"));
    QStringList ran;
    command(report, ran);
    QStringList reported;
    for (const QString& text : platform.reports()) {
        QVERIFY2(text.contains(QLatin1String("in Kestrune2021/08/31.Form1.PushButton7_Click at")),
                 qPrintable(text));
        reported
            << text.section(QLatin1String("\r\n"), 0, 0) + QLatin1Char(' ') +
                   text.section(QLatin1String(" at line "), 1).section(QLatin1Char('\r'), 0, 0);
    }
    QTEST(ran.join(u',') + QStringLiteral(" | ") + reported.join(u','), "trace");
}

QTEST_MAIN(TestErrorReport)
#include "tst_error_report.moc"
