// Time and peak memory of the three exports for 100,000 result lines. Each export
// runs in a child process of its own (this program run with the export's name), so
// one export's memory never counts for another.
#include "app/form1.h"
#include "app/qt_platform.h"
#include "bench_support.h"
#include "output/cli_exports.h"
#include "output/clipboard_copy.h"
#include "output/spreadsheet_app.h"
#include "output/text_export.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace amb;

namespace {

constexpr int kLines = 100000;

// Starts a new peak at the present resident size (Linux 4.0 and later).
void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

QString resultLine(int i) {
    return QStringLiteral("Distance between City %1 - Region, Country and City %2 - Region, "
                          "Country is %3 miles")
        .arg(i)
        .arg(i + 1)
        .arg(i % 5000);
}

int runMode(const QString& mode) {
    QTemporaryDir dir;
    qputenv("TMPDIR", dir.path().toUtf8()); // the workbook lands here and goes with it
    qputenv("AMBREVALE_SPREADSHEET", "/bin/true");
    QtPlatform platform;
    platform.setSpreadsheetFactory(createDesktopSpreadsheetApp);
    Form1 form(platform);
    platform.attachWindow(&form);
    ListView& list = *form.ListView2;
    list.addColumn(QStringLiteral("Results"));
    QStringList lines;
    const bool cli = mode.startsWith(QLatin1String("cli-"));
    for (int i = 1; i <= kLines; ++i) {
        if (cli)
            lines << resultLine(i);
        else
            list.setChecked(list.add(resultLine(i)), true);
    }
    const long before = bench::procStatusKiB("VmRSS:");
    resetPeak();
    QElapsedTimer timer;
    timer.start();
    QString output;
    if (mode == QLatin1String("text")) {
        output = dir.filePath(QStringLiteral("results.txt"));
        SaveListviewProperlySpaced(platform, list, output, form.ProgressBar1);
    } else if (mode == QLatin1String("clipboard")) {
        CopyListviewToClipboard(platform, list);
    } else if (mode == QLatin1String("workbook")) {
        form.PushButton13_Click();
    } else if (mode == QLatin1String("cli-text")) {
        output = dir.filePath(QStringLiteral("r.txt"));
        writeTextExportFile(lines, output);
    } else if (mode == QLatin1String("cli-xlsx")) {
        output = dir.filePath(QStringLiteral("r.xlsx"));
        writeXlsxExportFile(lines, output);
    } else {
        return 2;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const long peak = bench::procStatusKiB("VmHWM:");
    QString size;
    if (mode == QLatin1String("clipboard"))
        size = QStringLiteral("%1 characters").arg(QGuiApplication::clipboard()->text().size());
    else if (mode == QLatin1String("workbook"))
        for (const QFileInfo& f : QDir(dir.path()).entryInfoList({QStringLiteral("*.xlsx")}))
            size = QStringLiteral("%1 bytes").arg(f.size());
    else
        size = QStringLiteral("%1 bytes").arg(QFileInfo(output).size());
    std::printf("%-10s %8.3f s  %8ld KB before  %8ld KB peak  %+8ld KB  output %s\n",
                qPrintable(mode), seconds, before, peak, peak - before, qPrintable(size));
    std::printf("HEADLINE\texport of %d result lines: %s\t%.3f s, %+ld KB peak\n", kLines,
                qPrintable(mode), seconds, peak - before);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        return runMode(args.at(1));

    std::printf("%d result lines, each export in its own process\n", kLines);
    std::printf("(peak = resident high-water mark during the export; the change is what the export "
                "added)\n");
    std::fflush(stdout);
    for (const char* mode : {"text", "clipboard", "workbook", "cli-text", "cli-xlsx"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode)});
        child.waitForFinished(-1);
        if (child.exitCode() != 0)
            std::printf("%s failed (exit code %d)\n", mode, child.exitCode());
        std::fflush(stdout);
    }
    return 0;
}
