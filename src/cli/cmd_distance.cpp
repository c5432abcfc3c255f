#include "cli/cli.h"
#include "cli/console_platform.h"

#include "app/error_report.h"
#include "app/runtime_error.h"
#include "distance/distance_run.h"
#include "output/cli_exports.h"

#include <QFile>
#include <cstdio>
#include <optional>

namespace amb::cli {

namespace {

const char kDistanceUsage[] =
    "Usage: ambrevale-cli distance [FILE] [--text-file FILE] [--xlsx FILE]\n"
    "\n"
    "Prints the sentence of every neighbouring pair of a trip, top to bottom, exactly\n"
    "as the window's results list holds it.\n"
    "\n"
    "The trip is read from FILE, or from standard input when FILE is missing or '-':\n"
    "one city per line, its text, a tab, its latitude, a tab, its longitude, in\n"
    "decimal degrees (UTF-8; empty lines are skipped). The lines that\n"
    "'ambrevale-cli search' prints can be fed in as they are. Coordinates may be\n"
    "written in the user's locale (LC_ALL, LANG) or with a decimal point; the miles\n"
    "are printed in the user's locale.\n"
    "\n"
    "A pair that cannot be measured (a coordinate that is not a number, a line\n"
    "without coordinates) prints the window's error report on standard error and\n"
    "the trip goes on with the next pair.\n"
    "\n"
    "Options:\n"
    "  --text-file FILE  also write the sentences to FILE as the window's text export\n"
    "  --xlsx FILE       also write the sentences to FILE as a workbook\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 when every pair was measured and every file written, 1 when an\n"
    "error report was shown or a file could not be written, 2 for wrong arguments\n"
    "or an unreadable trip.\n";

struct Options {
    QString input; // empty: standard input
    QString textFile;
    QString xlsxFile;
};

int usageError(const QString& message) {
    std::fprintf(stderr, "ambrevale-cli distance: %s\n\n%s", message.toLocal8Bit().constData(),
                 kDistanceUsage);
    return 2;
}

// A line of the trip: the coordinates are its last two tab-separated fields, so a
// city text may hold tabs of its own. A line without them is a city without
// coordinates, which fails when it is measured, as in the window.
TripRow parseTripLine(const QString& line) {
    const qsizetype second = line.lastIndexOf(QLatin1Char('\t'));
    const qsizetype first = second > 0 ? line.lastIndexOf(QLatin1Char('\t'), second - 1) : -1;
    if (first < 0)
        return {line, {}, {}};
    return {line.left(first), line.mid(first + 1, second - first - 1), line.mid(second + 1)};
}

void printLine(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

// Reports come out after the sentences printed before them, also on a terminal.
class ReportingConsole : public ConsolePlatform {
public:
    int messageBox(const QString& text, const QString& title, int style) override {
        std::fflush(stdout);
        return ConsolePlatform::messageBox(text, title, style);
    }
};

bool exportTo(const QString& path, void (*write)(const QStringList&, const QString&),
              const QStringList& sentences) {
    try {
        write(sentences, path);
        return true;
    } catch (const RunTimeError& e) {
        std::fprintf(stderr, "ambrevale-cli distance: %s\n",
                     e.description().toLocal8Bit().constData());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ambrevale-cli distance: %s\n", e.what());
    }
    return false;
}

} // namespace

int runDistance(const QStringList& args) {
    Options options;
    bool inputGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(kDistanceUsage, stdout);
            return 0;
        }
        QString* target = nullptr;
        if (arg == QLatin1String("--text-file") || arg.startsWith(QLatin1String("--text-file=")))
            target = &options.textFile;
        else if (arg == QLatin1String("--xlsx") || arg.startsWith(QLatin1String("--xlsx=")))
            target = &options.xlsxFile;
        if (target) {
            const qsizetype equals = arg.indexOf(QLatin1Char('='));
            if (equals >= 0)
                *target = arg.mid(equals + 1);
            else if (i + 1 < args.size())
                *target = args.at(++i);
            if (target->isEmpty())
                return usageError(QStringLiteral("%1 needs a file name")
                                      .arg(arg.section(QLatin1Char('='), 0, 0)));
            continue;
        }
        if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-"))
            return usageError(QStringLiteral("unknown option '%1'").arg(arg));
        if (inputGiven)
            return usageError(QStringLiteral("only one trip file can be read"));
        inputGiven = true;
        if (arg != QLatin1String("-"))
            options.input = arg;
    }

    QFile input;
    const bool opened = options.input.isEmpty()
                            ? input.open(stdin, QIODevice::ReadOnly)
                            : (input.setFileName(options.input), input.open(QIODevice::ReadOnly));
    if (!opened) {
        std::fprintf(stderr, "ambrevale-cli distance: cannot read %s: %s\n",
                     (options.input.isEmpty() ? QStringLiteral("standard input") : options.input)
                         .toLocal8Bit()
                         .constData(),
                     input.errorString().toLocal8Bit().constData());
        return 2;
    }

    ReportingConsole platform;
    ErrorReport report(platform, kDistanceRunPath);
    QStringList sentences;
    std::optional<TripRow> upper;
    bool firstLine = true;
    for (;;) {
        // readLine blocks on a pipe; only the end of the input gives nothing at all.
        const QByteArray bytes = input.readLine();
        if (bytes.isEmpty())
            break;
        QString line = QString::fromUtf8(bytes);
        if (firstLine && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        firstLine = false;
        while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        TripRow lower = parseTripLine(line);
        if (upper) {
            report(kMeasurePairLine, [&] {
                sentences << measurePair(platform, *upper, lower);
                printLine(sentences.last());
            });
        }
        upper = std::move(lower);
    }
    if (input.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "ambrevale-cli distance: reading the trip failed: %s\n",
                     input.errorString().toLocal8Bit().constData());
        return 2;
    }
    std::fflush(stdout);

    bool written = true;
    if (!options.textFile.isEmpty())
        written = exportTo(options.textFile, &writeTextExportFile, sentences) && written;
    if (!options.xlsxFile.isEmpty())
        written = exportTo(options.xlsxFile, &writeXlsxExportFile, sentences) && written;
    return written && platform.reportsShown() == 0 ? 0 : 1;
}

} // namespace amb::cli
