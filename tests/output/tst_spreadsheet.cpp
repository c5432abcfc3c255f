#include "app/main_module.h"
#include "app/runtime_error.h"
#include "output/cli_exports.h"
#include "output/spreadsheet_app.h"
#include "output/spreadsheet_export.h"
#include "output/xlsx_workbook.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <optional>

using namespace amb;
using namespace amb::test;

namespace {

// A program that ends at once, whatever it is given: the spreadsheet program of the
// tests that look only at the workbook.
#ifdef Q_OS_WIN
const QByteArray kQuietProgram = "C:/windows/system32/hostname.exe";
#else
const QByteArray kQuietProgram = "/bin/true";
#endif

// "row,column:text" for every cell, in sheet order.
QStringList cellList(const RecordedSheet& sheet) {
    QStringList cells;
    for (auto it = sheet.cells.cbegin(); it != sheet.cells.cend(); ++it)
        cells
            << QStringLiteral("%1,%2:%3").arg(it.key().first).arg(it.key().second).arg(it.value());
    return cells;
}

// The cells of a workbook as a real spreadsheet program reads them, one CSV line per row.
[[maybe_unused]] QString readBack(const QString& xlsx) {
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (ssconvert.isEmpty())
        return QStringLiteral("<no ssconvert>");
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("out.csv"));
    QProcess convert;
    convert.start(ssconvert, {xlsx, csv});
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0)
        return QStringLiteral("<ssconvert failed: %1>")
            .arg(QString::fromUtf8(convert.readAllStandardError()));
    return QString::fromUtf8(fileBytes(csv));
}

#ifndef Q_OS_WIN
// A spreadsheet program that notes its arguments and keeps a copy of the workbook.
QString recordingProgram(const QTemporaryDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    writeFile(path,
              "#!/bin/sh\n"
              "out=$(dirname \"$0\")\n"
              "for last; do :; done\n"
              "cp \"$last\" \"$out/book.xlsx\"\n"
              "stat -c %a \"$last\" > \"$out/mode\"\n"
              "printf '%s\\n' \"$@\" > \"$out/args.tmp\" && mv \"$out/args.tmp\" \"$out/args\"\n");
    QFile::setPermissions(path,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}
#endif

// Points the temporary folder at `folder` until the end of the scope, also when a
// check fails on the way, so that later tests do not write into a removed folder.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const QString& folder) {
        for (const char* name : kNames) {
            saved_.push_back({qEnvironmentVariableIsSet(name), qgetenv(name)});
            qputenv(name, QDir::toNativeSeparators(folder).toUtf8());
        }
    }
    ~TemporaryFolder() {
        for (size_t i = 0; i < std::size(kNames); ++i) {
            if (saved_[i].first)
                qputenv(kNames[i], saved_[i].second);
            else
                qunsetenv(kNames[i]);
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    // Where each system looks for its temporary folder.
#ifdef Q_OS_WIN
    static constexpr const char* kNames[] = {"TMP", "TEMP"};
#else
    static constexpr const char* kNames[] = {"TMPDIR"};
#endif
    std::vector<std::pair<bool, QByteArray>> saved_;
};

#ifdef Q_OS_WIN
// The real spreadsheet program behind the export, with boxes and pointers recorded.
class DesktopSheetPlatform : public FakePlatform {
public:
    std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() override {
        return createDesktopSpreadsheetApp();
    }
};
#endif

} // namespace

class TestSpreadsheet : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { qunsetenv("AMBREVALE_SPREADSHEET"); }
    void rows_data();
    void rows();
    void notInstalled();
    void emptyList();
    void workbookLimits();
#ifndef Q_OS_WIN
    void opensInSpreadsheetProgram_data();
    void opensInSpreadsheetProgram();
#endif
    void oldWorkbookFolders_data();
    void oldWorkbookFolders();
#ifndef Q_OS_WIN
    void programNamedInSettings();
#endif
    void programMissing();
    void commandLineWorkbook();
#ifndef Q_OS_WIN
    void failedWorkbookNamesTheUsersFile();
#else
    void exportsToTheRegisteredProgram();
#endif
};

void TestSpreadsheet::rows_data() {
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("items"); // "+a|b" checked, "-a|b" not
    QTest::addColumn<QStringList>("cells");
    const QStringList results{QStringLiteral("Results")};
    QTest::newRow("all checked") << results
                                 << QStringList{QStringLiteral("+A"), QStringLiteral("+B")}
                                 << QStringList{QStringLiteral("1,1:Results"),
                                                QStringLiteral("2,1:A"), QStringLiteral("3,1:B")};
    QTest::newRow("none checked") << results
                                  << QStringList{QStringLiteral("-A"), QStringLiteral("-B")}
                                  << QStringList{QStringLiteral("1,1:Results")};
    QTest::newRow("lines 1 and 3 checked")
        << results << QStringList{QStringLiteral("+A"), QStringLiteral("-B"), QStringLiteral("+C")}
        << QStringList{QStringLiteral("1,1:Results"), QStringLiteral("2,1:A"),
                       QStringLiteral("4,1:C")};
    QTest::newRow("gap in the first item moves the headers")
        << QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}
        << QStringList{QStringLiteral("+a||c"), QStringLiteral("+x|y|z")}
        << QStringList{QStringLiteral("1,1:A"), QStringLiteral("1,2:C"), QStringLiteral("2,1:a"),
                       QStringLiteral("2,2:c"), QStringLiteral("3,1:x"), QStringLiteral("3,2:y"),
                       QStringLiteral("3,3:z")};
    QTest::newRow("= removed from sub-items only")
        << QStringList{QStringLiteral("A="), QStringLiteral("B")}
        << QStringList{QStringLiteral("+=x=|a=b"), QStringLiteral("+y|==")}
        << QStringList{QStringLiteral("1,1:A="), QStringLiteral("1,2:B"), QStringLiteral("2,1:=x="),
                       QStringLiteral("2,2:ab"), QStringLiteral("3,1:y"), QStringLiteral("3,2:")};
}

void TestSpreadsheet::rows() {
    QFETCH(QStringList, headers);
    QFETCH(QStringList, items);
    QFETCH(QStringList, cells);
    TestWindow w;
    fillList(*w.form->ListView2, headers, items);
    int pointerWhileWriting = -1;
    w.platform.onDoEvents = [&](int) { pointerWhileWriting = w.platform.pointer; };
    w.form->PushButton13_Click();
    QCOMPARE(w.platform.boxTexts(), QStringList());
    QCOMPARE(w.platform.spreadsheetsCreated, 2); // the test, then the export
    const RecordedSheet& sheet = *w.platform.sheets.back();
    QCOMPARE(cellList(sheet), cells);
    QCOMPARE(sheet.calls.constFirst(), QStringLiteral("addWorkbook"));
    QCOMPARE(sheet.calls.mid(sheet.calls.size() - 2),
             (QStringList{QStringLiteral("autofit"), QStringLiteral("visible")}));
    QCOMPARE(pointerWhileWriting, pointer::Hourglass);
    QCOMPARE(w.platform.pointerHistory, (std::vector<int>{pointer::Hourglass, pointer::Default}));
}

void TestSpreadsheet::notInstalled() {
    TestWindow w;
    w.load();
    w.form->ListView2->setChecked(w.form->ListView2->add(QStringLiteral("line")), true);
    w.platform.spreadsheetInstalled = false;
    w.form->PushButton13_Click();
    QCOMPARE(
        w.platform.boxTexts(),
        (QStringList{QStringLiteral("Excel is not installed on this computer. You need to have it "
                                    "installed to use this software without error."),
                     QStringLiteral("Excel is not installed on this computer. You need to have it "
                                    "installed to use this feature.")}));
    for (const ShownBox& box : w.platform.boxes) {
        QCOMPARE(box.title, applicationTitle());
        QCOMPARE(box.style, mb::OkOnly);
    }
    QVERIFY(w.platform.pointerHistory.empty());
    QVERIFY(w.platform.sheets.empty());
    QCOMPARE(w.platform.doEventsCalls, 0);
}

void TestSpreadsheet::emptyList() {
    TestWindow w;
    w.load();
    w.form->PushButton13_Click();
    QCOMPARE(w.platform.boxTexts(), QStringList());
    QCOMPARE(w.platform.spreadsheetsCreated, 1); // only the test
    QVERIFY(w.platform.pointerHistory.empty());
}

void TestSpreadsheet::workbookLimits() {
    XlsxWorkbook book;
    QVERIFY_THROWS_EXCEPTION(RunTimeError, book.setCell(0, 1, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(RunTimeError,
                             book.setCell(XlsxWorkbook::kMaxRows + 1, 1, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(RunTimeError,
                             book.setCell(1, XlsxWorkbook::kMaxColumns + 1, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(
        RunTimeError,
        book.setCell(1, 1, QString(XlsxWorkbook::kMaxTextLength + 1, QLatin1Char('x'))));
    book.setCell(1, 1, QStringLiteral("Results"));
    book.setCell(2, 1, QStringLiteral("Distance between A and B is 3 miles"));
    book.setCell(1, 3, QString(1000, QLatin1Char('w')));
    book.fitColumns();
    QCOMPARE(book.columnWidth(1), 36.0);
    QCOMPARE(book.columnWidth(2), 0.0);
    QCOMPARE(book.columnWidth(3), XlsxWorkbook::kMaxColumnWidth);
    // A call without a workbook fails, as it would in the spreadsheet program.
    qputenv("AMBREVALE_SPREADSHEET", kQuietProgram);
    std::unique_ptr<SpreadsheetApp> app = createDesktopSpreadsheetApp();
    QVERIFY_THROWS_EXCEPTION(RunTimeError, app->setCell(1, 1, QStringLiteral("x")));
    // Nothing to show: no workbook is written.
    QTemporaryDir temp;
    {
        const TemporaryFolder inTemp(temp.path());
        app->setVisible(true);
    }
    QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

#ifndef Q_OS_WIN
void TestSpreadsheet::opensInSpreadsheetProgram_data() {
    QTest::addColumn<QString>("programName");
    QTest::addColumn<bool>("asTemplate");
    QTest::newRow("any program gets the file") << QStringLiteral("record") << false;
    QTest::newRow("LibreOffice opens it untitled") << QStringLiteral("soffice") << true;
}

void TestSpreadsheet::opensInSpreadsheetProgram() {
    QFETCH(QString, programName);
    QFETCH(bool, asTemplate);
    QTemporaryDir dir;
    qputenv("AMBREVALE_SPREADSHEET", recordingProgram(dir, programName).toUtf8());
    QTemporaryDir temp;
    std::optional<TemporaryFolder> inTemp(std::in_place, temp.path());
    std::unique_ptr<SpreadsheetApp> app = createDesktopSpreadsheetApp();
    app->addWorkbook();
    app->setCell(1, 1, QStringLiteral("Results"));
    app->setCell(2, 1, QStringLiteral("=1+2")); // text, not a formula
    app->setCell(3, 1, QString::fromUtf8("Zürich \"quoted\""));
    app->setCell(3, 2, QStringLiteral("0042")); // text, not a number
    app->autofitColumns();
    app->setVisible(true);
    app.reset(); // the program keeps the workbook after we let go

    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("args"))), 20000);
    const QStringList args = QString::fromUtf8(fileBytes(dir.filePath(QStringLiteral("args"))))
                                 .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(args.size(), asTemplate ? 2 : 1);
    if (asTemplate)
        QCOMPARE(args.constFirst(), QStringLiteral("-n"));
    inTemp.reset();
    // A plain name in a folder of its own, so the program shows "Results.xlsx".
    const QFileInfo book(args.constLast());
    QCOMPARE(book.fileName(), QStringLiteral("Results.xlsx"));
    QVERIFY(book.dir().dirName().startsWith(kWorkbookFolderPrefix));
    QCOMPARE(book.dir().absolutePath(), QDir(temp.path()).filePath(book.dir().dirName()));
    // Read-only when handed over, so saving it asks for a place of the user's own.
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("mode"))).trimmed(), QByteArray("444"));

    const QString cells = readBack(dir.filePath(QStringLiteral("book.xlsx")));
    if (cells == QLatin1String("<no ssconvert>"))
        QSKIP("ssconvert (gnumeric) is not installed");
    QCOMPARE(cells, QString::fromUtf8("Results,\n=1+2,\n\"Zürich \"\"quoted\"\"\",0042\n"));
}
#endif

void TestSpreadsheet::oldWorkbookFolders_data() {
    // What became of an export's folder; hours until the next export cleans up.
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("hoursLater");
    QTest::addColumn<bool>("removed");
    QTest::newRow("untouched after a day goes") << QString() << 25 << true;
    QTest::newRow("untouched within a day stays") << QString() << 23 << false;
    QTest::newRow("workbook saved over stays") << QStringLiteral("saved") << 25 << false;
    QTest::newRow("saved over at the same size stays") << QStringLiteral("touched") << 25 << false;
    QTest::newRow("another file beside it stays") << QStringLiteral("other") << 25 << false;
}

void TestSpreadsheet::oldWorkbookFolders() {
    QFETCH(QString, change);
    QFETCH(int, hoursLater);
    QFETCH(bool, removed);
    QTemporaryDir temp;
    qputenv("AMBREVALE_SPREADSHEET", kQuietProgram);
    {
        const TemporaryFolder inTemp(temp.path());
        std::unique_ptr<SpreadsheetApp> app = createDesktopSpreadsheetApp();
        app->addWorkbook();
        app->setCell(1, 1, QStringLiteral("Results"));
        app->setVisible(true);
    }
    const QStringList folders = QDir(temp.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    const QDir folder(temp.filePath(folders.constFirst()));
    const QString book = folder.filePath(QStringLiteral("Results.xlsx"));
    QFile::setPermissions(book, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile file(change == QLatin1String("other") ? folder.filePath(QStringLiteral("notes.txt"))
                                                : book);
    if (!change.isEmpty())
        QVERIFY(file.open(QIODevice::Append));
    if (change == QLatin1String("saved"))
        file.write("saved by the user");
    if (change == QLatin1String("touched"))
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
    file.close();
    removeOldWorkbookFolders(temp.path(),
                             QDateTime::currentDateTime().addSecs(qint64(hoursLater) * 3600));
    QCOMPARE(!folder.exists(), removed);
    QCOMPARE(QFileInfo::exists(book), !removed);
}

#ifndef Q_OS_WIN
void TestSpreadsheet::programNamedInSettings() {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    const QString program = recordingProgram(dir, QStringLiteral("calc"));
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("Tormalyn"));
        settings.setValue(QStringLiteral("Ambrevale/SpreadsheetProgram"),
                          program + QStringLiteral(" --new-window"));
    }
    const SpreadsheetProgram found = findSpreadsheetProgram();
    QCOMPARE(found.program, program);
    QCOMPARE(found.arguments, QStringList{QStringLiteral("--new-window")});
    // The environment comes first.
    qputenv("AMBREVALE_SPREADSHEET", kQuietProgram);
    QCOMPARE(findSpreadsheetProgram().program, QStringLiteral("/bin/true"));
}
#endif

void TestSpreadsheet::programMissing() {
    qputenv("AMBREVALE_SPREADSHEET", "/nonexistent/calc");
    QVERIFY_THROWS_EXCEPTION(RunTimeError, createDesktopSpreadsheetApp());
}

void TestSpreadsheet::commandLineWorkbook() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.xlsx"));
    writeFile(path, "earlier");
    writeXlsxExportFile(
        {QStringLiteral("Distance between A and B is 3 miles"), QStringLiteral("=SUM(1)")}, path);
#ifndef Q_OS_WIN // no spreadsheet program to read it back with
    const QString cells = readBack(path);
    if (cells == QLatin1String("<no ssconvert>"))
        QSKIP("ssconvert (gnumeric) is not installed");
    QCOMPARE(cells, QStringLiteral("Results\n\"Distance between A and B is 3 miles\"\n=SUM(1)\n"));
#else
    QVERIFY(fileBytes(path).startsWith("PK")); // a workbook replaced the earlier file
#endif
    QVERIFY_THROWS_EXCEPTION(RunTimeError,
                             writeXlsxExportFile({QStringLiteral("x")},
                                                 QStringLiteral("/nonexistent-ambrevale/r.xlsx")));
}

#ifndef Q_OS_WIN
void TestSpreadsheet::failedWorkbookNamesTheUsersFile() {
    // The file-size limit makes the disk "full" at 1 KB for this process only.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mine.xlsx"));
    QString description;
    {
        const FileSizeLimit limit(1024);
        try {
            writeXlsxExportFile({QStringLiteral("Distance between A and B is 3 miles")}, path);
        } catch (const RunTimeError& e) {
            description = e.description();
        }
    }
    QVERIFY2(description.startsWith(QStringLiteral("The workbook ") + path),
             qPrintable(description));
    QVERIFY2(!description.contains(QLatin1String("..")), qPrintable(description));
    QVERIFY(!QFileInfo::exists(path));
}
#else
// On Windows the export asks the system whether a program opens .xlsx files. In a
// prefix without one: the two messages, no hourglass, no workbook. With the
// stand-in registered (AMBREVALE_TEST_XLSX_HANDLER names its folder), it gets the
// workbook as a new document; the test's runner reads its cells back.
void TestSpreadsheet::exportsToTheRegisteredProgram() {
    const QString handler = qEnvironmentVariable("AMBREVALE_TEST_XLSX_HANDLER");
    DesktopSheetPlatform platform;
    Form1 form(platform);
    form.Form_Load();
    platform.boxes.clear(); // the test's program folder has no database
    ListView& list = *form.ListView2;
    list.setChecked(list.add(QStringLiteral("Distance between A and B is 3 miles")), true);
    list.add(QStringLiteral("Unchecked - line"));
    list.setChecked(list.add(QString::fromUtf8("Zürich = 42")), true);
    QTemporaryDir temp;
    const TemporaryFolder inTemp(temp.path());
    form.PushButton13_Click();
    if (handler.isEmpty()) {
        QCOMPARE(
            platform.boxTexts(),
            (QStringList{QStringLiteral("Excel is not installed on this computer. You need to have "
                                        "it installed to use this software without error."),
                         QStringLiteral("Excel is not installed on this computer. You need to have "
                                        "it installed to use this feature.")}));
        QVERIFY(platform.pointerHistory.empty());
        QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        return;
    }
    QVERIFY2(platform.boxTexts().isEmpty(), qPrintable(platform.boxTexts().join(u'\n')));
    const QString note = QDir(handler).filePath(QStringLiteral("received.txt"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(note), 30000);
    const QStringList received =
        QString::fromUtf8(fileBytes(note)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(received.size(), 2);
    QCOMPARE(received.at(0), QStringLiteral("new")); // untitled, where the program can
    QCOMPARE(QFileInfo(received.at(1)).fileName(), QStringLiteral("Results.xlsx"));
    QCOMPARE(fileBytes(QDir(handler).filePath(QStringLiteral("received.xlsx"))),
             fileBytes(received.at(1)));
}
#endif

QTEST_MAIN(TestSpreadsheet)
#include "tst_spreadsheet.moc"
