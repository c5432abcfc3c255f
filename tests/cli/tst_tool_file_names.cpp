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
    QTest::addColumn<QString>("written"); // a file the run leaves in the folder
    QTest::addColumn<QString>("shown");   // a part of the output or the messages
    const auto n = [](const char* suffix) { return QStringLiteral("N") + QLatin1String(suffix); };
    QTest::newRow("trip file read") << QStringList{u"distance"_s, n(".txt")} << QByteArray() << 0
                                    << QString() << u"Distance between A and B"_s;
    QTest::newRow("database searched")
        << QStringList{u"search"_s, u"Pari"_s, u"--database"_s, n(".sqlite")} << QByteArray()
        << 0 << QString() << u"Paris - "_s;
    QTest::newRow("text file written")
        << QStringList{u"distance"_s, u"--text-file"_s, n(" out.txt")} << kTrip << 0
        << kName + u" out.txt"_s << QString();
    QTest::newRow("workbook written")
        << QStringList{u"distance"_s, u"--xlsx"_s, n(".xlsx")} << kTrip << 0
        << kName + u".xlsx"_s << QString();
    QTest::newRow("map written") << QStringList{u"distance"_s, u"--map"_s, n(".svg")} << kTrip
                                 << 0 << kName + u".svg"_s << QString();
    QTest::newRow("missing file named")
        << QStringList{u"distance"_s, n(" missing.txt")} << QByteArray() << 2 << QString()
        << kName + u" missing.txt"_s;
}

void TestToolFileNames::namesReachTheFiles() {
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(QString, written);
    QFETCH(QString, shown);
    const QString prefix = dir_.filePath(kName);
    for (QString& arg : args)
        if (arg.startsWith(QLatin1Char('N')))
            arg = prefix + arg.mid(1);
    const ToolRun run = runTool(args, {.input = input});
    QTEST(run.exitCode, "exitCode");
    QVERIFY2(run.out.contains(shown) || run.err.contains(shown), qPrintable(run.out + run.err));
    if (!written.isEmpty())
        QVERIFY2(QFileInfo(dir_.filePath(written)).size() > 0, qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestToolFileNames)
#include "tst_tool_file_names.moc"
