// The command-line tool's import and search.
#include "lookup/city_database.h"
#include "lookup_fixture.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <clocale>
#include <sys/stat.h>
#include <unistd.h>

using namespace amb;
using namespace amb::test;

namespace {

// `wrapper` is a command that runs the tool (as another user, say).
ToolRun runCli(const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
               const QByteArray& input = {}, const QStringList& wrapper = {}) {
    return runTool(args, {.input = input, .environment = env, .wrapper = wrapper});
}

} // namespace

class TestCliLookup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void searchPrintsTheSearchListRows_data();
    void searchPrintsTheSearchListRows();
    void searchUsesTheUsersLocale();
    void searchBesideTheTool();
    void searchRowsMeasureInEveryLocale_data();
    void searchRowsMeasureInEveryLocale();
    void help_data();
    void help();
    void usageErrors_data();
    void usageErrors();
    void badDatabase_data();
    void badDatabase();
    void geonamesImport();
    void importBadRow();

private:
    QTemporaryDir dir_;
    QString database_;
};

void TestCliLookup::initTestCase() {
    QVERIFY(!qEnvironmentVariableIsEmpty("AMBREVALE_CLI"));
    database_ = dir_.filePath(QStringLiteral("fixture.sqlite"));
    amb::importGeoNames(fixtureSources(), database_);
}

void TestCliLookup::searchPrintsTheSearchListRows_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("fiore") << QStringLiteral("fiore");
    QTest::newRow("accents and capitals") << QStringLiteral("ZÜR");
    QTest::newRow("apostrophe") << QStringLiteral("Montefiore dell'");
    QTest::newRow("wildcard") << QStringLiteral("%o");
    QTest::newRow("no match") << QStringLiteral("qqqq");
}

// The tool prints what the search list shows, row for row, in the same order.
void TestCliLookup::searchPrintsTheSearchListRows() {
    QFETCH(QString, text);
    TestWindow w;
    w.load();
    QVERIFY(QFile::copy(database_, w.folder.filePath(kCityDatabaseFileName)));
    w.form->Text1->setText(text);
    w.form->PushButton7_Click();
    QString expected;
    const ListView& list = *w.form->ListView1;
    for (const QString& row : itemRows(list)) // no name in the fixture holds a '|'
        expected += QString(row).replace(QLatin1Char('|'), QLatin1Char('\t')) + QLatin1Char('\n');

    const ToolRun run =
        runCli({QStringLiteral("search"), text, QStringLiteral("--database"), database_});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out, expected);
    if (text == QLatin1String("fiore"))
        QCOMPARE(list.count(), 2);
}

void TestCliLookup::searchUsesTheUsersLocale() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("de_DE.UTF-8"));
    const ToolRun run = runCli({QStringLiteral("search"), QStringLiteral("fiorent"),
                                QStringLiteral("--database"), database_},
                               env);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Fiorentino - Fiorentino, San Marino\t43,91001\t12,45738\n"));
}

void TestCliLookup::searchBesideTheTool() {
    QTemporaryDir folder;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("AMBREVALE_PROGRAM_DIR"), folder.path());
    ToolRun run = runCli({QStringLiteral("search"), QStringLiteral("fiore")}, env);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(QStringLiteral("was not found")) &&
                 run.err.contains(QStringLiteral("scripts/build-database.sh")),
             qPrintable(run.err));

    QVERIFY(QFile::copy(database_, folder.filePath(kCityDatabaseFileName)));
    run = runCli({QStringLiteral("search"), QStringLiteral("fiore")}, env);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.count(QLatin1Char('\n')), 2);
}

void TestCliLookup::searchRowsMeasureInEveryLocale_data() {
    QTest::addColumn<QString>("locale");
    for (const char* name :
         {"C", "en_US", "de_DE", "fr_FR", "sv_SE", "he_IL", "ar_EG", "ar_SA", "fa_IR", "hi_IN"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Every row a search shows, fed to the distance run in the window and to the tool
// under the same locale, gives one sentence per pair, no report, and the miles in
// the locale's own writing. The fixture holds cities south and west of zero.
void TestCliLookup::searchRowsMeasureInEveryLocale() {
    QFETCH(QString, locale);
    const QString systemName = locale == QLatin1String("C") ? QStringLiteral("C.UTF-8")
                                                            : locale + QStringLiteral(".UTF-8");
    locale_t available = newlocale(LC_ALL_MASK, systemName.toLatin1().constData(), locale_t{});
    if (!available)
        QSKIP(qPrintable(QStringLiteral("the locale %1 is not installed (scripts/setup.sh "
                                        "generates it)")
                             .arg(systemName)));
    freelocale(available);

    const QLocale user(locale);
    const std::vector<CityRow> rows = findCityRows(database_, QStringLiteral("%"), user);
    QVERIFY(rows.size() > 100);
    QVERIFY(std::any_of(rows.begin(), rows.end(), [](const CityRow& r) {
        return r.longitude().contains(QChar(0x200E)) || r.longitude().contains(QChar(0x061C)) ||
               r.longitude().contains(QLatin1Char('-')) || r.longitude().contains(QChar(0x2212));
    }));

    // The window.
    QLocale::setDefault(user);
    TestWindow w;
    w.load();
    for (const CityRow& row : rows)
        addRow(*w.form->ListView3, row.text().toString(), row.latitude().toString(),
               row.longitude().toString());
    w.form->PushButton17_Click();
    QLocale::setDefault(QLocale::c());
    QCOMPARE(w.platform.reports(), QStringList());
    QCOMPARE(w.form->ListView2->count(), static_cast<int>(rows.size()) - 1);
    const QString windowLines = itemTexts(*w.form->ListView2).join(QLatin1Char('\n')) + u'\n';

    // The tool, fed what its own search prints.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), systemName);
    const ToolRun search = runCli(
        {QStringLiteral("search"), QStringLiteral("%"), QStringLiteral("--database"), database_},
        env);
    QCOMPARE(search.exitCode, 0);
    QCOMPARE(search.out.count(QLatin1Char('\n')), static_cast<qsizetype>(rows.size()));
    const ToolRun distance = runCli({QStringLiteral("distance")}, env, search.out.toUtf8());
    QCOMPARE(distance.err, QString());
    QCOMPARE(distance.exitCode, 0);
    QCOMPARE(distance.out, windowLines);

    // The miles as Qt's own locale data writes them, not through the program's converter.
    QLocale qt(user);
    qt.setNumberOptions(QLocale::OmitGroupSeparator);
    const QRegularExpression miles(QStringLiteral(" is (.+) miles$"));
    for (const QString& line : windowLines.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString text = miles.match(line).captured(1);
        bool ok = false;
        const double value = qt.toDouble(text, &ok);
        QVERIFY2(ok && qt.toString(value, 'g', 15) == text, qPrintable(line));
    }
}

void TestCliLookup::help_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("import") << QStringLiteral("import");
    QTest::newRow("search") << QStringLiteral("search");
}

void TestCliLookup::help() {
    QFETCH(QString, command);
    const ToolRun run = runCli({command, QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("Usage: ambrevale-cli ") + command));
    QCOMPARE(run.err, QString());
}

void TestCliLookup::usageErrors_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("search without text")
        << QStringList{QStringLiteral("search")} << QStringLiteral("missing");
    QTest::newRow("search with spaces only")
        << QStringList{QStringLiteral("search"), QStringLiteral("  ")} << QStringLiteral("empty");
    QTest::newRow("search unknown option")
        << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--db")}
        << QStringLiteral("unknown option");
    QTest::newRow("import without output")
        << QStringList{QStringLiteral("import"), QStringLiteral("--csv"), QStringLiteral("a.csv")}
        << QStringLiteral("output file is missing");
    QTest::newRow("import with both kinds")
        << QStringList{QStringLiteral("import"), QStringLiteral("--csv"),
                       QStringLiteral("a.csv"),  QStringLiteral("--geonames"),
                       QStringLiteral("b.txt"),  QStringLiteral("out")}
        << QStringLiteral("either --csv");
    // Empty file names are usage errors, not files to look for.
    QTest::newRow("search with an empty database name")
        << QStringList{QStringLiteral("search"), QStringLiteral("x"), QStringLiteral("--database=")}
        << QStringLiteral("--database needs a file name");
    QTest::newRow("import with an empty CSV name")
        << QStringList{QStringLiteral("import"), QStringLiteral("--csv"), QString(),
                       QStringLiteral("out")}
        << QStringLiteral("--csv needs a file name");
    QTest::newRow("import with an empty output name")
        << QStringList{QStringLiteral("import"), QStringLiteral("--csv=a.csv"), QString()}
        << QStringLiteral("output file name is empty");
}

void TestCliLookup::usageErrors() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const ToolRun run = runCli(args);
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
}

void TestCliLookup::badDatabase_data() {
    // What lies at the database's path, and what the message must say about it.
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("message");
    const QString fiore = QStringLiteral("fiore");
    QTest::newRow("named pipe") << QStringLiteral("fifo") << fiore
                                << QStringLiteral("is a named pipe, not a database file");
    QTest::newRow("folder") << QStringLiteral("folder") << fiore
                            << QStringLiteral("is a folder, not a database file");
    QTest::newRow("device") << QStringLiteral("/dev/null") << fiore
                            << QStringLiteral("is a device, not a database file");
    QTest::newRow("unreadable folder")
        << QStringLiteral("locked") << fiore << QStringLiteral("Permission denied");
    QTest::newRow("wildcard text over the pattern limit")
        << QStringLiteral("good") << QStringLiteral("%") + QString(60000, QLatin1Char('a'))
        << QStringLiteral("The search text is too long");
}

void TestCliLookup::badDatabase() {
    QFETCH(QString, kind);
    QFETCH(QString, search);
    QFETCH(QString, message);
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("db.sqlite"));
    QStringList command;
    if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("db.sqlite")));
    } else if (kind.startsWith(QLatin1Char('/'))) {
        path = kind;
    } else if (kind == QLatin1String("good")) {
        QVERIFY(QFile::copy(database_, path));
    } else { // a database in a folder this user may not enter
        QVERIFY(QFile::copy(database_, path));
        QFile::setPermissions(folder.path(), QFileDevice::WriteOwner);
        if (::geteuid() == 0) { // folder permissions bind only an unprivileged user
            const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
            if (setpriv.isEmpty())
                QSKIP("run as root without setpriv");
            command = {setpriv, QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                       QStringLiteral("--clear-groups")};
        }
    }
    const ToolRun run =
        runCli({QStringLiteral("search"), search, QStringLiteral("--database"), path},
               QProcessEnvironment::systemEnvironment(), {}, command);
    QFile::setPermissions(folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(run.exitCode, 1); // within the timeout: a pipe does not hang the search
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY2(kind == QLatin1String("good") || run.err.contains(QDir::toNativeSeparators(path)),
             qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1); // the cause, once
    QVERIFY(!run.err.contains(QLatin1String("build-database")));
}

void TestCliLookup::geonamesImport() {
    QTemporaryDir folder;
    const QString output = folder.filePath(QStringLiteral("out.sqlite"));
    const GeoNamesSources s = fixtureSources();
    const ToolRun run = runCli({QStringLiteral("import"), QStringLiteral("--geonames"), s.cities,
                                QStringLiteral("--admin1"), s.admin1, QStringLiteral("--countries"),
                                s.countries, output});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith(QStringLiteral("Imported 288 cities into ")), qPrintable(run.out));
    QVERIFY(QFileInfo::exists(output));
}

void TestCliLookup::importBadRow() {
    QTemporaryDir folder;
    const QString input = folder.filePath(QStringLiteral("mine.csv"));
    writeFile(input, "city,AccentCity,Region,Latitude,Longitude\n,A,R,1,2\n,B,R,north,2\n");
    const QString output = folder.filePath(QStringLiteral("out.sqlite"));
    const ToolRun run = runCli({QStringLiteral("import"), QStringLiteral("--csv"), input, output});
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(input + QStringLiteral(":3: the latitude \"north\"")),
             qPrintable(run.err));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("mine.csv")});
}

QTEST_MAIN(TestCliLookup)
#include "tst_cli_lookup.moc"
