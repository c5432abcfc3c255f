// The tool's --order and --round-trip: the legs in the new order, the way back, the
// note on standard error.
#include "support/test_helpers.h"

#include <QRegularExpression>
#include <QTest>

using namespace amb::test;
using namespace Qt::StringLiterals;

namespace {

// Near the equator, in convex position: A (0°, 0°), B (1°, 3°), C (1°, 1°),
// D (1.2°, 2°), so every kind has one shortest order (a round trip either way).
const QByteArray kLine = "A\t0\t0\nB\t1\t3\nC\t1\t1\nD\t1.2\t2\n";

// The stops of the legs of a TSV output: each leg's start, then the last one's end.
QString stopsOf(const QString& tsv) {
    QStringList stops;
    QStringList lines = tsv.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst(); // the header
    for (const QString& line : lines) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (stops.isEmpty())
            stops << fields.value(0);
        stops << fields.value(1);
    }
    return stops.join(QLatin1Char(' '));
}

} // namespace

class TestOrderCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI")); }
    void ordersTheLegs_data();
    void ordersTheLegs();
};

void TestOrderCli::ordersTheLegs_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("stops"); // any of them; a round trip runs either way
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("note"); // a pattern standard error matches
    const QString measured = QStringLiteral(
        "Shortest order: [0-9,.]+ km, was [0-9,.]+ km; at most [0-9.]+ % above the shortest "
        "possible\n");
    QTest::newRow("from the first")
        << QStringList{u"--order"_s, u"shortest"_s} << kLine << QStringList{u"A C D B"_s} << 0
        << measured;
    QTest::newRow("between the ends")
        << QStringList{u"--order=ends"_s} << kLine << QStringList{u"A C B D"_s} << 0 << measured;
    QTest::newRow("round trip")
        << QStringList{u"--order"_s, u"round"_s} << kLine
        << QStringList{u"A C D B A"_s, u"A B D C A"_s} << 0 << measured;
    QTest::newRow("the way back alone keeps the order")
        << QStringList{u"--round-trip"_s} << kLine << QStringList{u"A B C D A"_s} << 0
        << QStringLiteral("^$");
    QTest::newRow("a line without coordinates follows the others")
        << QStringList{u"--order"_s, u"shortest"_s} << QByteArray("A\t0\t0\nX\nB\t0\t3\nC\t0\t1\n")
        << QStringList{u"A C B"_s} << 1 << QStringLiteral("line 2: .* skipped");
    QTest::newRow("an unknown order")
        << QStringList{u"--order"_s, u"fastest"_s} << kLine << QStringList{QString()} << 2
        << QStringLiteral("unknown order 'fastest': give shortest, ends or round");
}

void TestOrderCli::ordersTheLegs() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QStringList, stops);
    QFETCH(int, exitCode);
    QFETCH(QString, note);
    const ToolRun run = runTool(QStringList{u"distance"_s, u"--unit"_s, u"km"_s,
                                            u"--format"_s, u"tsv"_s} +
                                    args,
                                {.input = input, .locale = QStringLiteral("C")});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(stops.contains(stopsOf(run.out)), qPrintable(run.out));
    QVERIFY2(run.err.contains(QRegularExpression(note)), qPrintable(run.err));
}

QTEST_MAIN(TestOrderCli)
#include "tst_order_cli.moc"
