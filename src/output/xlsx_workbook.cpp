#include "output/xlsx_workbook.h"

#include "app/file_io.h"
#include "app/runtime_error.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <xlsxwriter.h>

namespace amb {

void XlsxWorkbook::setCell(int row, int column, const QString& text) {
    if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
        throw RunTimeError(
            err::InvalidProcedureCall,
            QStringLiteral("The spreadsheet has no cell at row %1, column %2: a sheet "
                           "holds %3 rows and %4 columns. Export fewer lines.")
                .arg(row)
                .arg(column)
                .arg(kMaxRows)
                .arg(kMaxColumns));
    if (text.size() > kMaxTextLength)
        throw RunTimeError(err::InvalidProcedureCall,
                           QStringLiteral("The text for row %1, column %2 has %3 characters, more "
                                          "than a spreadsheet cell holds (%4). Shorten it and "
                                          "export again.")
                               .arg(row)
                               .arg(column)
                               .arg(text.size())
                               .arg(kMaxTextLength));
    cells_[{row, column}] = text;
}

QString XlsxWorkbook::cell(int row, int column) const {
    const auto it = cells_.find({row, column});
    return it == cells_.end() ? QString() : it->second;
}

void XlsxWorkbook::fitColumns() {
    std::map<int, int> longest;
    for (const auto& [at, text] : cells_)
        longest[at.second] = std::max(longest[at.second], static_cast<int>(text.size()));
    widths_.clear();
    // One character unit per character and one for the margin: proportional fonts
    // make most texts a little narrower than that, never wider by much.
    for (const auto& [column, length] : longest)
        if (length > 0)
            widths_[column] = std::min(kMaxColumnWidth, length + 1.0);
}

double XlsxWorkbook::columnWidth(int column) const {
    const auto it = widths_.find(column);
    return it == widths_.end() ? 0 : it->second;
}

namespace {
// The library prints its own "[ERROR]" lines on standard error; the program reports
// the failure itself, once, in its own words.
class QuietStandardError {
public:
    QuietStandardError() : saved_(::dup(STDERR_FILENO)) {
        const int null = ::open(kNullDevice, O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDERR_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~QuietStandardError() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_;
};

QString withoutFullStop(QString text) {
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
} // namespace

void XlsxWorkbook::write(const QString& path, const QString& shownPath) const {
    const QString shown = QDir::toNativeSeparators(shownPath.isEmpty() ? path : shownPath);
    const QuietStandardError quiet;
    // Row by row in sheet order: the library then keeps one row in memory at a time.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    const QByteArray encodedPath = QFile::encodeName(path);
    lxw_workbook* workbook = workbook_new_opt(encodedPath.constData(), &options);
    if (!workbook)
        throw RunTimeError(
            err::CannotCreateObject,
            QStringLiteral("The workbook %1 cannot be made: out of memory. Close other "
                           "programs and try again.")
                .arg(shown));
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_error failure = sheet ? LXW_NO_ERROR : LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (const auto& [column, width] : widths_)
        if (failure == LXW_NO_ERROR)
            failure = worksheet_set_column(sheet, static_cast<lxw_col_t>(column - 1),
                                           static_cast<lxw_col_t>(column - 1), width, nullptr);
    for (const auto& [at, text] : cells_) {
        if (failure != LXW_NO_ERROR)
            break;
        if (text.isEmpty())
            continue; // a sheet cell holds no empty text: it stays blank
        const QByteArray utf8 = text.toUtf8();
        failure = worksheet_write_string(sheet, static_cast<lxw_row_t>(at.first - 1),
                                         static_cast<lxw_col_t>(at.second - 1), utf8.constData(),
                                         nullptr);
    }
    // Closing also frees the workbook, so it runs whatever happened before.
    const lxw_error closed = workbook_close(workbook);
    if (failure == LXW_NO_ERROR)
        failure = closed;
    if (failure == LXW_NO_ERROR)
        return;
    QFile::remove(path);
    throw RunTimeError(err::DeviceIO,
                       QStringLiteral("The workbook %1 could not be written: %2. Check the free "
                                      "space and that you may write to its folder, then try again.")
                           .arg(shown, withoutFullStop(QString::fromUtf8(lxw_strerror(failure)))));
}

} // namespace amb
