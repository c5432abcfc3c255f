// The tool's command-line options, as argument vectors: the input is the arguments
// separated by NUL bytes, read the way the measuring commands read theirs. Every
// option is taken with at most its one value, or refused with a message, or left to
// the command; a map file taken is one the tool can draw.
#include "fuzz_support.h"

#include "cli/measure_options.h"
#include "cli/trip_map_option.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    // Which of the shared options the command knows, as each command lists its own.
    const uint8_t known = input.byte();
    static const QString names[] = {QStringLiteral("--unit"), QStringLiteral("--model"),
                                    QStringLiteral("--format"), QStringLiteral("--total"),
                                    QStringLiteral("--course")};
    QStringList allowed;
    for (int i = 0; i < 5; ++i)
        if (known & (1 << i))
            allowed << names[i];

    // Split with find, not byte by byte: the harness's own loop is not what is tested.
    std::vector<std::string> words;
    for (std::string_view rest = input.rest();;) {
        const size_t end = rest.find('\0');
        words.emplace_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    QStringList args;
    for (const std::string& w : words)
        args << QString::fromUtf8(w.data(), static_cast<qsizetype>(w.size()));

    amb::MeasureOptions options;
    QString textFile, xlsxFile, mapFile;
    bool refused = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const qsizetype at = i;
        QString error;
        bool taken = amb::cli::takeMeasureOption(args, i, allowed, options, error);
        if (!taken)
            taken = amb::cli::takeFileOption(args, i,
                                             {{QLatin1StringView("--text-file"), &textFile},
                                              {QLatin1StringView("--xlsx"), &xlsxFile},
                                              {QLatin1StringView("--map"), &mapFile}},
                                             error);
        if (i < at || i > at + 1 || (!taken && !error.isEmpty()))
            std::abort(); // lost its place among the arguments
        if (taken && !error.isEmpty()) {
            refused = true; // the command stops at the first bad option
            break;
        }
    }
    if (!refused && !mapFile.isEmpty() && !amb::cli::isMapFileName(mapFile))
        std::abort(); // a map the tool cannot draw was taken

    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    amb::cli::wantsMap(static_cast<int>(words.size()), argv.data());
    return 0;
}
