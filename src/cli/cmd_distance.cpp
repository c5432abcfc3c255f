#include "cli/cli.h"
#include "cli/console_platform.h"
#include "cli/measure_options.h"
#include "cli/trip_map_option.h"
#include "distance/leg_measure.h"

#include "app/error_report.h"
#include "app/file_io.h"
#include "app/locale_numbers.h"
#include "app/runtime_error.h"
#include "distance/distance_run.h"
#include "distance/zip_distance.h"
#include "output/cli_exports.h"
#include "planning/trip_order.h"

#include <QDir>
#include <QFile>
#include <QUtf8StringView>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace amb::cli {

namespace {

const char kDistanceUsage[] =
    "Usage: ambrevale-cli distance [FILE] [--text-file FILE] [--xlsx FILE] [--map FILE]\n"
    "                              [--unit U] [--model M] [--format F] [--total]\n"
    "                              [--course]\n"
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
    "the trip goes on with the next pair. A latitude beyond -90..90 or a longitude\n"
    "beyond -180..180 is reported with its line number, and its pairs are skipped.\n"
    "Each sentence is printed as soon as its pair is measured.\n"
    "With --unit, --model, --format, --total or --course, a pair that cannot be\n"
    "measured is reported with its line numbers instead, and skipped.\n"
    "\n"
    "Options:\n"
    "  --text-file FILE  also write the sentences to FILE as the window's text export\n"
    "  --xlsx FILE       also write the sentences to FILE as a workbook\n"
    "  --map FILE        also draw the trip on a world map: FILE.png or FILE.svg\n"
    "                    (the legs as great-circle arcs, the cities, the total)\n"
    "%1"
    "%2"
    "                    (the cities read as search lines; lines that cannot be\n"
    "                    measured keep their order after the others)\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 when every pair was measured and every file written, 1 when an\n"
    "error report was shown, a pair was skipped or a file (standard output included)\n"
    "could not be written, 2 for wrong arguments or an unreadable trip.\n";

QString usage() {
    return QString::fromUtf8(kDistanceUsage)
        .arg(measureOptionsHelp(allMeasureOptions()), orderOptionsHelp());
}

struct Options {
    QString input; // empty: standard input
    QString textFile;
    QString xlsxFile;
    QString mapFile;
};

int usageError(const QString& message) {
    printMessage("ambrevale-cli distance: %s\n\n", message.toLocal8Bit().constData());
    std::fputs(usage().toLocal8Bit().constData(), stderr);
    return 2;
}

// Standard output through one buffer, written in large blocks. A failed write (a
// full disk, a closed terminal) is remembered and reported once at the end; the
// run goes on so that the export files still get every sentence.
class Output {
public:
    ~Output() { flush(); }
    void append(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kBlock)
            flush();
    }
    std::string& buffer() { return buffer_; }
    void appended() {
        if (buffer_.size() >= kBlock)
            flush();
    }
    void flush() {
        const char* p = buffer_.data();
        size_t left = buffer_.size();
        while (left > 0 && error_ == 0) {
            const ssize_t n = ::write(STDOUT_FILENO, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error_ = n < 0 ? errno : EIO;
                break;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
        buffer_.clear();
    }
    int error() const { return error_; }

private:
    static constexpr size_t kBlock = 1 << 16;
    std::string buffer_;
    int error_ = 0;
};

// Reports come out after the sentences printed before them, also on a terminal.
class ReportingConsole : public ConsolePlatform {
public:
    explicit ReportingConsole(Output& output) : output_(output) {}
    int messageBox(const QString& text, const QString& title, int style) override {
        output_.flush();
        return ConsolePlatform::messageBox(text, title, style);
    }

private:
    Output& output_;
};

bool exportTo(const QString& path, void (*write)(const QStringList&, const QString&),
              const QStringList& sentences) {
    try {
        write(sentences, path);
        return true;
    } catch (const RunTimeError& e) {
        printMessage("ambrevale-cli distance: %s\n",
                     e.description().toLocal8Bit().constData());
    } catch (const std::exception& e) {
        printMessage("ambrevale-cli distance: %s\n", e.what());
    }
    return false;
}

bool isUtf8(std::string_view text) {
    return QUtf8StringView(text.data(), static_cast<qsizetype>(text.size())).isValidUtf8();
}

// One line of the trip as read: the city text and its coordinates are its last two
// tab-separated fields, so a city text may hold tabs of its own. A line without them
// is a city without coordinates, which fails when it is measured, as in the window.
struct Row {
    long line = 0;
    std::string text, latitudeText, longitudeText;
    std::optional<double> latitude, longitude;
    bool numbers = false; // both coordinates are numbers
    bool plain = false;   // and the text is valid UTF-8

    void read(std::string_view bytes, long number, const LocaleNumbers& numbers) {
        line = number;
        const size_t second = bytes.rfind('\t');
        const size_t first = second == std::string_view::npos || second == 0
                                 ? std::string_view::npos
                                 : bytes.rfind('\t', second - 1);
        if (first == std::string_view::npos) {
            text.assign(bytes);
            latitudeText.clear();
            longitudeText.clear();
        } else {
            text.assign(bytes.substr(0, first));
            latitudeText.assign(bytes.substr(first + 1, second - first - 1));
            longitudeText.assign(bytes.substr(second + 1));
        }
        latitude = numbers.fromUtf8(latitudeText);
        longitude = numbers.fromUtf8(longitudeText);
        this->numbers = latitude && longitude;
        plain = this->numbers && isUtf8(text);
    }

    TripRow tripRow() const {
        return {
            QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
            QString::fromUtf8(latitudeText.data(), static_cast<qsizetype>(latitudeText.size())),
            QString::fromUtf8(longitudeText.data(), static_cast<qsizetype>(longitudeText.size()))};
    }
};

// The coordinate of `row` that lies beyond the globe, reported after the sentences
// before it; false when none does.
bool reportOutOfRange(const Row& row, const Row& other, Output& output) {
    const char* what = "latitude";
    const char* range = "-90..90";
    const std::string* text = &row.latitudeText;
    if (std::fabs(*row.latitude) <= 90) {
        if (std::fabs(*row.longitude) <= 180)
            return false;
        what = "longitude";
        range = "-180..180";
        text = &row.longitudeText;
    }
    output.flush();
    printMessage("ambrevale-cli distance: line %ld: the %s %s is beyond %s degrees; the pair of "
                 "lines %ld and %ld is skipped\n",
                 row.line, what, text->c_str(), range, std::min(row.line, other.line),
                 std::max(row.line, other.line));
    return true;
}

} // namespace

int runDistance(const QStringList& args) {
    Options options;
    MeasureOptions measureOptions;
    OrderOptions order;
    bool inputGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            std::fputs(usage().toLocal8Bit().constData(), stdout);
            return 0;
        }
        QString optionError;
        if (takeMeasureOption(args, i, allMeasureOptions(), measureOptions, optionError)) {
            if (!optionError.isEmpty())
                return usageError(optionError);
            continue;
        }
        if (takeOrderOption(args, i, order, optionError)) {
            if (!optionError.isEmpty())
                return usageError(optionError);
            continue;
        }
        if (takeFileOption(args, i,
                           {{QLatin1StringView("--text-file"), &options.textFile},
                            {QLatin1StringView("--xlsx"), &options.xlsxFile},
                            {QLatin1StringView("--map"), &options.mapFile}},
                           optionError)) {
            if (!optionError.isEmpty())
                return usageError(optionError);
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

    const QString inputName =
        options.input.isEmpty() ? QStringLiteral("standard input") : QDir::toNativeSeparators(options.input);
    const int input = options.input.isEmpty() ? STDIN_FILENO
                                              : openFile(options.input, kOpenForReading);
    if (input < 0) {
        printMessage("ambrevale-cli distance: cannot read %s: %s\n",
                     inputName.toLocal8Bit().constData(), std::strerror(errno));
        return 2;
    }

    Output output;
    ReportingConsole platform(output);
    ErrorReport report(platform, kDistanceRunPath);
    const LocaleNumbers& numbers = LocaleNumbers::current();
    // The sentences are kept only for the files that ask for them.
    const bool keep = !options.textFile.isEmpty() || !options.xlsxFile.isEmpty();
    QStringList sentences;
    bool skipped = false;
    // The map holds the cities that lie on the globe, and the miles of their pairs.
    const bool map = !options.mapFile.isEmpty();
    std::vector<route::MapStop> mapStops;
    double mapMiles = 0;

    Row rows[2];
    Row* upper = nullptr;
    Row* lower = &rows[0];
    long lineNumber = 0;
    // Other units, models or formats, or a total: the legs go through the leg writer;
    // without them, the window's sentences straight from the bytes.
    LegWriter writer(measureOptions, numbers);
    const bool plain = measureOptions.plain();
    if (!plain)
        writer.start(output.buffer());
    // A pair the bytes cannot serve, measured the window's way: its sentence or the
    // window's report.
    const auto measureTheWindowsWay = [&] {
        report(kMeasurePairLine, [&] {
            const QString sentence = measurePair(platform, upper->tripRow(), lower->tripRow());
            if (keep)
                sentences << sentence;
            output.append(sentence.toUtf8().toStdString());
            output.append("\n");
        });
    };
    const auto skip = [&](const QString& message) {
        output.flush();
        printMessage("ambrevale-cli distance: %s\n", message.toLocal8Bit().constData());
        skipped = true;
    };
    const auto measure = [&] {
        if (!upper->numbers || !lower->numbers) {
            if (plain)
                return measureTheWindowsWay();
            const Row& bad = upper->numbers ? *lower : *upper;
            return skip(QStringLiteral("line %1: the latitude and longitude are not both numbers; "
                                       "the pair of lines %2 and %3 is skipped")
                            .arg(bad.line)
                            .arg(upper->line)
                            .arg(lower->line));
        }
        if (reportOutOfRange(*upper, *lower, output) || reportOutOfRange(*lower, *upper, output)) {
            skipped = true;
            return;
        }
        // The one measurement of the pair, in the unit and on the model asked for; the
        // window's miles are rounded to cents. Two stops of the same text are 0 apart,
        // as in the window.
        const bool sameText = upper->text == lower->text;
        double distance = 0;
        if (!sameText) {
            try {
                distance =
                    legDistance(*upper->latitude, *upper->longitude, *lower->latitude,
                                *lower->longitude, measureOptions.unit, measureOptions.model);
            } catch (const RunTimeError& e) {
                if (plain)
                    return measureTheWindowsWay();
                return skip(QStringLiteral("lines %1 and %2: %3")
                                .arg(upper->line)
                                .arg(lower->line)
                                .arg(e.description()));
            }
        }
        if (plain) {
            distance = modZipDistance::roundToCents(distance);
            mapMiles += distance;
            if (!upper->plain || !lower->plain)
                return measureTheWindowsWay();
            std::string& out = output.buffer();
            const size_t start = out.size();
            out += "Distance between ";
            out += upper->text;
            out += " and ";
            out += lower->text;
            out += " is ";
            if (sameText)
                out += '0';
            else
                numbers.appendUtf8(distance, out);
            out += " miles";
            if (keep)
                sentences << QString::fromUtf8(out.data() + start,
                                               static_cast<qsizetype>(out.size() - start));
            out += '\n';
            output.appended();
            return;
        }
        const TripRow a = upper->tripRow(), b = lower->tripRow();
        const auto stop = [](const TripRow& row, double latitude, double longitude) {
            const qsizetype dash = row.text.indexOf(QStringLiteral(" - "));
            return TripStop{row.text, dash < 0 ? row.text : row.text.left(dash),
                            dash < 0 ? QString() : row.text.mid(dash + 3), latitude, longitude};
        };
        const TripStop from = stop(a, *upper->latitude, *upper->longitude);
        const TripStop to = stop(b, *lower->latitude, *lower->longitude);
        writer.leg(from, to, distance, output.buffer());
        if (keep)
            sentences << QString::fromStdString(legSentence(
                a.text, b.text, distance, measureOptions.unit, numbers,
                measureOptions.course ? stopsCourse(from, to, measureOptions.model)
                                      : std::nullopt));
        output.appended();
    };
    const auto measureLine = [&](std::string_view line, long number) {
        lower->read(line, number, numbers);
        if (map && lower->numbers && std::fabs(*lower->latitude) <= 90 &&
            std::fabs(*lower->longitude) <= 180)
            mapStops.push_back(
                {QString::fromUtf8(lower->text.data(), static_cast<qsizetype>(lower->text.size())),
                 {*lower->latitude, *lower->longitude}});
        if (upper)
            measure();
        upper = lower;
        lower = upper == &rows[0] ? &rows[1] : &rows[0];
    };
    // A trip to be put in another order, or to end with the way back, is read whole
    // first.
    const bool ordering = order.kind || order.roundTrip;
    std::vector<std::pair<std::string, long>> held;
    const auto takeLine = [&](std::string_view line) {
        ++lineNumber;
        if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        if (line.empty())
            return;
        if (ordering)
            held.emplace_back(line, lineNumber);
        else
            measureLine(line, lineNumber);
    };

    // Read in large blocks; a pipe gives what it has, so each line is measured as it
    // arrives.
    std::string pending;
    // Not cleared first: only what read() fills is looked at.
    constexpr size_t kReadBlock = 1 << 16;
    const auto block = std::make_unique_for_overwrite<char[]>(kReadBlock);
    int readError = 0;
    for (;;) {
        // What is measured goes out before waiting for more: a trip typed or piped
        // line by line sees each sentence at once, a file is written in large blocks.
        output.flush();
        const ssize_t n = ::read(input, block.get(), kReadBlock);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            readError = errno;
            break;
        }
        if (n == 0)
            break;
        std::string_view data(block.get(), static_cast<size_t>(n));
        if (!pending.empty()) {
            const size_t end = data.find('\n');
            if (end == std::string_view::npos) {
                pending.append(data);
                continue;
            }
            pending.append(data.substr(0, end + 1));
            takeLine(pending);
            pending.clear();
            data.remove_prefix(end + 1);
        }
        for (size_t end; (end = data.find('\n')) != std::string_view::npos;) {
            takeLine(data.substr(0, end + 1));
            data.remove_prefix(end + 1);
        }
        pending.assign(data);
    }
    if (readError == 0 && !pending.empty())
        takeLine(pending);
    if (input != STDIN_FILENO)
        ::close(input);
    if (ordering && readError == 0) {
        if (order.kind) {
            // Lines that cannot be measured keep their order after the others.
            std::vector<std::optional<planning::OrderPoint>> places;
            Row row;
            for (const auto& [line, number] : held) {
                row.read(line, number, numbers);
                const bool placed = row.numbers && std::fabs(*row.latitude) <= 90 &&
                                    std::fabs(*row.longitude) <= 180;
                places.push_back(placed ? std::optional(planning::OrderPoint{*row.latitude,
                                                                             *row.longitude})
                                        : std::nullopt);
            }
            try {
                const planning::TripPlan plan = planning::planTrip(
                    places, *order.kind, measureOptions.unit, measureOptions.model);
                std::vector<std::pair<std::string, long>> ordered;
                for (int i : plan.order)
                    ordered.push_back(std::move(held[static_cast<size_t>(i)]));
                held = std::move(ordered);
                printMessage("ambrevale-cli distance: %s\n",
                             planning::planNote(plan, measureOptions.unit).toLocal8Bit().constData());
            } catch (const RunTimeError& e) {
                printMessage("ambrevale-cli distance: the trip keeps its order: %s\n",
                             e.description().toLocal8Bit().constData());
                skipped = true;
            }
        }
        for (const auto& [line, number] : held)
            measureLine(line, number);
        if (order.roundTrip && held.size() > 1)
            measureLine(held.front().first, held.front().second);
    }
    if (!plain && readError == 0) {
        writer.finish(output.buffer());
        if (measureOptions.total && keep)
            sentences << QString::fromStdString(
                totalSentence(writer.total(), measureOptions.unit, numbers));
    }
    output.flush();
    if (readError != 0) {
        printMessage("ambrevale-cli distance: reading the trip failed: %s\n",
                     std::strerror(readError));
        return 2;
    }
    bool written = true;
    if (output.error() != 0) {
        printMessage("ambrevale-cli distance: cannot write the sentences to standard output: %s\n",
                     std::strerror(output.error()));
        written = false;
    }
    if (!options.textFile.isEmpty())
        written = exportTo(options.textFile, &writeTextExportFile, sentences) && written;
    if (!options.xlsxFile.isEmpty())
        written = exportTo(options.xlsxFile, &writeXlsxExportFile, sentences) && written;
    if (map) {
        // Plain runs are in miles and sum them themselves; others through the writer.
        const QString total =
            QStringLiteral("Total: %1 %2")
                .arg(
                    numbers.toText(modZipDistance::roundToCents(plain ? mapMiles : writer.total())),
                    unitWords(measureOptions.unit));
        written = writeTripMap("distance", options.mapFile, mapStops, total,
                                   measureOptions.course) && written;
    }
    return written && !skipped && platform.reportsShown() == 0 ? 0 : 1;
}

} // namespace amb::cli
