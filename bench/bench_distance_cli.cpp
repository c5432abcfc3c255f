// The command-line distance as a whole process: 1,000,000 legs of random
// coordinates as text in, sentences out to a file, against two external geodesic
// tools given the same legs. Each program runs BENCH_RUNS times (3), the programs in
// turn; the median wall time and its processor time are printed, with the tool's peak
// resident memory. BENCH_LEGS changes the number of legs for a quicker look.
#include "bench_support.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using amb::bench::Timing;

const long kLegs = qEnvironmentVariableIsSet("BENCH_LEGS")
                       ? qEnvironmentVariableIntValue("BENCH_LEGS")
                       : 1'000'000;
const int kRuns =
    qEnvironmentVariableIsSet("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 3;

struct Command {
    const char* label;
    std::vector<std::string> argv;
    const std::string* input;
    std::vector<std::string> env;
};

// Every command run BENCH_RUNS times, in turn, so that all meet the same load on the
// machine; the median run of each by wall time (none for a command that failed).
std::vector<Timing> measureInTurn(const std::vector<Command>& commands, const std::string& output) {
    std::vector<std::vector<Timing>> runs(commands.size());
    std::vector<bool> failed(commands.size(), false);
    for (int i = 0; i < kRuns; ++i)
        for (size_t c = 0; c < commands.size(); ++c) {
            if (failed[c])
                continue;
            const Command& command = commands[c];
            const Timing t =
                amb::bench::runProcess(command.argv, *command.input, output, command.env);
            if (t.exitCode != 0) {
                std::printf("  %-28s failed (exit %d)\n", command.label, t.exitCode);
                failed[c] = true;
            }
            runs[c].push_back(t);
        }
    std::vector<Timing> medians;
    for (size_t c = 0; c < commands.size(); ++c) {
        std::vector<Timing>& r = runs[c];
        if (failed[c]) {
            medians.push_back({});
            continue;
        }
        std::sort(r.begin(), r.end(), [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
        const Timing& median = r[r.size() / 2];
        std::printf("  %-28s median %.3f s wall (min %.3f, max %.3f), %.3f s processor, peak "
                    "%.1f MB\n",
                    commands[c].label, median.wall, r.front().wall, r.back().wall, median.cpu,
                    median.peakKiB / 1024.0);
        medians.push_back(median);
    }
    return medians;
}

std::string findProgram(const char* name, const char* package) {
    const QString path = QStandardPaths::findExecutable(QString::fromUtf8(name));
    if (path.isEmpty())
        std::printf("  %s is not installed (apt-get install %s)\n", name, package);
    return path.toStdString();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir work;
    const std::string trip = work.filePath(QStringLiteral("trip.txt")).toStdString();
    const std::string pairs = work.filePath(QStringLiteral("pairs.txt")).toStdString();
    const std::string output = work.filePath(QStringLiteral("out.txt")).toStdString();

    // kLegs + 1 trip rows, coordinates with 5 decimals as the gazetteer has them; the
    // peers get each leg as "lat1 lon1 lat2 lon2".
    {
        std::mt19937_64 random(20210831);
        std::uniform_real_distribution<double> latitude(-90, 90), longitude(-180, 180);
        std::FILE* tripFile = std::fopen(trip.c_str(), "w");
        std::FILE* pairsFile = std::fopen(pairs.c_str(), "w");
        if (!tripFile || !pairsFile) {
            std::fprintf(stderr, "cannot write into %s\n", qPrintable(work.path()));
            return 1;
        }
        char lat[32], lon[32], lastLat[32] = "", lastLon[32] = "";
        for (long k = 0; k <= kLegs; ++k) {
            std::snprintf(lat, sizeof lat, "%.5f", latitude(random));
            std::snprintf(lon, sizeof lon, "%.5f", longitude(random));
            std::fprintf(tripFile, "City %ld - Region %ld\t%s\t%s\n", k, k % 97, lat, lon);
            if (k > 0)
                std::fprintf(pairsFile, "%s %s %s %s\n", lastLat, lastLon, lat, lon);
            std::copy(lat, lat + sizeof lat, lastLat);
            std::copy(lon, lon + sizeof lon, lastLon);
        }
        std::fclose(tripFile);
        std::fclose(pairsFile);
    }

    const std::string tool = std::string(AMBREVALE_PROGRAM_DIR) + "/ambrevale-cli";
    std::printf("%ld legs of random coordinates, text in, sentences out to a file, whole "
                "processes, %d runs each:\n",
                kLegs, kRuns);
    std::vector<Command> commands = {
        {"ambrevale-cli distance", {tool, "distance"}, &trip, {"LC_ALL=C.UTF-8"}},
        {"ambrevale-cli distance ar_EG", {tool, "distance"}, &trip, {"LC_ALL=ar_EG.UTF-8"}}};
    const std::string geodPath = findProgram("geod", "proj-bin");
    if (!geodPath.empty())
        commands.push_back({"geod -I +ellps=WGS84", {geodPath, "-I", "+ellps=WGS84"}, &pairs, {}});
    const std::string geodSolvePath = findProgram("GeodSolve", "geographiclib-tools");
    if (!geodSolvePath.empty())
        commands.push_back({"GeodSolve -i", {geodSolvePath, "-i"}, &pairs, {}});
    const std::vector<Timing> medians = measureInTurn(commands, output);
    const Timing ours = medians[0];
    const Timing geod = geodPath.empty() ? Timing{} : medians[2];
    const Timing geodSolve = geodSolvePath.empty() ? Timing{} : medians.back();

    const QString legs = kLegs == 1'000'000 ? QStringLiteral("1M") : QString::number(kLegs);
    const auto headline = [&](const QString& label, const QString& value) {
        std::printf("HEADLINE\t%s\t%s\n", qPrintable(label), qPrintable(value));
    };
    const auto seconds = [](const Timing& t) {
        return QStringLiteral("%1 s (processor %2 s)").arg(t.wall, 0, 'f', 2).arg(t.cpu, 0, 'f', 2);
    };
    if (ours.wall < 0)
        return 1;
    headline(QStringLiteral("ambrevale-cli distance, %1 legs").arg(legs), seconds(ours));
    headline(QStringLiteral("ambrevale-cli distance peak memory, %1 legs").arg(legs),
             QStringLiteral("%1 MB").arg(ours.peakKiB / 1024.0, 0, 'f', 1));
    for (const auto& [name, peer] :
         {std::pair{"geod -I", geod}, std::pair{"GeodSolve -i", geodSolve}}) {
        if (peer.wall < 0)
            continue;
        headline(QStringLiteral("%1, %2 legs").arg(QString::fromUtf8(name), legs), seconds(peer));
        headline(QStringLiteral("ambrevale-cli distance speed vs %1").arg(QString::fromUtf8(name)),
                 QStringLiteral("%1x (processor %2x)")
                     .arg(peer.wall / ours.wall, 0, 'f', 2)
                     .arg(peer.cpu / ours.cpu, 0, 'f', 2));
    }
    return 0;
}
