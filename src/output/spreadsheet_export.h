#pragma once

#include <QString>

namespace amb {

// The two messages when no spreadsheet program can be started: first the test's,
// then the command's. Their wording stays as users know it.
inline const QString kSpreadsheetMissingTest =
    QStringLiteral("Excel is not installed on this computer. You need to have it installed to use "
                   "this software without error.");
inline const QString kSpreadsheetMissingCommand =
    QStringLiteral("Excel is not installed on this computer. You need to have it installed to use "
                   "this feature.");

// The value of an item's cell on the sheet: column 1 as it is, later columns
// without any "=" (so nothing can be taken for a formula).
QString sheetCellValue(int column, const QString& text);

} // namespace amb
