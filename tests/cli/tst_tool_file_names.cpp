// File names outside the system's local code page (on Windows the ANSI one) reach
// the tool's files whole: the trip file it reads, the database it searches, the
// files it writes, and the messages that name them.
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace amb::test;
using namespace Qt::Literals::StringLiterals;

class TestToolFileNames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void namesReachTheFiles_data();
    void namesReachTheFiles();

private:
    QTemporaryDir dir_;
};

namespace {
// Polish, Japanese and Greek: no one code page holds them all.
const QString kName = QStringLiteral("Łódź 東京 Ζάκυνθος");
const QByteArray kTrip("A\t0\t0\nB\t0\t1\n");
} // namespace

void TestToolFileNames::initTestCase() {
    QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI"));
    QVERIFY(dir_.isValid());
    importTripFixture(dir_.filePath(kName + QStringLiteral(".sqlite")));
    QFile trip(dir_.filePath(kName + QStringLiteral(".txt")));
    QVERIFY(trip.open(QIODevice::WriteOnly));
    QCOMPARE(trip.write(kTrip), kTrip.size());
}

void TestToolFileNames::namesReachTheFiles_data() {
    QTest::addColumn<QStringList>("args"); // N stands for the folder and the name
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");     // all of standard output
    QTest::addColumn<QString>("err");     // a part of standard error; empty: none at all
    QTest::addColumn<QString>("written"); // a file the run leaves in the folder
    QTest::addColumn<QByteArray>("holds"); // a part of that file's bytes
    const auto n = [](const char* suffix) { return QStringLiteral("N") + QLatin1String(suffix); };
    const QString sentence = u"Distance between A and B is 69.09 miles\n"_s;
    QTest::newRow("trip file read") << QStringList{u"distance"_s, n(".txt")} << QByteArray() << 0
                                    << sentence << QString() << QString() << QByteArray();
    QTest::newRow("database searched")
        << QStringList{u"search"_s, u"Pari"_s, u"--database"_s, n(".sqlite")} << QByteArray()
        << 0
        << u"Paris - Île-de-France, France\t48.85341\t2.3488\n"
           "Paris - Ontario, Canada\t43.2\t-80.38333\n"
           "Paris - Tennessee, United States\t36.302\t-88.32671\n"
           "Paris - Texas, United States\t33.66094\t-95.55551\n"_s
        << QString() << QString() << QByteArray();
    QTest::newRow("text file written")
        << QStringList{u"distance"_s, u"--text-file"_s, n(" out.txt")} << kTrip << 0 << sentence
        << QString() << kName + u" out.txt"_s
        << QByteArray("Distance between A and B is 69.09 miles");
    // A workbook is a zip: its parts' names are plain bytes in it.
    QTest::newRow("workbook written")
        << QStringList{u"distance"_s, u"--xlsx"_s, n(".xlsx")} << kTrip << 0 << sentence
        << QString() << kName + u".xlsx"_s << QByteArray("xl/worksheets/sheet1.xml");
    QTest::newRow("map written") << QStringList{u"distance"_s, u"--map"_s, n(".svg")} << kTrip
                                 << 0 << sentence << QString() << kName + u".svg"_s
                                 << QByteArray("Total: 69.09 miles");
    QTest::newRow("missing file named")
        << QStringList{u"distance"_s, n(" missing.txt")} << QByteArray() << 2 << QString()
        << kName + u" missing.txt"_s << QString() << QByteArray();
}

void TestToolFileNames::namesReachTheFiles() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, err);
    QFETCH(QString, written);
    QFETCH(QByteArray, holds);
    const QString prefix = dir_.filePath(kName);
    for (QString& arg : args)
        if (arg.startsWith(QLatin1Char('N')))
            arg = prefix + arg.mid(1);
    const QStringList before = QDir(dir_.path()).entryList(QDir::Files);
    const ToolRun run = runTool(args, {.input = input});
    QTEST(run.exitCode, "exitCode");
    // Standard output is in text mode on Windows: its lines end in CR LF there.
    QTEST(QString(run.out).remove(QLatin1Char('\r')), "out");
    if (err.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QStringList after = QDir(dir_.path()).entryList(QDir::Files);
    if (!written.isEmpty()) {
        QVERIFY2(after.removeOne(written), qPrintable(run.err));
        const QByteArray bytes = fileBytes(dir_.filePath(written));
        QVERIFY2(bytes.contains(holds), bytes.left(200).constData());
        QFile::remove(dir_.filePath(written));
    }
    QCOMPARE(after, before); // nothing else written
}

QTEST_GUILESS_MAIN(TestToolFileNames)
#include "tst_tool_file_names.moc"
