#pragma once

#include "app/platform.h"

#include <memory>

namespace amb {

// The machine's spreadsheet program behind the spreadsheet export; throws
// RunTimeError when none is installed.
std::unique_ptr<SpreadsheetApp> createDesktopSpreadsheetApp();

} // namespace amb
