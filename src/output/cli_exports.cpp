#include "output/cli_exports.h"

#include "app/runtime_error.h"

namespace amb {

void writeTextExportFile(const QStringList&, const QString&) {
    throw RunTimeError(err::InvalidProcedureCall, QStringLiteral("Text export is not built yet."));
}

void writeXlsxExportFile(const QStringList&, const QString&) {
    throw RunTimeError(err::InvalidProcedureCall, QStringLiteral("Workbook export is not built yet."));
}

} // namespace amb
