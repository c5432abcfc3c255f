// The tool's messages on standard error show names and file names with their control
// characters escaped, so input cannot clear the screen, move the cursor or ring the bell.
#include "support/test_helpers.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace amb;
using namespace amb::test;

class TestToolMessages : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void controlCharactersEscaped_data();
    void controlCharactersEscaped();

private:
    QTemporaryDir dir_;
    QString database_;
};

void TestToolMessages::initTestCase() {
    QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI"));
    database_ = dir_.filePath(QStringLiteral("trip.sqlite"));
    importTripFixture(database_);
}

void TestToolMessages::controlCharactersEscaped_data() {
    QTest::addColumn<QStringList>("args"); // DB is the test database
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("shown"); // a part of standard error
    const QString clear = QStringLiteral("Par\x1b[2Jis");
    const QByteArray trip("A\t0\t0\nB\t0\t1\n");
    QTest::newRow("unknown command") << QStringList{clear} << QByteArray()
                                     << QStringLiteral("unknown command 'Par\\x1b[2Jis'");
    QTest::newRow("search option with a bell")
        << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--d\ab")}
        << QByteArray() << QStringLiteral("unknown option --d\\x07b");
    QTest::newRow("trip file with a carriage return")
        << QStringList{QStringLiteral("distance"), QStringLiteral("/nonexistent/a\rb.txt")}
        << QByteArray() << QStringLiteral("cannot read /nonexistent/a\\x0db.txt");
    QTest::newRow("text file that cannot be written")
        << QStringList{QStringLiteral("distance"), QStringLiteral("--text-file"),
                       QStringLiteral("/nonexistent/") + clear}
        << trip << QStringLiteral("/nonexistent/Par\\x1b[2Jis");
    QTest::newRow("map that cannot be written")
        << QStringList{QStringLiteral("distance"), QStringLiteral("--map"),
                       QStringLiteral("/nonexistent/x\x1b.png")}
        << trip << QStringLiteral("Cannot write the map to /nonexistent/x\\x1b.png");
    QTest::newRow("city name") << QStringList{QStringLiteral("trip"), QStringLiteral("--database"),
                                              QStringLiteral("DB"), QStringLiteral("Florence"),
                                              clear}
                               << QByteArray()
                               << QStringLiteral("no city is called \"Par\\x1b[2Jis\"");
    QTest::newRow("city name with a line feed and an 8-bit escape")
        << QStringList{QStringLiteral("trip"), QStringLiteral("--database"), QStringLiteral("DB"),
                       QStringLiteral("Florence"), QStringLiteral("Par\nis\u009b2J")}
        << QByteArray() << QStringLiteral("no city is called \"Par\\x0ais\\x9b2J\"");
    QTest::newRow("import source")
        << QStringList{QStringLiteral("import"), QStringLiteral("--csv"),
                       QStringLiteral("/nonexistent/m\x7f.csv"), QStringLiteral("OUT")}
        << QByteArray() << QStringLiteral("/nonexistent/m\\x7f.csv");
}

void TestToolMessages::controlCharactersEscaped() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, shown);
    QTemporaryDir out;
    args.replaceInStrings(QRegularExpression(QStringLiteral("^DB$")), database_);
    args.replaceInStrings(QRegularExpression(QStringLiteral("^OUT$")),
                          out.filePath(QStringLiteral("out.sqlite")));
    const ToolRun run = runTool(args, {.input = input});
    QVERIFY(run.exitCode > 0);
    // File names are shown with the system's separators.
    QVERIFY2(run.err.contains(QDir::toNativeSeparators(shown)), qPrintable(run.err));
    // Nothing but line ends below a space, no DEL and no C1 control anywhere.
    for (const QChar c : run.err)
        QVERIFY2(c == QLatin1Char('\n') || !(c < QChar(0x20) || (c >= QChar(0x7f) && c <= QChar(0x9f))),
                 qPrintable(QStringLiteral("U+%1 in: %2").arg(c.unicode(), 4, 16, QLatin1Char('0')).arg(run.err)));
}

QTEST_GUILESS_MAIN(TestToolMessages)
#include "tst_tool_messages.moc"
