// Distance benchmark: GetDistance throughput on 1,000,000 random pairs, the same
// pairs through two external geodesic tools as peers, and the wall time of the
// distance run over a 10,000-row trip list in the real window (offscreen).
// BENCH_PAIRS and BENCH_ROWS change the two sizes for a quicker look.
#include "app/form1.h"
#include "app/qt_platform.h"
#include "distance/zip_distance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>
#include <sys/resource.h>
#include <vector>

using namespace amb;

namespace {

const int kPairs = qEnvironmentVariableIsSet("BENCH_PAIRS")
                       ? qEnvironmentVariableIntValue("BENCH_PAIRS")
                       : 1'000'000;
const int kTripRows =
    qEnvironmentVariableIsSet("BENCH_ROWS") ? qEnvironmentVariableIntValue("BENCH_ROWS") : 10'000;
constexpr int kWindowRuns = 3;

struct Pair {
    double lat1, lat2, lon1, lon2;
};

// The window's platform with message boxes answered at once.
class BenchPlatform : public QtPlatform {
public:
    int messageBox(const QString& text, const QString&, int) override {
        lastBox = text;
        ++boxes;
        return mb::AnswerOk;
    }
    QString lastBox;
    int boxes = 0;
};

std::vector<Pair> randomPairs(int count) {
    std::mt19937_64 random(20210831);
    std::uniform_real_distribution<double> latitude(-90, 90), longitude(-180, 180);
    std::vector<Pair> pairs(static_cast<size_t>(count));
    for (Pair& p : pairs)
        p = {latitude(random), latitude(random), longitude(random), longitude(random)};
    return pairs;
}

struct Peer {
    const char* program;
    QStringList args;
    const char* package;
};

// Runs a peer over the pairs file; returns its seconds, or a negative value.
double timePeer(const Peer& peer, const QString& pairsFile) {
    const QString path = QStandardPaths::findExecutable(QString::fromUtf8(peer.program));
    if (path.isEmpty()) {
        std::printf("  %-10s not installed (apt-get install %s)\n", peer.program, peer.package);
        return -1;
    }
    QProcess process;
    process.setStandardInputFile(pairsFile);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(path, peer.args);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        std::printf("  %-10s failed: %s\n", peer.program,
                    process.readAllStandardError().constData());
        return -1;
    }
    return timer.nsecsElapsed() / 1e9;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Keep the user's own saved trip list out of the window's start-up.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    BenchPlatform platform;

    const std::vector<Pair> pairs = randomPairs(kPairs);
    const QString first = QStringLiteral("Kestrel Bay - 01"),
                  second = QStringLiteral("Marrow - 02");

    // GetDistance: the whole sentence, as the run asks for it.
    QElapsedTimer timer;
    timer.start();
    qsizetype characters = 0;
    for (const Pair& p : pairs)
        characters +=
            modZipDistance::GetDistance(platform, first, second, p.lat1, p.lat2, p.lon1, p.lon2)
                .size();
    const double sentenceSeconds = timer.nsecsElapsed() / 1e9;

    // calculate_mileage alone: the checked arithmetic without the sentence.
    timer.restart();
    double total = 0;
    for (const Pair& p : pairs)
        total += modZipDistance::calculate_mileage(p.lat1, p.lat2, p.lon1, p.lon2);
    const double mileageSeconds = timer.nsecsElapsed() / 1e9;

    const double ours = kPairs / sentenceSeconds;
    std::printf("%d random pairs (seed 20210831), %d error reports\n", kPairs, platform.boxes);
    std::printf("  GetDistance        %12.0f pairs/s  (%.3f s, %lld characters)\n", ours,
                sentenceSeconds, static_cast<long long>(characters));
    std::printf("  calculate_mileage  %12.0f pairs/s  (%.3f s, mean %.2f miles)\n",
                kPairs / mileageSeconds, mileageSeconds, total / kPairs);
    std::printf("HEADLINE\tGetDistance sentences\t%.0f pairs/s\n", ours);

    // The same pairs through the peers, "lat1 lon1 lat2 lon2" per line.
    QTemporaryDir work;
    const QString pairsFile = work.filePath(QStringLiteral("pairs.txt"));
    {
        QFile file(pairsFile);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(pairsFile));
            return 1;
        }
        char line[128];
        for (const Pair& p : pairs) {
            const int n = std::snprintf(line, sizeof line, "%.10f %.10f %.10f %.10f\n", p.lat1,
                                        p.lon1, p.lat2, p.lon2);
            file.write(line, n);
        }
    }
    std::printf("external peers on the same pairs (ellipsoid, whole process timed):\n");
    const Peer peers[] = {
        {"GeodSolve", {QStringLiteral("-i")}, "geographiclib-tools"},
        {"geod",
         {QStringLiteral("+ellps=WGS84"), QStringLiteral("+units=mi"), QStringLiteral("-I"),
          QStringLiteral("-f"), QStringLiteral("%.6f")},
         "proj-bin"},
    };
    for (const Peer& peer : peers) {
        const double seconds = timePeer(peer, pairsFile);
        if (seconds > 0)
            std::printf("  %-10s %12.0f pairs/s  (%.3f s); GetDistance is %.2fx its rate\n",
                        peer.program, kPairs / seconds, seconds, ours / (kPairs / seconds));
    }

    // The distance run in the window over a long trip list: once shown, so every
    // pending-events call repaints what changed, and once hidden, which leaves the
    // run's own work.
    Form1 form(platform);
    platform.attachWindow(&form);
    form.Form_Load();
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    for (int k = 0; k < kTripRows; ++k) {
        const Pair& p = pairs[static_cast<size_t>(k) % pairs.size()];
        const int item = form.ListView3->add(QStringLiteral("City %1 - Region").arg(k));
        form.ListView3->setSubItem(item, 1, locale.toString(p.lat1, 'g', 15));
        form.ListView3->setSubItem(item, 2, locale.toString(p.lon1, 'g', 15));
    }
    for (const bool shown : {true, false}) {
        form.setVisible(shown);
        QCoreApplication::processEvents();
        std::vector<double> runs;
        double cpu = 0;
        for (int run = 0; run < kWindowRuns; ++run) {
            platform.boxes = 0;
            const double cpuBefore = cpuSeconds();
            timer.restart();
            form.PushButton17_Click();
            runs.push_back(timer.nsecsElapsed() / 1e6);
            cpu += cpuSeconds() - cpuBefore;
            if (form.ListView2->count() != kTripRows - 1 ||
                platform.lastBox != QStringLiteral("Done.") || platform.boxes != 1) {
                std::fprintf(stderr,
                             "the run did not complete cleanly: %d lines, %d boxes, last \"%s\"\n",
                             form.ListView2->count(), platform.boxes, qPrintable(platform.lastBox));
                return 1;
            }
        }
        std::printf("distance run over %d trip rows, window %s (offscreen): median %.0f ms "
                    "(min %.0f, max %.0f, %d runs), %.1f us per row, processor %.0f ms per run\n",
                    kTripRows, shown ? "shown " : "hidden", median(runs),
                    *std::min_element(runs.begin(), runs.end()),
                    *std::max_element(runs.begin(), runs.end()), kWindowRuns,
                    median(runs) * 1000 / kTripRows, cpu * 1000 / kWindowRuns);
        std::printf("HEADLINE\tdistance run over %d trip rows, window %s (median)\t%.0f ms\n",
                    kTripRows, shown ? "shown" : "hidden", median(runs));
    }
    return 0;
}
