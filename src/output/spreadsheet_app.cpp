#include "output/spreadsheet_app.h"

#include "app/runtime_error.h"

namespace amb {

std::unique_ptr<SpreadsheetApp> createDesktopSpreadsheetApp() {
    throw RunTimeError(err::CannotCreateObject, QStringLiteral("No spreadsheet program is installed."));
}

} // namespace amb
