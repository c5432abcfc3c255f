#pragma once

#include "app/platform.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

namespace amb {

// The spreadsheet program that shows an exported workbook, and how to call it: the
// program, then `arguments`, then the workbook's path. An empty program means the
// desktop's default application for .xlsx files.
struct SpreadsheetProgram {
    QString program;
    QStringList arguments;
};

// Finds the spreadsheet program: the one named by the environment variable
// AMBREVALE_SPREADSHEET, else by the setting Tormalyn/Ambrevale/SpreadsheetProgram
// (either may carry arguments), else LibreOffice (opening the workbook as a template,
// so it is a new, untitled document), Gnumeric or the desktop's default for .xlsx.
// Throws RunTimeError when none is found.
SpreadsheetProgram findSpreadsheetProgram();

// The machine's spreadsheet program behind the spreadsheet export: collects the
// cells, and when made visible writes them to a workbook in the temporary folder and
// opens it there (as a new document where the program can), detached so it outlives this program.
// Throws RunTimeError when no spreadsheet program is installed.
std::unique_ptr<SpreadsheetApp> createDesktopSpreadsheetApp();

// Each export's workbook lies read-only as "Results.xlsx" in a folder of its own in
// the temporary folder, named with this prefix, with a note of its size and time.
// The next export removes such folders older than a day that hold nothing but that
// workbook, unchanged: a workbook the user saved there, or another file, keeps it.
inline const QString kWorkbookFolderPrefix = QStringLiteral("ambrevale-workbook-");
void removeOldWorkbookFolders(const QString& tempFolder,
                              const QDateTime& now = QDateTime::currentDateTime());

} // namespace amb
