#include "output/spreadsheet_export.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "output/aligned_text.h"

#include <memory>

namespace amb {

QString sheetCellValue(int column, const QString& text) {
    if (column == 1)
        return text;
    QString value = text;
    value.remove(QLatin1Char('='));
    return value;
}

bool Form1::SaveResultsAsExcelFileIsExcelInstalled() {
    // No error report here: a program that cannot be started is the answer false.
    bool installed = true;
    try {
        // Only a test: the instance is released at once.
        platform().createSpreadsheetApp().reset();
    } catch (...) {
        installed = false;
        try {
            platform().messageBox(kSpreadsheetMissingTest, applicationTitle(), mb::OkOnly);
        } catch (...) {
        }
    }
    return installed;
}

namespace {
std::unique_ptr<SpreadsheetApp>& checkedApp(std::unique_ptr<SpreadsheetApp>& app) {
    if (!app)
        throw RunTimeError(err::ObjectNotSet,
                           QStringLiteral("The spreadsheet program was not started, so the results "
                                          "cannot be handed to it. Try the export again."));
    return app;
}
} // namespace

void Form1::PushButton13_Click() {
    ErrorReport report(platform(), QStringLiteral("Form1.PushButton13_Click"));
    ListView& list = *ListView2;
    if (!report.condition(100, [&] { return SaveResultsAsExcelFileIsExcelInstalled(); })) {
        report(102, [&] {
            platform().messageBox(kSpreadsheetMissingCommand, applicationTitle(), mb::OkOnly);
        });
        return; // 104
    }
    if (report.condition(106, [&] { return list.count() == 0; }))
        return;
    report(108, [&] { platform().setMousePointer(pointer::Hourglass); });
    std::unique_ptr<SpreadsheetApp> app;
    report(110, [&] { app = platform().createSpreadsheetApp(); });
    report(112, [&] { checkedApp(app)->addWorkbook(); });

    // Header row: only the columns whose first item's cell is not empty, without gaps.
    int sheetColumn = 1; // 114
    int columns = 0;
    report(116, [&] { columns = list.columnCount(); });
    for (int k = 1; k <= columns; ++k) {
        report(118, [&] { platform().doEvents(); });
        if (report.condition(120, [&] { return !cellText(list, 1, k).isEmpty(); })) {
            report(122, [&] { checkedApp(app)->setCell(1, sheetColumn, list.columnText(k)); });
            ++sheetColumn; // 124
        }
    }

    // Item rows: item j in row j + 1; an unchecked item leaves its row empty.
    int row = 2; // 128
    int items = 0;
    report(130, [&] { items = list.count(); });
    for (int j = 1; j <= items; ++j) {
        report(132, [&] { platform().doEvents(); });
        if (report.condition(134, [&] { return list.checked(j); })) {
            sheetColumn = 1; // 136
            report(138, [&] { columns = list.columnCount(); });
            for (int k = 1; k <= columns; ++k) {
                report(140, [&] { platform().doEvents(); });
                if (report.condition(142, [&] { return !cellText(list, j, k).isEmpty(); })) {
                    report(144, [&] {
                        checkedApp(app)->setCell(row, sheetColumn,
                                                 sheetCellValue(k, cellText(list, j, k)));
                    });
                    ++sheetColumn; // 146
                }
            }
        }
        ++row; // 150
    }
    report(154, [&] { checkedApp(app)->autofitColumns(); });
    report(156, [&] { checkedApp(app)->setVisible(true); });
    report(158, [&] { platform().setMousePointer(pointer::Default); });
    // The program stays open with the workbook: only our reference goes.
    app.reset(); // 160-162
}

} // namespace amb
