#include "route/map_window.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/locale_numbers.h"
#include "app/main_module.h"
#include "app/save_name.h"
#include "app/settings.h"
#include "distance/leg_measure.h"
#include "distance/zip_distance.h"
#include "route/map_place.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <cmath>

namespace amb::route {

// ---- the window ----

std::shared_ptr<const LandPicture> MapWindow::sharedLand(QString* error) {
    static std::shared_ptr<const LandPicture> land;
    static QString loadError;
    if (!land) {
        // Beside the program, where the tool finds it too.
        std::optional<LandOutline> outline = loadLandOutline(
            programFolder() + QLatin1Char('/') + QLatin1String(kLandFileName), &loadError);
        land = std::make_shared<const LandPicture>(outline ? *outline : LandOutline{});
    }
    if (error)
        *error = loadError;
    return land;
}

MapWindow::MapWindow(Form1& form) : QWidget(nullptr, Qt::Window), form_(form) {
    setObjectName(QStringLiteral("MapWindow1"));
    setWindowTitle(QStringLiteral("Ambrevale – Map"));
    setAccessibleName(QStringLiteral("Ambrevale – Map"));
    setWindowIcon(form.windowIcon());
    canvas = new MapCanvas(this);
    const auto button = [this](const char* name, const char* caption, const char* accessible,
                               const char* description) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAccessibleName(QString::fromUtf8(accessible));
        b->setAccessibleDescription(QString::fromUtf8(description));
        b->setAutoDefault(false);
        return b;
    };
    zoomInButton = button("PushButtonZoomIn", "+", "Zoom in", "Shows the middle of the map larger.");
    zoomOutButton = button("PushButtonZoomOut", "−", "Zoom out", "Shows more of the world.");
    fitButton = button("PushButtonFit", "Fit", "Fit", "Frames the whole trip.");
    saveButton = button("PushButtonSaveMap", "Save Map As…", "Save Map As",
                        "Writes the map as shown to a PNG or SVG file.");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(zoomInButton);
    buttons->addWidget(zoomOutButton);
    buttons->addWidget(fitButton);
    buttons->addStretch(1);
    buttons->addWidget(saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(canvas, 1);
    layout->addLayout(buttons);
    setTabOrder(canvas, zoomInButton);
    setTabOrder(zoomInButton, zoomOutButton);
    setTabOrder(zoomOutButton, fitButton);
    setTabOrder(fitButton, saveButton);

    const auto middle = [this] { return QPointF(canvas->width() / 2.0, canvas->height() / 2.0); };
    connect(zoomInButton, &QPushButton::clicked, this,
            [this, middle] { canvas->zoom(1.25, middle()); });
    connect(zoomOutButton, &QPushButton::clicked, this,
            [this, middle] { canvas->zoom(1 / 1.25, middle()); });
    connect(fitButton, &QPushButton::clicked, canvas, &MapCanvas::fit);
    connect(saveButton, &QPushButton::clicked, this, &MapWindow::saveMapAs);
    connect(canvas, &MapCanvas::cityClicked, this, [this](int item) {
        ListView& trip = *form_.ListView3;
        if (item >= 1 && item <= trip.count()) {
            trip.select(item);
            trip.ensureVisible(item);
        }
    });

    // The map follows the trip list, whatever changes it.
    ListModel* model = &form.ListView3->model();
    const auto follow = [this] { followTrip(true); };
    connect(model, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(model, &QAbstractItemModel::modelReset, this, follow);
    connect(model, &QAbstractItemModel::dataChanged, this, follow);
    connect(model, &QAbstractItemModel::layoutChanged, this, follow);

    QString landError;
    canvas->setLand(sharedLand(&landError));
    if (!landError.isEmpty())
        canvas->setToolTip(landError);

    restoreKeptPlace(*this, form.platform().readSetting(kSettingsApplication, kSettingsSection,
                                                        kMapWindowValue, QString()));
    followTrip(true);
}

void MapWindow::refresh() {
    followTrip(false);
}

void MapWindow::followTrip(bool refit) {
    const ListView& list = *form_.ListView3;
    const LocaleNumbers& numbers = LocaleNumbers::current();
    TripMap trip;
    trip.attribution = QStringLiteral("Cities: GeoNames (CC BY 4.0) · Land: Natural Earth");
    trip.courseArrows = form_.measureChoice.courseInEachLine;
    std::vector<int> items;
    const int n = list.count();
    for (int i = 1; i <= n; ++i) {
        const auto lat = numbers.fromText(list.subItem(i, 1));
        const auto lon = numbers.fromText(list.subItem(i, 2));
        // An entry without a place cannot be drawn; the others still are.
        if (!lat || !lon || std::fabs(*lat) > 90 || std::fabs(*lon) > 180)
            continue;
        trip.stops.push_back({list.text(i), {*lat, *lon}});
        items.push_back(i);
    }
    if (trip.stops.size() > 1) {
        const DistanceUnit unit =
            parseDistanceUnit(form_.measureChoice.unit).value_or(DistanceUnit::StatuteMiles);
        const EarthModel model =
            parseEarthModel(form_.measureChoice.model).value_or(EarthModel::Sphere);
        try {
            double total = 0;
            for (size_t i = 1; i < trip.stops.size(); ++i) {
                const MapStop& a = trip.stops[i - 1];
                const MapStop& b = trip.stops[i];
                if (a.label != b.label)
                    total += legDistance(a.at.lat, a.at.lon, b.at.lat, b.at.lon, unit, model);
            }
            trip.total = QStringLiteral("Total: %1 %2")
                             .arg(numbers.toText(modZipDistance::roundToCents(total)),
                                  unitSymbol(unit));
        } catch (const RunTimeError&) {
            // A leg that cannot be measured: the map shows no total rather than a wrong one.
        }
    }
    canvas->setTrip(std::move(trip), std::move(items));
    if (refit)
        canvas->fit();
}

QString MapWindow::saveMap(const QString& file) const {
    TripMap trip = canvas->trip();
    trip.size = canvas->size();
    return renderTripMap(trip, *sharedLand(nullptr), canvas->frame(), file);
}

void MapWindow::saveMapAs() {
    Platform& platform = form_.platform();
    ErrorReport report(platform, QStringLiteral("MapWindow1.SaveMapAs_Click"));
    QString file;
    int type = -1;
    report(100, [&] {
        file = platform.saveFileNameOfType(QStringLiteral("Save Map As"),
                                           QStringLiteral("PNG picture|*.png|SVG drawing|*.svg|"),
                                           QStringLiteral("map.png"), type);
    });
    if (file.isEmpty())
        return;
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
        file = savedNameWithSuffix(platform, file,
                                   type == 1 ? QStringLiteral("svg") : QStringLiteral("png"));
    if (file.isEmpty())
        return;
    const QString error = saveMap(file);
    if (!error.isEmpty())
        platform.messageBox(error, applicationTitle(), mb::OkOnly | mb::Exclamation);
}

void MapWindow::keepPlace() {
    ErrorReport report(form_.platform(), QStringLiteral("MapWindow1.Form_QueryUnload"));
    report(100, [&] {
        form_.platform().writeSetting(kSettingsApplication, kSettingsSection, kMapWindowValue,
                                      keptPlace(*this));
    });
}

void MapWindow::closeEvent(QCloseEvent* event) {
    event->accept();
}

void MapWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MapWindow::hideEvent(QHideEvent* event) {
    // Closed by the user or with the main window: either way it is hidden first.
    if (!event->spontaneous())
        keepPlace();
    QWidget::hideEvent(event);
}

} // namespace amb::route

// ---- the commands that open it ----

namespace amb {

namespace {
route::MapWindow& mapWindowOf(Form1& form) {
    if (!form.MapWindow1)
        form.MapWindow1 = std::make_unique<route::MapWindow>(form);
    return static_cast<route::MapWindow&>(*form.MapWindow1);
}

void bringUp(QWidget& window) {
    window.show();
    window.raise();
    window.activateWindow();
}
} // namespace

void Form1::ShowTripOnMap_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.ShowTripOnMap_Click"));
    report(100, [&] {
        // A new window has just read the trip list; one opened before reads it again.
        const bool opened = MapWindow1 != nullptr;
        route::MapWindow& map = mapWindowOf(*this);
        map.canvas->setMark(std::nullopt);
        if (opened)
            map.followTrip(true);
        bringUp(map);
    });
}

void Form1::ShowOnMap_Click() {
    ErrorReport report(platform_, QStringLiteral("Form1.ShowOnMap_Click"));
    report(100, [&] {
        const int item = ListView1->selectedIndex();
        const double latitude = modZipDistance::coordinateFromText(ListView1->subItem(item, 1));
        const double longitude = modZipDistance::coordinateFromText(ListView1->subItem(item, 2));
        route::MapWindow& map = mapWindowOf(*this);
        bringUp(map);
        map.canvas->setMark(route::MapStop{ListView1->text(item), {latitude, longitude}});
        map.canvas->centreOn({latitude, longitude}, 12);
    });
}

} // namespace amb
