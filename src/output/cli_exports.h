#pragma once

#include <QString>
#include <QStringList>

namespace amb {

// The command-line tool's exports of result lines (all counted as checked), written
// exactly as the window's text export and spreadsheet export write them. Each
// throws RunTimeError with a message for the user when the file cannot be written.
void writeTextExportFile(const QStringList& resultLines, const QString& path);
void writeXlsxExportFile(const QStringList& resultLines, const QString& path);

} // namespace amb
