#include "output/text_export.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/main_module.h"
#include "output/aligned_text.h"

#include <QDir>
#include <algorithm>
#include <memory>
#include <vector>

namespace amb {

namespace {

// (j + N div 2000) / N * 100: lists of 2000 items or more pass 100 on their last
// items, which the bar shows as full.
double itemProgress(int j, int n) {
    if (n == 0)
        throw RunTimeError(err::DivisionByZero,
                           QStringLiteral("Division by zero: the list was emptied while it was "
                                          "being saved. Save it again."));
    return static_cast<double>(j + n / 2000) / n * 100;
}

void saveProperlySpaced(Platform& platform, ListView& list, const QString& fileName,
                        ProgressBar* bar, QIODevice* device) {
    ErrorReport report(platform, QStringLiteral("Main.SaveListviewProperlySpaced"));
    // Windows names and names typed with backslashes show only their last part.
    const QString writing = QStringLiteral("Writing file: ") +
                            TextAfterLastBackslash(QDir::toNativeSeparators(fileName));
    // Any failure to create or write the file keeps the bar from saying "Done.".
    bool fileFailed = false;

    if (bar) { // 100
        report(102, [&] { platform.doEvents(); });
        report(104, [&] { bar->setValue(1); });
        report(106, [&] { bar->setText(writing); });
        report(108, [&] { platform.doEvents(); });
    }
    std::vector<int> widths; // 110

    // Widths: the longest of the header and of every item's cell, checked or not.
    int columns = 0;
    report(112, [&] { columns = list.columnCount(); });
    for (int i = 1; i <= columns; ++i) {
        int width = 0; // 114
        report(116, [&] { width = std::max(width, static_cast<int>(list.columnText(i).size())); });
        int items = 0;
        report(120, [&] { items = list.count(); });
        for (int j = 1; j <= items; ++j) {
            report(122, [&] { platform.doEvents(); });
            QString cell;
            report(124, [&] { cell = cellText(list, j, i); });
            report(132, [&] { width = std::max(width, static_cast<int>(cell.size())); });
        }
        report(136, [&] { widths.push_back(width); });
    }

    if (bar) { // 142
        report(144, [&] { platform.doEvents(); });
        report(146, [&] { bar->setValue(10); });
        report(148, [&] { bar->setText(writing); });
        report(150, [&] { platform.doEvents(); });
    }
    QString line;                         // 152
    std::unique_ptr<TextExportFile> file; // 154
    const bool created = report(156, [&] {
        file = device ? std::make_unique<TextExportFile>(*device, fileName)
                      : std::make_unique<TextExportFile>(fileName);
    });
    fileFailed = !created;
    // A line that did not go into the open file has told the user what became of it.
    bool writeReported = false;
    auto writeLine = [&] {
        if (!file)
            throwExportFileNotOpen(fileName);
        try {
            file->writeLine(line);
        } catch (const RunTimeError&) {
            writeReported = true;
            throw;
        }
    };

    // Header line.
    report(158, [&] { columns = list.columnCount(); });
    for (int i = 1; i <= columns; ++i) {
        report(160, [&] { platform.doEvents(); });
        QString header;
        report(162, [&] { header = list.columnText(i); });
        report(164, [&] { appendAlignedCell(line, header, recordedWidth(widths, i)); });
    }
    if (!report(170, writeLine))
        fileFailed = true;

    if (bar) { // 172
        report(174, [&] { platform.doEvents(); });
        report(176, [&] { bar->setValue(20); });
        report(178, [&] { bar->setText(writing); });
        report(180, [&] { platform.doEvents(); });
    }

    // One line per checked item.
    int items = 0;
    report(182, [&] { items = list.count(); });
    for (int j = 1; j <= items; ++j) {
        report(184, [&] { platform.doEvents(); });
        line.clear(); // 186
        if (report.condition(188, [&] { return !list.checked(j); }))
            continue;
        report(190, [&] { columns = list.columnCount(); });
        for (int i = 1; i <= columns; ++i) {
            report(192, [&] { platform.doEvents(); });
            QString cell;
            report(194, [&] { cell = cellText(list, j, i); });
            report(202, [&] { appendAlignedCell(line, cell, recordedWidth(widths, i)); });
        }
        if (bar) { // 210
            report(212, [&] { platform.doEvents(); });
            report(214, [&] { bar->setValue(itemProgress(j, list.count())); });
            if (j % 1000 == 0) // 216
                report(218, [&] {
                    bar->setText(writing + QStringLiteral(" (") + QString::number(j) +
                                 QLatin1Char(')'));
                });
            report(220, [&] { platform.doEvents(); });
        }
        if (!report(222, writeLine))
            fileFailed = true;
    }

    // The file is put in place first: a failed export never shows "Done.", and
    // "Done." never shows before the file is complete.
    const bool closed = report(232, [&] {
        if (!file)
            throwExportFileNotOpen(fileName);
        if (!writeReported)
            return file->close();
        // The failure was reported where it happened: one box for it, not a second one
        // from the close that follows.
        fileFailed = true;
        try {
            file->close();
        } catch (const RunTimeError&) {
        }
    });
    if (!closed)
        fileFailed = true;
    if (bar && !fileFailed) { // 226
        report(228, [&] { bar->setValue(100); });
        report(230, [&] { bar->setText(QStringLiteral("Done.")); });
    }
    file.reset(); // 234-236
    if (bar) {    // 238
        report(240, [&] { bar->setValue(0); });
        report(242, [&] { bar->setText(QStringLiteral("Progress Bar")); });
    }
}

} // namespace

void SaveListviewProperlySpaced(Platform& platform, ListView& list, const QString& fileName,
                                ProgressBar* bar) {
    saveProperlySpaced(platform, list, fileName, bar, nullptr);
}

void SaveListviewProperlySpaced(Platform& platform, ListView& list, const QString& fileName,
                                ProgressBar* bar, QIODevice& device) {
    saveProperlySpaced(platform, list, fileName, bar, &device);
}

void Form1::PushButton4_Click() {
    ErrorReport report(platform(), QStringLiteral("Form1.PushButton4_Click"));
    report(100, [&] { CommonDialog1.Flags = kTextExportDialogFlags; });
    report(102, [&] { CommonDialog1.DialogTitle = QStringLiteral("Save"); });
    report(104, [&] { CommonDialog1.Filter = kTextExportFilter; });
    // The dialog offers the name chosen last time; a cancel leaves it empty.
    report(106, [&] {
        CommonDialog1.FileName = platform().saveFileName(
            CommonDialog1.DialogTitle, CommonDialog1.Filter, CommonDialog1.FileName);
    });
    QString fileName;
    report(108, [&] { fileName = CommonDialog1.FileName; });
    if (fileName.isEmpty()) // 110
        return;
    report(112, [&] { platform().setMousePointer(pointer::Hourglass); });
    report(114,
           [&] { SaveListviewProperlySpaced(platform(), *ListView2, fileName, ProgressBar1); });
    report(116, [&] { platform().setMousePointer(pointer::Default); });
}

} // namespace amb
