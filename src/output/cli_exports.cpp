#include "output/cli_exports.h"

#include "app/runtime_error.h"
#include "output/aligned_text.h"
#include "output/spreadsheet_export.h"
#include "output/xlsx_workbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <memory>

namespace amb {

namespace {
const QString kResultsHeader = QStringLiteral("Results");

[[noreturn]] void cannotWrite(const QString& path, const QString& reason) {
    throw RunTimeError(err::DeviceIO,
                       QStringLiteral("The file %1 cannot be written: %2. Choose a folder that "
                                      "exists, has free space and that you may write to.")
                           .arg(QDir::toNativeSeparators(path), reason));
}

// Replaces a regular file only once every byte is written; a device is written in place.
void writeWholeFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    std::unique_ptr<QFileDevice> file;
    if (info.exists() && !info.isFile() && !info.isDir())
        file = std::make_unique<QFile>(path);
    else
        file = std::make_unique<QSaveFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
        cannotWrite(path, file->errorString());
    if (file->write(bytes) != bytes.size())
        cannotWrite(path, file->errorString());
    if (auto* save = dynamic_cast<QSaveFile*>(file.get())) {
        if (!save->commit())
            cannotWrite(path, save->errorString());
    } else if (!file->flush()) {
        cannotWrite(path, file->errorString());
    }
}
} // namespace

void writeTextExportFile(const QStringList& resultLines, const QString& path) {
    TextExportFile file(path);
    writeAlignedLines(file, kResultsHeader, resultLines);
    file.close();
}

void writeXlsxExportFile(const QStringList& resultLines, const QString& path) {
    // The rows of the spreadsheet export: the header only above a first line that
    // has text, line j in row j + 1, empty lines leave their row empty.
    XlsxWorkbook workbook;
    if (resultLines.isEmpty() || !resultLines.constFirst().isEmpty())
        workbook.setCell(1, 1, kResultsHeader);
    for (qsizetype j = 0; j < resultLines.size(); ++j)
        if (!resultLines.at(j).isEmpty())
            workbook.setCell(static_cast<int>(j) + 2, 1, sheetCellValue(1, resultLines.at(j)));
    workbook.fitColumns();

    QTemporaryDir scratch;
    if (!scratch.isValid())
        cannotWrite(path, QStringLiteral("no temporary folder could be made"));
    const QString temporary = scratch.filePath(QStringLiteral("results.xlsx"));
    workbook.write(temporary, path); // a failure names the user's file, not the scratch one
    QFile written(temporary);
    if (!written.open(QIODevice::ReadOnly))
        cannotWrite(path, written.errorString());
    writeWholeFile(path, written.readAll());
}

} // namespace amb
