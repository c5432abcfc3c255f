#include "output/spreadsheet_app.h"

#include "app/runtime_error.h"
#include "app/settings_store.h"
#include "output/windows_shell.h"
#include "output/xlsx_workbook.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <optional>

namespace amb {

namespace {

// LibreOffice opens a file given with -n as a template: a new document that asks
// for a name when saved, so the exported workbook stays untitled.
SpreadsheetProgram programCall(const QString& executable, QStringList arguments) {
    const QString base = QFileInfo(executable).fileName().toLower();
    if (base.startsWith(QLatin1String("soffice")) || base.startsWith(QLatin1String("libreoffice")))
        arguments << QStringLiteral("-n");
    return {executable, arguments};
}

QString executablePath(const QString& name) {
    if (name.contains(QLatin1Char('/')) || name.contains(QDir::separator())) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(name);
}

std::optional<SpreadsheetProgram> configuredProgram() {
    QString command = qEnvironmentVariable("AMBREVALE_SPREADSHEET");
    QString origin = QStringLiteral("the environment variable AMBREVALE_SPREADSHEET");
    if (command.trimmed().isEmpty()) {
        command = openSettingsStore(QStringLiteral("Tormalyn"))
                      ->value(QStringLiteral("Ambrevale/SpreadsheetProgram"))
                      .toString();
        origin = QStringLiteral("the setting SpreadsheetProgram");
    }
    if (command.trimmed().isEmpty())
        return std::nullopt;
    QStringList parts = QProcess::splitCommand(command);
    const QString executable = parts.isEmpty() ? QString() : executablePath(parts.takeFirst());
    if (executable.isEmpty())
        throw RunTimeError(err::CannotCreateObject,
                           QStringLiteral("The spreadsheet program \"%1\" named by %2 cannot be "
                                          "found. Correct the name or remove it.")
                               .arg(command, origin));
    return programCall(executable, parts);
}

bool desktopHasDefaultForXlsx() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    QProcess query;
    query.setStandardInputFile(QProcess::nullDevice());
    query.start(
        xdgMime,
        {QStringLiteral("query"), QStringLiteral("default"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (!query.waitForFinished(5000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitCode() == 0 && !query.readAllStandardOutput().trimmed().isEmpty();
#elif defined(Q_OS_WIN)
    return hasProgramForFileType(QStringLiteral(".xlsx"));
#else
    return true; // the system's file associations decide
#endif
}

const QString kWorkbookFileName = QStringLiteral("Results.xlsx");
// Beside the workbook: its size and modification time as written.
const QString kWorkbookNoteName = QStringLiteral(".written");

QByteArray writtenWorkbookNote(const QFileInfo& workbook) {
    return QByteArray::number(workbook.size()) + ' ' +
           QByteArray::number(workbook.lastModified().toMSecsSinceEpoch()) + '\n';
}

void noteWrittenWorkbook(const QString& workbookPath) {
    const QFileInfo workbook(workbookPath);
    QFile note(workbook.dir().filePath(kWorkbookNoteName));
    // Without the note the folder is simply never removed.
    if (note.open(QIODevice::WriteOnly | QIODevice::Truncate))
        note.write(writtenWorkbookNote(workbook));
}

class DesktopSpreadsheetApp : public SpreadsheetApp {
public:
    explicit DesktopSpreadsheetApp(SpreadsheetProgram program) : program_(std::move(program)) {}

    void addWorkbook() override { workbook_.emplace(); }

    void setCell(int row, int column, const QString& text) override {
        workbook().setCell(row, column, text);
    }

    void autofitColumns() override { workbook().fitColumns(); }

    void setVisible(bool visible) override {
        // Without a workbook there is nothing to show; it opens once.
        if (!visible || shown_ || !workbook_)
            return;
        removeOldWorkbookFolders(QDir::tempPath());
        // A folder of its own, so the workbook has the plain name "Results.xlsx" in
        // the spreadsheet program's title; it stays for the program to read.
        QTemporaryDir folder(QDir::tempPath() + QLatin1Char('/') + kWorkbookFolderPrefix +
                             QStringLiteral("XXXXXX"));
        if (!folder.isValid())
            throw RunTimeError(
                err::PermissionDenied,
                QStringLiteral("The workbook cannot be created in the temporary "
                               "folder %1: %2. Free some space there and try again.")
                    .arg(QDir::toNativeSeparators(QDir::tempPath()), folder.errorString()));
        folder.setAutoRemove(false);
        const QString path = folder.filePath(kWorkbookFileName);
        try {
            workbook_->write(path);
        } catch (...) {
            QDir(folder.path()).removeRecursively();
            throw;
        }
        // Read-only, so a program that opens it as a file asks where to save it, and
        // noted, so the clean-up can tell it from a workbook the user saved over it.
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser |
                                        QFileDevice::ReadGroup | QFileDevice::ReadOther);
        noteWrittenWorkbook(path);
        if (!open(path)) {
            QDir(folder.path()).removeRecursively();
            throw RunTimeError(err::CannotCreateObject,
                               QStringLiteral("The spreadsheet program %1 could not be started. "
                                              "Check that it is installed and try again.")
                                   .arg(program_.program.isEmpty()
                                            ? QStringLiteral("for .xlsx files")
                                            : QDir::toNativeSeparators(program_.program)));
        }
        shown_ = true;
    }

private:
    XlsxWorkbook& workbook() {
        if (!workbook_)
            throw RunTimeError(
                err::ObjectNotSet,
                QStringLiteral("The spreadsheet has no workbook to write to. Try the "
                               "export again."));
        return *workbook_;
    }

    bool open(const QString& path) const {
        if (program_.program.isEmpty()) {
#ifdef Q_OS_WIN
            return openAsNewDocument(path);
#else
            return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
        }
        QProcess process;
        process.setProgram(program_.program);
        process.setArguments(program_.arguments + QStringList{QDir::toNativeSeparators(path)});
        // Detached and on its own: it keeps running after this program ends.
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        return process.startDetached();
    }

    SpreadsheetProgram program_;
    std::optional<XlsxWorkbook> workbook_;
    bool shown_ = false;
};

} // namespace

void removeOldWorkbookFolders(const QString& tempFolder, const QDateTime& now) {
    // A day is long enough for any spreadsheet program to have read its copy.
    const QDateTime before = now.addDays(-1);
    const QFileInfoList folders =
        QDir(tempFolder)
            .entryInfoList({kWorkbookFolderPrefix + QLatin1Char('*')},
                           QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo& info : folders) {
        if (!info.isWritable() || info.lastModified() >= before)
            continue;
        // Only a folder that holds nothing but the workbook as it was written goes: a
        // user may have saved over it, or put another file beside it.
        const QDir folder(info.absoluteFilePath());
        const QStringList entries =
            folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        if (entries.size() != 2 || !entries.contains(kWorkbookFileName) ||
            !entries.contains(kWorkbookNoteName))
            continue;
        const QFileInfo workbook(folder.filePath(kWorkbookFileName));
        QFile note(folder.filePath(kWorkbookNoteName));
        if (!workbook.isFile() || workbook.isSymLink() || !note.open(QIODevice::ReadOnly) ||
            note.read(256) != writtenWorkbookNote(workbook))
            continue;
        note.close();
        // File by file: a file that arrives meanwhile keeps the folder.
        QFile::setPermissions(workbook.filePath(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(workbook.filePath());
        QFile::remove(note.fileName());
        folder.rmdir(folder.path());
    }
}

SpreadsheetProgram findSpreadsheetProgram() {
    if (std::optional<SpreadsheetProgram> configured = configuredProgram())
        return *configured;
    for (const char* name : {"soffice", "libreoffice", "gnumeric"}) {
        const QString executable = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!executable.isEmpty())
            return programCall(executable, {});
    }
    if (desktopHasDefaultForXlsx()) {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
        return {QStandardPaths::findExecutable(QStringLiteral("xdg-open")), {}};
#else
        return {};
#endif
    }
    throw RunTimeError(err::CannotCreateObject,
                       QStringLiteral("No spreadsheet program was found on this computer. Install "
                                      "one that opens .xlsx files, or name it in the environment "
                                      "variable AMBREVALE_SPREADSHEET."));
}

std::unique_ptr<SpreadsheetApp> createDesktopSpreadsheetApp() {
    return std::make_unique<DesktopSpreadsheetApp>(findSpreadsheetProgram());
}

} // namespace amb
