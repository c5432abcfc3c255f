// The window's new work: the map window's first paint for a 100-city trip and the
// frame time of zooming and panning it, and a distance run of 100,000 legs in
// kilometres against the same run in miles (median of BENCH_RUNS runs, 3).
#include "app/form1.h"
#include "bench_support.h"
#include "route/map_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

using namespace amb;

namespace {

// Answers every box at once and lets nothing wait.
class QuietPlatform : public Platform {
public:
    int messageBox(const QString&, const QString&, int) override { return mb::AnswerOk; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
    void clipboardClear() override {}
    void clipboardSetText(const QString&) override {}
    QString readSetting(const QString&, const QString&, const QString&,
                        const QString& defaultValue) override {
        return defaultValue;
    }
    void writeSetting(const QString&, const QString&, const QString&, const QString&) override {}
    std::unique_ptr<SpreadsheetApp> createSpreadsheetApp() override { return nullptr; }
    void doEvents() override {}
    int mousePointer() const override { return 0; }
    void setMousePointer(int) override {}
    void setMouseIcon(std::optional<QCursor>) override {}
};

void fillTrip(Form1& form, int cities) {
    QRandomGenerator random(7);
    std::vector<ListModel::Row> rows;
    for (int i = 0; i < cities; ++i) {
        const QString text = QStringLiteral("City %1 - Region").arg(i);
        const QString lat = QString::number(random.bounded(130.0) - 60.0, 'f', 4);
        const QString lon = QString::number(random.bounded(360.0) - 180.0, 'f', 4);
        rows.emplace_back(QString(text + lat + lon), text.size(), lat.size());
    }
    form.ListView3->addRows(std::move(rows));
}

// This thread's processor time in milliseconds: on a busy machine the wall time of
// a frame includes waiting for a processor; this does not.
double threadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void headline(const char* label, double value, const char* unit) {
    std::printf("HEADLINE\t%s\t%.1f %s\n", label, value, unit);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("AMBREVALE_PROGRAM_DIR"))
        qputenv("AMBREVALE_PROGRAM_DIR", AMBREVALE_PROGRAM_DIR); // the land file
    QApplication app(argc, argv);
    QuietPlatform platform;
    if (argc == 3 && qstrcmp(argv[1], "--picture") == 0) {
        // The README's picture of the map window: a trip of five cities.
        Form1 form(platform);
        const char* trip[][3] = {{"Lisbon - Lisbon, Portugal", "38.7167", "-9.1333"},
                                 {"Reykjavik - Capital Region, Iceland", "64.1355", "-21.8954"},
                                 {"New York City - New York, United States", "40.7143", "-74.006"},
                                 {"Havana - La Habana, Cuba", "23.133", "-82.383"},
                                 {"Dakar - Dakar, Senegal", "14.6937", "-17.4441"}};
        for (const auto& [text, lat, lon] : trip) {
            const int i = form.ListView3->add(QString::fromUtf8(text));
            form.ListView3->setSubItem(i, 1, QString::fromLatin1(lat));
            form.ListView3->setSubItem(i, 2, QString::fromLatin1(lon));
        }
        form.measureChoice.unit = QStringLiteral("km");
        form.ShowTripOnMap_Click();
        form.MapWindow1->resize(900, 560);
        form.MapWindow1->grab().save(QString::fromLocal8Bit(argv[2]));
        return 0;
    }
    {
        // The first opening in a program run reads the land file too; a second
        // opening finds it read.
        Form1 form(platform);
        fillTrip(form, 100);
        QElapsedTimer timer;
        timer.start();
        form.ShowTripOnMap_Click();
        auto& map = static_cast<route::MapWindow&>(*form.MapWindow1);
        map.resize(1000, 700);
        map.grab(); // the first paint
        const double firstMs = bench::ms(timer);
        map.close();
        form.MapWindow1.reset();
        timer.restart();
        form.ShowTripOnMap_Click();
        auto& again = static_cast<route::MapWindow&>(*form.MapWindow1);
        again.resize(1000, 700);
        again.grab();
        const double againMs = bench::ms(timer);
        std::printf("map window for a 100-city trip, opened and first painted: %.1f ms the first "
                    "time in a run (the land file read), %.1f ms again\n",
                    firstMs, againMs);
        headline("map window opened and first painted, 100 cities", firstMs, "ms");

        constexpr int kFrames = 60;
        route::MapCanvas& canvas = *again.canvas;
        const QPointF middle(canvas.width() / 2.0, canvas.height() / 2.0);
        timer.restart();
        double cpu = threadCpuMs();
        for (int i = 0; i < kFrames; ++i) {
            canvas.zoom(i < kFrames / 2 ? 1.1 : 1 / 1.1, middle + QPointF(i, -i));
            canvas.grab();
        }
        const double zoomMs = bench::ms(timer) / kFrames;
        const double zoomCpuMs = (threadCpuMs() - cpu) / kFrames;
        // A drag: a step of a few pixels per frame, as the pointer reports them.
        timer.restart();
        cpu = threadCpuMs();
        for (int i = 0; i < kFrames; ++i) {
            canvas.pan(QPointF(i % 2 ? 13 : -11, 7));
            canvas.grab();
        }
        const double panMs = bench::ms(timer) / kFrames;
        const double panCpuMs = (threadCpuMs() - cpu) / kFrames;
        timer.restart();
        canvas.comeToRest();
        canvas.grab();
        const double restMs = bench::ms(timer);
        std::printf("map frames: zoom %.1f ms (processor %.1f ms), pan %.1f ms (processor %.1f "
                    "ms), the exact frame once the map rests %.1f ms\n",
                    zoomMs, zoomCpuMs, panMs, panCpuMs, restMs);
        headline("map zoom frame", zoomMs, "ms");
        headline("map pan frame", panMs, "ms");
        std::printf("HEADLINE\tmap frames per second (zoom, pan)\t%.0f, %.0f\n", 1000 / zoomMs,
                    1000 / panMs);
    }
    // Each unit runs BENCH_RUNS times (3), taking turns, so a busy moment of the
    // machine falls on both; the medians of the wall and the processor time are
    // printed.
    const int runs =
        qEnvironmentVariableIsSet("BENCH_RUNS") ? qEnvironmentVariableIntValue("BENCH_RUNS") : 3;
    const char* const units[] = {"mi", "km"};
    std::vector<double> wall[2], processor[2];
    for (int run = 0; run < runs; ++run) {
        for (int u = 0; u < 2; ++u) {
            Form1 form(platform);
            form.ListView2->addColumn(QStringLiteral("Results"));
            fillTrip(form, 100001);
            form.measureChoice.unit = QString::fromLatin1(units[u]);
            QElapsedTimer timer;
            timer.start();
            const double cpu = threadCpuMs();
            form.PushButton17_Click();
            wall[u].push_back(bench::ms(timer));
            processor[u].push_back(threadCpuMs() - cpu);
        }
    }
    const auto median = [](std::vector<double>& values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    double wallMs[2], processorMs[2];
    for (int u = 0; u < 2; ++u) {
        wallMs[u] = median(wall[u]);
        processorMs[u] = median(processor[u]);
        std::printf("distance run, 100000 legs, %s: %.0f ms (processor %.0f ms)\n", units[u],
                    wallMs[u], processorMs[u]);
        std::printf("HEADLINE\tdistance run, 100000 legs, %s\t%.0f ms\n", units[u], wallMs[u]);
    }
    std::printf("distance run, km against mi: %.2f (processor %.2f)\n", wallMs[1] / wallMs[0],
                processorMs[1] / processorMs[0]);
    std::printf("HEADLINE\tdistance run, 100000 legs, km against mi\t%.2f\n",
                wallMs[1] / wallMs[0]);
    return 0;
}
