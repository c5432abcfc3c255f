#pragma once

#include "app/platform.h"

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
// opens it there, detached so it outlives this program. Throws RunTimeError when no
// spreadsheet program is installed.
std::unique_ptr<SpreadsheetApp> createDesktopSpreadsheetApp();

} // namespace amb
