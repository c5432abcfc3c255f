// The tool's front answers the common search itself, without Qt, and hands every
// other one to the lookup tool. Either way the user sees what the whole tool prints:
// the same bytes, messages and exit status.
#include "lookup_fixture.h"

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

using namespace amb;
using namespace amb::test;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
        const QString& outputFile) {
    QProcess process;
    process.setProcessEnvironment(env);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, args);
    process.closeWriteChannel();
    Run result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

} // namespace

class TestQuickSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void frontAnswersAsTheWholeTool_data();
    void frontAnswersAsTheWholeTool();

private:
    QTemporaryDir dir_;
    QString front_, whole_, loneFront_;
};

// Each database lies in a folder of its name as dbCities.sqlite, all imported from
// the fixture and then changed.
void TestQuickSearch::initTestCase() {
    front_ = qEnvironmentVariable("AMBREVALE_CLI");
    QVERIFY(!front_.isEmpty());
    whole_ = QFileInfo(front_).dir().filePath(QStringLiteral("ambrevale-cli-whole"));
    QVERIFY(QFileInfo(whole_).isExecutable());
    // A copy of the front with no tool beside it fails where it would hand over.
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("lone")));
    loneFront_ = dir_.filePath(QStringLiteral("lone/ambrevale-cli"));
    QVERIFY(QFile::copy(front_, loneFront_));

    const QString imported = dir_.filePath(QStringLiteral("imported.sqlite"));
    importGeoNames(fixtureSources(), imported);
    const QList<std::pair<QString, QStringList>> variants = {
        {QStringLiteral("imported"), {}},
        {QStringLiteral("older"), {QStringLiteral("DROP TABLE city_order")}},
        {QStringLiteral("other order"),
         {QStringLiteral("UPDATE city_order SET collation = 'sv_SE' || substr(collation, 6)")}},
        {QStringLiteral("text coordinate"),
         {QStringLiteral("UPDATE cities SET Latitude = 'north' WHERE city = 'fiorentino'")}},
        {QStringLiteral("odd values"),
         {QStringLiteral("UPDATE cities SET Latitude = 0.00001, Longitude = -1.5e-7 "
                         "WHERE city = 'zwolen'"),
          QStringLiteral("UPDATE cities SET Region = NULL WHERE city = 'zvecan'"),
          QStringLiteral("UPDATE cities SET AccentCity = CAST(X'5A7562FF' AS TEXT) "
                         "WHERE city = 'zubin potok'"),
          QStringLiteral("UPDATE cities SET AccentCity = CAST(X'EFBBBF5A7572' AS TEXT) "
                         "WHERE city = 'zurmat'")}},
    };
    for (const auto& [name, statements] : variants) {
        QVERIFY(QDir(dir_.path()).mkpath(name));
        const QString path = dir_.filePath(name + QStringLiteral("/dbCities.sqlite"));
        QVERIFY(QFile::copy(imported, path));
        execOn(path, statements);
    }
}

void TestQuickSearch::frontAnswersAsTheWholeTool_data() {
    QTest::addColumn<QString>("database"); // DB and FOLDER in the arguments and settings
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("environment"); // besides no locale settings at all
    QTest::addColumn<QString>("outputFile");
    QTest::addColumn<bool>("quick"); // answered without the whole tool

    const QString imported = QStringLiteral("imported");
    const QStringList c = {QStringLiteral("LC_ALL=C.UTF-8")};
    const auto search = [](const char* text, const char* database = "DB") {
        return QStringList{QStringLiteral("search"), QString::fromUtf8(text),
                           QStringLiteral("--database"), QString::fromUtf8(database)};
    };
    const auto row = [&](const char* name, const QString& database, const QStringList& args,
                         const QStringList& environment, bool quick) {
        QTest::newRow(name) << database << args << environment << QString() << quick;
    };
    row("prefix", imported, search("fiore"), c, true);
    row("capitals", imported, search("FIORE"), c, true);
    row("percent", imported, search("%o"), c, true);
    row("underscore", imported, search("z_"), c, true);
    row("every city", imported, search("%"), c, true);
    row("no match", imported, search("qqqq"), c, true);
    row("database joined to the option", imported,
        {QStringLiteral("search"), QStringLiteral("--database=DB"), QStringLiteral("sang")}, c,
        true);
    row("database beside the program", imported, {QStringLiteral("search"), QStringLiteral("sa")},
        c + QStringList{QStringLiteral("AMBREVALE_PROGRAM_DIR=FOLDER")}, true);
    row("no locale set", imported, search("z"), {}, true);
    row("en_US from LANG", imported, search("z"), {QStringLiteral("LANG=en_US.UTF-8")}, true);
    row("exponents", QStringLiteral("odd values"), search("zw"), c, true);
    row("no region", QStringLiteral("odd values"), search("zv"), c, true);

    row("accented text", imported, search("zür"), c, false);
    row("grave accent", imported, search("ka`i"), c, false);
    row("German numbers", imported, search("fiore"), {QStringLiteral("LC_ALL=de_DE.UTF-8")},
        false);
    row("French numbers only", imported, search("fiore"),
        {QStringLiteral("LANG=C.UTF-8"), QStringLiteral("LC_NUMERIC=fr_FR.UTF-8")}, false);
    row("Swedish collation only", imported, search("z"),
        {QStringLiteral("LANG=en_US.UTF-8"), QStringLiteral("LC_COLLATE=sv_SE.UTF-8")}, false);
    row("languages listed", imported, search("zw"),
        {QStringLiteral("LANG=en_US.UTF-8"), QStringLiteral("LANGUAGE=sv")}, false);
    row("older database", QStringLiteral("older"), search("fiore"), c, false);
    row("another collation stored", QStringLiteral("other order"), search("fiore"), c, false);
    row("coordinate not a number", QStringLiteral("text coordinate"), search("fiore"), c, false);
    row("name not UTF-8", QStringLiteral("odd values"), search("zub"), c, false);
    row("name with a byte order mark", QStringLiteral("odd values"), search("zur"), c, false);
    row("csv", imported, search("fiore") + QStringList{QStringLiteral("--format"),
                                                       QStringLiteral("csv")},
        c, false);
    row("help", imported, {QStringLiteral("search"), QStringLiteral("--help")}, c, false);
    row("blank text", imported, search("  "), c, false);
    row("missing database", imported, search("fiore", "DB.missing"), c,
        false);
    row("folder for a database", imported, search("fiore", "FOLDER"),
        c, false);
    // A word that looks like an option is the value of the --database before it, and
    // the last database named counts (found by the quick search's fuzzer).
    row("database named twice", imported,
        {QStringLiteral("search"), QStringLiteral("--database"), QStringLiteral("i3--database"),
         QStringLiteral("sang"), QStringLiteral("--database=DB")},
        c, true);
    QTest::newRow("full disk") << imported << search("fiore") << c
                               << QStringLiteral("/dev/full") << true;
}

void TestQuickSearch::frontAnswersAsTheWholeTool() {
    QFETCH(QString, database);
    QFETCH(QStringList, args);
    QFETCH(QStringList, environment);
    QFETCH(QString, outputFile);
    QFETCH(bool, quick);
    const QString folder = dir_.filePath(database);
    const auto place = [&](QString text) {
        return text.replace(QLatin1String("DB"), folder + QStringLiteral("/dbCities.sqlite"))
            .replace(QLatin1String("FOLDER"), folder);
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LC_ALL", "LANG", "LANGUAGE", "LC_NUMERIC", "LC_COLLATE",
                             "LC_MESSAGES", "AMBREVALE_PROGRAM_DIR"})
        env.remove(QString::fromLatin1(name));
    for (const QString& setting : environment)
        env.insert(setting.section(QLatin1Char('='), 0, 0),
                   place(setting.section(QLatin1Char('='), 1)));
    for (QString& arg : args)
        arg = place(arg);

    const Run expected = run(whole_, args, env, outputFile);
    QVERIFY2(expected.exitCode >= 0, "the whole tool did not finish");
    const Run front = run(front_, args, env, outputFile);
    QCOMPARE(front.exitCode, expected.exitCode);
    QCOMPARE(front.err, expected.err);
    QCOMPARE(front.out, expected.out);

    const Run lone = run(loneFront_, args, env, outputFile);
    if (quick) {
        QCOMPARE(lone.exitCode, expected.exitCode);
        QCOMPARE(lone.err, expected.err);
        QCOMPARE(lone.out, expected.out);
    } else {
        QCOMPARE(lone.exitCode, 2);
        QVERIFY2(lone.err.contains("cannot start"), lone.err.constData());
    }
}

QTEST_GUILESS_MAIN(TestQuickSearch)
#include "tst_quick_search.moc"
