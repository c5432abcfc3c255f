// Time to draw the map of a 100-city trip: reading the land outlines beside the
// program, then the PNG and the SVG, each the best of a few runs.
#include "bench_support.h"
#include "route/land_outline.h"
#include "route/trip_map.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace amb::route;

namespace {

constexpr int kCities = 100;
constexpr int kRuns = 5;

double bestMs(const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, amb::bench::ms(timer));
    }
    return best;
}

void headline(const char* label, double ms) {
    std::printf("HEADLINE\t%s\t%.1f ms\n", label, ms);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString landFile =
        QStringLiteral(AMBREVALE_PROGRAM_DIR "/") + QString::fromLatin1(kLandFileName);
    QString error;
    std::optional<LandOutline> land;
    const double loadMs = bestMs([&] { land = loadLandOutline(landFile, &error); });
    if (!land) {
        std::fprintf(stderr, "bench_map: %s\n", qPrintable(error));
        return 1;
    }

    // A trip that wanders the world: fixed seed, so every run draws the same map.
    QRandomGenerator random(11);
    TripMap trip;
    for (int i = 0; i < kCities; ++i)
        trip.stops.push_back({QStringLiteral("City %1, Region, Country").arg(i + 1),
                              {random.bounded(140.0) - 60, random.bounded(360.0) - 180}});
    trip.total = QStringLiteral("Total: 512345.67 miles");

    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("trip.png"));
    const QString svg = dir.filePath(QStringLiteral("trip.svg"));
    const double pngMs = bestMs([&] { error = renderTripMap(trip, *land, png); });
    if (error.isEmpty()) {
        const double svgMs = bestMs([&] { error = renderTripMap(trip, *land, svg); });
        if (error.isEmpty()) {
            std::printf("land outlines: %zu rings; PNG %lld bytes, SVG %lld bytes\n",
                        land->rings.size(), QFileInfo(png).size(), QFileInfo(svg).size());
            headline("map: read the land outlines", loadMs);
            headline("map of a 100-city trip, PNG", pngMs);
            headline("map of a 100-city trip, SVG", svgMs);
            return 0;
        }
    }
    std::fprintf(stderr, "bench_map: %s\n", qPrintable(error));
    return 1;
}
