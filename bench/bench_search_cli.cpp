// The command-line search as a whole process against the sqlite3 shell running the
// same statement: the same rows in the same order, output to /dev/null, the median
// of BENCH_RUNS runs (11) for each prefix, the two programs' runs taken in turn. The ratio is the tool's time over the
// shell's; the start-up of a process that does nothing is printed beside them.
#include "bench_support.h"
#include "lookup/city_database.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

using amb::bench::Timing;

const int kRuns =
    qEnvironmentVariableIsSet("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 11;

Timing median(std::vector<Timing>& runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
    return runs[runs.size() / 2];
}

// The medians of two commands run in turn, so that both meet the same load on the
// machine; a failed run fails its command.
std::pair<Timing, Timing> interleavedMedians(const std::vector<std::string>& first,
                                             const std::vector<std::string>& second) {
    std::vector<Timing> a, b;
    for (int i = 0; i < kRuns; ++i)
        for (auto [argv, runs] : {std::pair{&first, &a}, std::pair{&second, &b}}) {
            const Timing t = amb::bench::runProcess(*argv, "/dev/null", "/dev/null",
                                                    {"LC_ALL=C.UTF-8"});
            if (t.exitCode != 0)
                return {};
            runs->push_back(t);
        }
    return {median(a), median(b)};
}

// The search's statement with its values written in, for the shell, and its rows
// in the search list's stored order.
std::string shellStatement(const QString& prefix) {
    const amb::CityStatement statement = amb::cityStatement(prefix);
    QString sql = statement.sql;
    sql.replace(QLatin1String("SELECT AccentCity, Region"),
                QLatin1String("SELECT AccentCity || ' - ' || IFNULL(Region, '')"));
    for (const QVariant& value : statement.values)
        sql.replace(sql.indexOf(QLatin1Char('?')), 1,
                    QLatin1Char('\'') +
                        value.toString().replace(QLatin1Char('\''), QLatin1String("''")) +
                        QLatin1Char('\''));
    return (sql + QLatin1String(" ORDER BY rowid")).toStdString();
}

QByteArray lines(const QString& path, int column) {
    QFile file(path);
    QByteArray texts;
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray& line : file.readAll().split('\n'))
            texts += line.split('\t').value(column) + '\n';
    return texts;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const std::string tool = std::string(AMBREVALE_PROGRAM_DIR) + "/ambrevale-cli";
    const std::string database = std::string(AMBREVALE_PROGRAM_DIR) + "/dbCities.sqlite";
    const std::string shell =
        QStandardPaths::findExecutable(QStringLiteral("sqlite3")).toStdString();
    if (shell.empty()) {
        std::printf("sqlite3 is not installed (scripts/setup.sh installs it)\n");
        return 1;
    }
    QTemporaryDir work;
    const QString ourFile = work.filePath(QStringLiteral("ours.txt"));
    const QString shellFile = work.filePath(QStringLiteral("shell.txt"));

    std::printf("search as a whole process against the sqlite3 shell, median of %d runs, "
                "output to /dev/null:\n",
                kRuns);
    // Start-up: the front alone (a search that finds nothing), and with the whole tool
    // it hands other commands to (the search's help).
    const auto [quickStart, wholeStart] =
        interleavedMedians({tool, "search", "qqqqq", "--database", database},
                           {tool, "search", "--help"});
    std::printf("  %-8s %8s %8s %7s %8s\n", "prefix", "tool ms", "shell ms", "ratio", "rows");
    for (const char* prefix : {"fiore", "lon", "a", "san", "%"}) {
        const std::vector<std::string> ours = {tool, "search", prefix, "--database", database};
        const std::vector<std::string> theirs = {
            shell, "-readonly", "-separator",
            "\t",  database,    shellStatement(QString::fromUtf8(prefix))};
        // The same rows in the same order, checked once by their texts.
        amb::bench::runProcess(ours, "/dev/null", ourFile.toStdString(), {"LC_ALL=C.UTF-8"});
        amb::bench::runProcess(theirs, "/dev/null", shellFile.toStdString(), {"LC_ALL=C.UTF-8"});
        const QByteArray texts = lines(ourFile, 0);
        const bool same = texts == lines(shellFile, 0);
        const auto [a, b] = interleavedMedians(ours, theirs);
        if (a.wall < 0 || b.wall < 0) {
            std::printf("  %-8s failed\n", prefix);
            continue;
        }
        std::printf("  %-8s %8.1f %8.1f %6.2fx %8lld%s\n", prefix, a.wall * 1e3, b.wall * 1e3,
                    a.wall / b.wall, static_cast<long long>(texts.count('\n') - 1),
                    same ? "" : "  (rows differ)");
        std::printf("HEADLINE\tsearch \"%s\" vs sqlite3 shell\t%.1f ms vs %.1f ms: %.2fx\n", prefix,
                    a.wall * 1e3, b.wall * 1e3, a.wall / b.wall);
    }
    std::printf("  (start-up: a search that finds nothing %.1f ms; with the whole tool, search "
                "--help, %.1f ms)\n",
                quickStart.wall * 1e3, wholeStart.wall * 1e3);
    std::printf("HEADLINE\tambrevale-cli start-up (a search that finds nothing)\t%.1f ms\n",
                quickStart.wall * 1e3);
    std::printf("HEADLINE\tambrevale-cli start-up of the whole tool (search --help)\t%.1f ms\n",
                wholeStart.wall * 1e3);
    return 0;
}
