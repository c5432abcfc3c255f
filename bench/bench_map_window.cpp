// The window's new work: the map window's first paint for a 100-city trip and the
// frame time of zooming and panning it, and a distance run of 100,000 legs in
// kilometres against the same run in miles.
#include "app/form1.h"
#include "bench_support.h"
#include "route/map_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>

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
        Form1 form(platform);
        fillTrip(form, 100);
        QElapsedTimer timer;
        timer.start();
        route::MapWindow::sharedLand(nullptr); // once per program run
        headline("land file read and prepared (once per run)", bench::ms(timer), "ms");
        timer.restart();
        form.ShowTripOnMap_Click();
        auto& map = static_cast<route::MapWindow&>(*form.MapWindow1);
        map.resize(1000, 700);
        map.grab(); // the first paint
        headline("map window opened and first painted, 100 cities", bench::ms(timer), "ms");
        constexpr int kFrames = 60;
        route::MapCanvas& canvas = *map.canvas;
        const QPointF middle(canvas.width() / 2.0, canvas.height() / 2.0);
        timer.restart();
        for (int i = 0; i < kFrames; ++i) {
            canvas.zoom(i < kFrames / 2 ? 1.1 : 1 / 1.1, middle + QPointF(i, -i));
            canvas.grab();
        }
        const double zoomMs = bench::ms(timer) / kFrames;
        timer.restart();
        for (int i = 0; i < kFrames; ++i) {
            canvas.pan(QPointF(i % 2 ? 13 : -11, 7));
            canvas.grab();
        }
        const double panMs = bench::ms(timer) / kFrames;
        headline("map zoom frame", zoomMs, "ms");
        headline("map pan frame", panMs, "ms");
        std::printf("HEADLINE\tmap frames per second (zoom, pan)\t%.0f, %.0f\n", 1000 / zoomMs,
                    1000 / panMs);
    }
    for (const char* unit : {"mi", "km"}) {
        Form1 form(platform);
        form.ListView2->addColumn(QStringLiteral("Results"));
        fillTrip(form, 100001);
        form.measureChoice.unit = QString::fromLatin1(unit);
        QElapsedTimer timer;
        timer.start();
        form.PushButton17_Click();
        std::printf("HEADLINE\tdistance run, 100000 legs, %s\t%.0f ms\n", unit, bench::ms(timer));
    }
    return 0;
}
