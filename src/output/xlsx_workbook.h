#pragma once

#include <QString>
#include <map>
#include <utility>

namespace amb {

// One sheet of text cells, collected in memory and written as an .xlsx file. Every
// value is a text cell, never a formula, whatever it begins with.
class XlsxWorkbook {
public:
    // The sheet's limits, as spreadsheet programs know them.
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;
    static constexpr int kMaxTextLength = 32767;
    static constexpr double kMaxColumnWidth = 255;

    // Row and column count from 1. Throws RunTimeError outside the sheet or for a
    // text longer than a cell holds.
    void setCell(int row, int column, const QString& text);
    QString cell(int row, int column) const;
    int cellCount() const { return static_cast<int>(cells_.size()); }

    // Fits every column that holds cells to its longest text, as the cells are now.
    void fitColumns();
    // The fitted width of a column in character units; 0 when it was not fitted.
    double columnWidth(int column) const;

    // Writes the workbook to `path`; throws RunTimeError when it cannot.
    void write(const QString& path, const QString& shownPath = {}) const;

private:
    std::map<std::pair<int, int>, QString> cells_; // (row, column), in writing order
    std::map<int, double> widths_;
};

} // namespace amb
