#include "route/map_window.h"

#include "app/error_report.h"
#include "app/form1.h"
#include "app/locale_numbers.h"
#include "app/main_module.h"
#include "app/settings.h"
#include "distance/leg_measure.h"
#include "distance/zip_distance.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

namespace amb::route {

namespace {

constexpr double kZoomStep = 1.25;
constexpr double kClickRadius = 9; // pixels around a city's dot
constexpr double kNarrowestSpan = 0.02; // degrees: closer than a street map is no use
constexpr double kWidestSpan = 720;
constexpr int kRestMs = 150; // no step for this long: the map rests and is drawn exactly

// The frame moved by whole turns so its west edge lies within [-180, 180).
void normalise(MapFrame& frame) {
    const double turns = std::floor((frame.west + 180) / 360);
    frame.west -= 360 * turns;
    frame.east -= 360 * turns;
    // The middle of the picture stays on the globe.
    const double middle = (frame.south + frame.north) / 2;
    const double shift = std::clamp(middle, -90.0, 90.0) - middle;
    frame.south += shift;
    frame.north += shift;
}

// `frame` moved so that its picture moves by `pixels` on a picture of `size`.
MapFrame movedBy(MapFrame frame, QSize size, QPointF pixels) {
    const GeoPoint from = mapLocation(frame, size, QPointF(0, 0));
    const GeoPoint to = mapLocation(frame, size, pixels);
    frame.west += from.lon - to.lon;
    frame.east += from.lon - to.lon;
    frame.south += from.lat - to.lat;
    frame.north += from.lat - to.lat;
    return frame;
}

bool sameScale(const MapFrame& a, const MapFrame& b) {
    const auto near = [](double x, double y) { return std::fabs(x - y) <= 1e-9 * std::fabs(y); };
    return near(a.east - a.west, b.east - b.west) && near(a.north - a.south, b.north - b.south) &&
           a.xScale == b.xScale;
}

const LandPicture& noLand() {
    static const LandPicture none{LandOutline{}};
    return none;
}

} // namespace

MapCanvas::MapCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MapCanvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 200);
    setMouseTracking(false);
    setAccessibleName(QStringLiteral("Trip map"));
    setAccessibleDescription(QStringLiteral(
        "The trip's legs on a world map. Plus and minus zoom, the arrow keys pan, Home fits "
        "the trip; click a city, or press Page Down or Page Up, to select it in the trip "
        "list."));
    restTimer_.setSingleShot(true);
    restTimer_.setInterval(kRestMs);
    connect(&restTimer_, &QTimer::timeout, this, &MapCanvas::comeToRest);
}

void MapCanvas::redraw() {
    sceneValid_ = false;
    update();
}

void MapCanvas::comeToRest() {
    restTimer_.stop();
    if (!moving_)
        return;
    moving_ = false;
    redraw();
}

void MapCanvas::setTrip(TripMap trip, std::vector<int> items) {
    trip_ = std::move(trip);
    items_ = std::move(items);
    keyboardCity_ = -1;
    paths_ = tripLegPaths(trip_);
    redraw();
}

void MapCanvas::setLand(std::shared_ptr<const LandPicture> land) {
    land_ = std::move(land);
    redraw();
}

void MapCanvas::fit() {
    // Around the legs as traced for drawing: tracing them again would cost as much.
    frame_ = trip_.stops.empty() ? MapFrame{} : legPathsFrame(paths_, size());
    fitted_ = true;
    redraw();
}

void MapCanvas::zoom(double factor, QPointF around) {
    // The point under `around` stays there: every edge moves towards it.
    const GeoPoint at = mapLocation(frame_, size(), around);
    const double span = (frame_.east - frame_.west) / factor;
    if (span < kNarrowestSpan || span > kWidestSpan)
        return;
    frame_.west = at.lon - (at.lon - frame_.west) / factor;
    frame_.east = at.lon + (frame_.east - at.lon) / factor;
    frame_.south = at.lat - (at.lat - frame_.south) / factor;
    frame_.north = at.lat + (frame_.north - at.lat) / factor;
    normalise(frame_);
    redraw();
}

void MapCanvas::pan(QPointF pixels) {
    frame_ = movedBy(frame_, size(), pixels);
    normalise(frame_);
    moving_ = true;
    restTimer_.start();
    update();
}

void MapCanvas::centreOn(GeoPoint point, double spanDegrees) {
    const double aspect = height() > 0 ? double(width()) / height() : 1.6;
    frame_.xScale = std::clamp(std::cos(point.lat * 3.14159265358979 / 180), 0.2, 1.0);
    const double lonSpan = spanDegrees * aspect / frame_.xScale;
    frame_.west = point.lon - lonSpan / 2;
    frame_.east = point.lon + lonSpan / 2;
    frame_.south = point.lat - spanDegrees / 2;
    frame_.north = point.lat + spanDegrees / 2;
    normalise(frame_);
    fitted_ = true;
    redraw();
}

void MapCanvas::setMark(std::optional<MapStop> mark) {
    mark_ = std::move(mark);
    update();
}

int MapCanvas::itemAt(QPointF at) const {
    // The city drawn last lies on top.
    for (size_t i = trip_.stops.size(); i-- > 0;) {
        const QPointF dot = mapPosition(frame_, size(), trip_.stops[i].at);
        if (std::hypot(dot.x() - at.x(), dot.y() - at.y()) <= kClickRadius)
            return items_[i];
    }
    return 0;
}

void MapCanvas::drawScene() {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (scene_.size() != pixels || scene_.devicePixelRatio() != ratio) {
        scene_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        scene_.setDevicePixelRatio(ratio);
    }
    QPainter painter(&scene_);
    paintMapLayers(painter, MapLayer::Ground | MapLayer::Route, trip_, land_ ? *land_ : noLand(),
                   frame_, paths_);
    sceneFrame_ = frame_;
    sceneValid_ = true;
}

bool MapCanvas::moveScene() {
    if (!sceneValid_ || !sameScale(sceneFrame_, frame_))
        return false;
    // How far the picture moved since the scene was drawn, in whole device pixels.
    const qreal ratio = scene_.devicePixelRatio();
    const QPointF middle(width() / 2.0, height() / 2.0);
    const QPointF shift =
        mapPosition(frame_, size(), mapLocation(sceneFrame_, size(), middle)) - middle;
    const QPoint device(qRound(shift.x() * ratio), qRound(shift.y() * ratio));
    if (std::abs(device.x()) >= scene_.width() || std::abs(device.y()) >= scene_.height())
        return false;
    if (device.isNull())
        return true;
    if (spareScene_.size() != scene_.size() || spareScene_.devicePixelRatio() != ratio) {
        spareScene_ = QImage(scene_.size(), scene_.format());
        spareScene_.setDevicePixelRatio(ratio);
    }
    // The moved scene shows the frame a fraction of a pixel off the one asked for;
    // the strips it uncovers are drawn at that same frame, so the seams match.
    const QPointF moved = QPointF(device) / ratio;
    const MapFrame frame = movedBy(sceneFrame_, size(), moved);
    QPainter painter(&spareScene_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(moved, scene_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // The uncovered strips, a pixel wider so their edges blend: one beside the
    // moved picture across the whole height, one above or below it across the width.
    const QPoint step = moved.toPoint();
    const int w = width(), h = height();
    QRect strips[2];
    if (step.x() > 0)
        strips[0] = QRect(0, 0, step.x() + 1, h);
    else if (step.x() < 0)
        strips[0] = QRect(w + step.x() - 1, 0, 1 - step.x(), h);
    if (step.y() > 0)
        strips[1] = QRect(0, 0, w, step.y() + 1);
    else if (step.y() < 0)
        strips[1] = QRect(0, h + step.y() - 1, w, 1 - step.y());
    for (const QRect& strip : strips) {
        if (strip.isEmpty())
            continue;
        painter.setClipRect(strip);
        paintMapLayers(painter, MapLayer::Ground | MapLayer::Route, trip_,
                       land_ ? *land_ : noLand(), frame, paths_);
    }
    painter.end();
    std::swap(scene_, spareScene_);
    sceneFrame_ = frame;
    return true;
}

void MapCanvas::paintEvent(QPaintEvent*) {
    if (!fitted_)
        fit();
    trip_.size = size();
    const qreal ratio = devicePixelRatioF();
    const bool sceneFits = sceneValid_ && scene_.devicePixelRatio() == ratio &&
                           scene_.size() == (QSizeF(size()) * ratio).toSize();
    if (!sceneFits || !(moving_ ? moveScene() : sceneFrame_ == frame_))
        drawScene();
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), scene_);
    paintMapLayers(painter, MapLayer::Corners, trip_, noLand(), frame_, paths_);
    if (mark_) {
        const QPointF at = mapPosition(frame_, size(), mark_->at);
        painter.setPen(QPen(QColor(0x1f, 0x4e, 0x9a), 2));
        painter.setBrush(QColor(0xff, 0xd7, 0x00));
        painter.drawEllipse(at, 6, 6);
        painter.setPen(QColor(0x22, 0x22, 0x22));
        painter.drawText(at + QPointF(9, -9), mark_->label);
    }
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::Highlight), 2, Qt::DashLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void MapCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!fitted_)
        return;
    // The same part of the world, widened to the new proportions.
    fit();
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0)
        zoom(std::pow(kZoomStep, steps), event->position());
    event->accept();
}

void MapCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragFrom_ = event->position();
        dragged_ = false;
    }
    QWidget::mousePressEvent(event);
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragFrom_) {
        const QPointF moved = event->position() - *dragFrom_;
        if (dragged_ || std::hypot(moved.x(), moved.y()) > 3) {
            dragged_ = true;
            pan(moved);
            dragFrom_ = event->position();
        }
    }
    QWidget::mouseMoveEvent(event);
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragFrom_) {
        const bool click = !dragged_;
        dragFrom_.reset();
        if (!click)
            comeToRest(); // the drag ends: the map is drawn exactly at once
        else if (const int item = itemAt(event->position()))
            Q_EMIT cityClicked(item);
    }
    QWidget::mouseReleaseEvent(event);
}

void MapCanvas::keyPressEvent(QKeyEvent* event) {
    const QPointF middle(width() / 2.0, height() / 2.0);
    const double stepX = width() / 8.0, stepY = height() / 8.0;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(kZoomStep, middle);
        break;
    case Qt::Key_Minus:
        zoom(1 / kZoomStep, middle);
        break;
    case Qt::Key_Left:
        pan({stepX, 0});
        break;
    case Qt::Key_Right:
        pan({-stepX, 0});
        break;
    case Qt::Key_Up:
        pan({0, stepY});
        break;
    case Qt::Key_Down:
        pan({0, -stepY});
        break;
    case Qt::Key_Home:
        fit();
        break;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
        // From the keyboard, the next or the previous city is picked as a click would.
        if (items_.empty())
            return;
        const int count = static_cast<int>(items_.size());
        keyboardCity_ = event->key() == Qt::Key_PageDown
                            ? (keyboardCity_ + 1) % count
                            : (keyboardCity_ <= 0 ? count - 1 : keyboardCity_ - 1);
        Q_EMIT cityClicked(items_[static_cast<size_t>(keyboardCity_)]);
        break;
    }
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

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

    // The place and size of last time, else a size that shows the world well.
    resize(960, 640);
    const QString kept = form.platform().readSetting(kSettingsApplication, kSettingsSection,
                                                     kMapWindowValue, QString());
    if (!kept.isEmpty())
        restoreGeometry(QByteArray::fromBase64(kept.toLatin1()));
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
        file += type == 1 ? QStringLiteral(".svg") : QStringLiteral(".png");
    const QString error = saveMap(file);
    if (!error.isEmpty())
        platform.messageBox(error, applicationTitle(), mb::OkOnly | mb::Exclamation);
}

void MapWindow::keepPlace() {
    ErrorReport report(form_.platform(), QStringLiteral("MapWindow1.Form_QueryUnload"));
    report(100, [&] {
        form_.platform().writeSetting(kSettingsApplication, kSettingsSection, kMapWindowValue,
                                      QString::fromLatin1(saveGeometry().toBase64()));
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
