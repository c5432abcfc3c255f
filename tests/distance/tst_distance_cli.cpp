#include "support/test_helpers.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace amb::test;

namespace {

// The distance command on `input`.
ToolRun distance(const QStringList& args, const QByteArray& input, const QString& locale = {},
                 const QString& outputFile = {}) {
    return runTool(QStringList{QStringLiteral("distance")} + args,
                   {.input = input, .locale = locale, .outputFile = outputFile});
}

QString lines(std::initializer_list<const char*> texts) {
    QString joined;
    for (const char* text : texts)
        joined += QString::fromUtf8(text) + QLatin1Char('\n');
    return joined;
}

} // namespace

class TestDistanceCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI")); }
    void printsTheSentences_data();
    void printsTheSentences();
    void readsAFile();
    void printsEachSentenceAsItIsMeasured();
    void filesAndArguments_data();
    void filesAndArguments();
};

void TestDistanceCli::printsTheSentences_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("out");
    QTest::addColumn<int>("reports"); // the window's error reports, then skipped pairs
    QTest::addColumn<int>("skipped");
    QTest::newRow("three rows") << QString()
                                << QByteArray("A - X\t0\t0\nB - Y\t0\t1\nA - X\t0\t0\n")
                                << lines({"Distance between A - X and B - Y is 69.09 miles",
                                          "Distance between B - Y and A - X is 69.09 miles"})
                                << 0 << 0;
    QTest::newRow("one row") << QString() << QByteArray("A - X\t0\t0\n") << QString() << 0 << 0;
    QTest::newRow("nothing") << QString() << QByteArray() << QString() << 0 << 0;
    QTest::newRow("CR LF, byte order mark, empty lines, no last line end")
        << QString() << QByteArray("\xEF\xBB\xBFS\xC3\xA3o - 27\t0\t0\r\n\r\n\nB\t0\t180")
        << lines({"Distance between São - 27 and B is 12436.2 miles"}) << 0 << 0;
    QTest::newRow("a tab in the city text")
        << QString() << QByteArray("A\tB\t0\t0\nC\t0\t1\n")
        << lines({"Distance between A\tB and C is 69.09 miles"}) << 0 << 0;
    QTest::newRow("a row without coordinates costs its pairs")
        << QString() << QByteArray("A\t0\t0\nB\nC\t0\t1\nD\t0\t2\n")
        << lines({"Distance between C and D is 69.09 miles"}) << 2 << 0;
    // The window measures whatever its lists hold; the tool refuses coordinates off
    // the globe before they reach the formula.
    QTest::newRow("a latitude beyond 90 costs its pairs")
        << QString() << QByteArray("A\t0\t0\nB\t-90.5\t0\nC\t0\t1\nD\t0\t2\n")
        << lines({"Distance between C and D is 69.09 miles"}) << 0 << 2;
    QTest::newRow("a longitude beyond 180 costs its pair")
        << QString() << QByteArray("A\t90\t-180\nB\t0\t1e308\n") << QString() << 0 << 1;
    QTest::newRow("same city, same place")
        << QString() << QByteArray("A\t1\t2\nA\t1\t2\n")
        << lines({"Distance between A and A is 0 miles"}) << 0 << 0;
    QTest::newRow("decimal comma")
        << QStringLiteral("de_DE.UTF-8") << QByteArray("A\t0,5\t0\nB\t0.5\t1\nC\t0,5\t2,5\n")
        << lines({"Distance between A and B is 69,09 miles",
                  "Distance between B and C is 103,63 miles"})
        << 0 << 0;
}

void TestDistanceCli::printsTheSentences() {
    QFETCH(QString, locale);
    QFETCH(QByteArray, input);
    QFETCH(QString, out);
    QFETCH(int, reports);
    QFETCH(int, skipped);
    const ToolRun run = distance({}, input, locale);
    QCOMPARE(run.out, out);
    QCOMPARE(run.err.count(QStringLiteral("Please email screenshot")), reports);
    QCOMPARE(run.err.count(QStringLiteral(" is skipped\n")), skipped);
    if (skipped > 0)
        QVERIFY2(run.err.startsWith(QStringLiteral("ambrevale-cli distance: line 2: the ")),
                 qPrintable(run.err));
    if (reports > 0)
        QVERIFY2(run.err.contains(QStringLiteral(".Form1.PushButton17_Click at line 132\n")) ||
                     run.err.contains(QStringLiteral(".modZipDistance.GetDistance at line 106\n")),
                 qPrintable(run.err));
    QCOMPARE(run.exitCode, reports + skipped > 0 ? 1 : 0);
}

void TestDistanceCli::readsAFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trip.txt"));
    writeFile(path, "A\t0\t0\nB\t0\t1\n");
    const ToolRun run = distance({path}, QByteArray("ignored\t0\t0\nstdin\t1\t1\n"));
    QCOMPARE(run.out, lines({"Distance between A and B is 69.09 miles"}));
    QCOMPARE(run.exitCode, 0);
}

// A trip fed line by line gets each sentence before the input ends.
void TestDistanceCli::printsEachSentenceAsItIsMeasured() {
    QProcess process;
    process.start(qEnvironmentVariable("AMBREVALE_CLI"), {QStringLiteral("distance")});
    process.write("A\t0\t0\nB\t0\t1\n");
    QVERIFY(process.waitForReadyRead(20000));
    QCOMPARE(process.readAllStandardOutput(),
             QByteArray("Distance between A and B is 69.09 miles\n"));
    process.closeWriteChannel();
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 0);
}

// %1 in an argument is a fresh folder; `written` is what the file there holds, its lines
// as a reader sees them, joined by "|" (empty: the folder stays empty). `out` is all of
// standard output, or its start when it ends in "...".
void TestDistanceCli::filesAndArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");        // a part of standard error
    QTest::addColumn<QString>("outputFile"); // standard output goes there
    QTest::addColumn<QString>("written");
    const QString sentence = lines({"Distance between A and B is 69.09 miles"});
    const QString results = QStringLiteral("Results|Distance between A and B is 69.09 miles");
    QTest::newRow("text file") << QStringList{QStringLiteral("--text-file"),
                                              QStringLiteral("%1/out.txt")}
                               << 0 << sentence << QString() << QString() << results;
    QTest::newRow("workbook") << QStringList{QStringLiteral("--xlsx=%1/out.xlsx")} << 0 << sentence
                              << QString() << QString() << results;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0
                          << QStringLiteral("Usage: ambrevale-cli distance...") << QString()
                          << QString() << QString();
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--miles")} << 2 << QString()
        << QStringLiteral("unknown option '--miles'") << QString() << QString();
    QTest::newRow("export without a name")
        << QStringList{QStringLiteral("--xlsx")} << 2 << QString()
        << QStringLiteral("--xlsx needs a file name") << QString() << QString();
    QTest::newRow("two trips") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << 2
                               << QString() << QStringLiteral("only one trip file") << QString()
                               << QString();
    QTest::newRow("missing trip file")
        << QStringList{QStringLiteral("/nonexistent/trip.txt")} << 2 << QString()
        << QStringLiteral("cannot read /nonexistent/trip.txt") << QString() << QString();
    // The sentences are printed before the files are written.
    QTest::newRow("text file that cannot be written")
        << QStringList{QStringLiteral("--text-file"), QStringLiteral("/nonexistent/out.txt")} << 1
        << sentence << QStringLiteral("ambrevale-cli distance: ") << QString() << QString();
    QTest::newRow("workbook that cannot be written")
        << QStringList{QStringLiteral("--xlsx=/nonexistent/out.xlsx")} << 1 << sentence
        << QStringLiteral("ambrevale-cli distance: ") << QString() << QString();
    QTest::newRow("standard output on a full disk")
        << QStringList() << 1 << QString()
        << QStringLiteral("ambrevale-cli distance: cannot write the sentences to standard output: "
                          "No space left on device")
        << QStringLiteral("/dev/full") << QString();
}

void TestDistanceCli::filesAndArguments() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, outputFile);
    QFETCH(QString, written);
    QTemporaryDir dir;
    for (QString& arg : args)
        arg.replace(QStringLiteral("%1"), dir.path());
    const ToolRun run = distance(args, QByteArray("A\t0\t0\nB\t0\t1\n"), {}, outputFile);
    QCOMPARE(run.exitCode, exitCode);
    if (out.endsWith(QLatin1String("...")))
        QVERIFY2(run.out.startsWith(out.chopped(3)), qPrintable(run.out));
    else
        QCOMPARE(run.out, out);
    QVERIFY2(run.err.contains(err), qPrintable(run.err));
    if (written.isEmpty()) {
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
        return;
    }
    const QString file = dir.filePath(QDir(dir.path()).entryList(QDir::Files).value(0));
    QByteArray bytes;
    if (file.endsWith(QLatin1String(".txt"))) {
        // Cells padded with spaces and ended by a tab, CR LF line ends.
        bytes = fileBytes(file);
        QVERIFY2(bytes.endsWith("\t\r\n") && bytes.count("\r\n") == 2, bytes.constData());
        bytes.replace("\t\r\n", "\n");
    } else {
        const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
        if (ssconvert.isEmpty())
            QSKIP("ssconvert (gnumeric) is not installed");
        const QString csv = dir.filePath(QStringLiteral("back.csv"));
        QProcess convert;
        convert.start(ssconvert, {file, csv});
        QVERIFY(convert.waitForFinished(60000));
        bytes = fileBytes(csv).replace('"', QByteArray());
    }
    QStringList rows;
    for (const QByteArray& line : bytes.split('\n'))
        if (!line.isEmpty())
            rows << QString::fromUtf8(line).trimmed();
    QCOMPARE(rows.join(QLatin1Char('|')), written);
}

QTEST_MAIN(TestDistanceCli)
#include "tst_distance_cli.moc"
