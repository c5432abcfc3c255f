#include "route/svg_drawing.h"
#include "route/trip_map.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <functional>

namespace amb::route {

namespace {

QString writeMapFile(const TripMap& trip, const QString& file,
                     const std::function<void(QPainter&)>& paint) {
    const QString shown = QDir::toNativeSeparators(file);
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
        return QStringLiteral("The map file must end in .png or .svg: %1").arg(shown);
    if (trip.size.isEmpty())
        return QStringLiteral("The map has no size.");

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return QStringLiteral("Cannot write the map to %1: %2").arg(shown, out.errorString());

    bool painted = false;
    if (suffix == QLatin1String("svg")) {
        SvgDrawing svg(trip.size, QStringLiteral("Trip map"), trip.total);
        QPainter painter;
        if (painter.begin(&svg)) {
            paint(painter);
            if (painter.end()) {
                const QByteArray document = svg.document();
                painted = out.write(document) == document.size();
            }
        }
    } else {
        QImage image(trip.size, QImage::Format_RGB32);
        QPainter painter;
        if (painter.begin(&image)) {
            paint(painter);
            painted = painter.end() && image.save(&out, "PNG");
        }
    }
    if (!painted) {
        out.cancelWriting();
        return QStringLiteral("Cannot draw the map into %1: %2")
            .arg(shown, out.errorString().isEmpty() ? QStringLiteral("the drawing failed")
                                                    : out.errorString());
    }
    if (!out.commit())
        return QStringLiteral("Cannot write the map to %1: %2").arg(shown, out.errorString());
    return {};
}

} // namespace

QString renderTripMap(const TripMap& trip, const LandOutline& land, const QString& file) {
    return writeMapFile(trip, file, [&](QPainter& painter) {
        // The legs are traced once, for the frame and for the lines.
        const auto paths = tripLegPaths(trip);
        paintMapLayers(painter, MapLayer::Ground | MapLayer::Route | MapLayer::Corners, trip,
                       LandPicture(land), legPathsFrame(paths, trip.size), paths);
    });
}

QString renderTripMap(const TripMap& trip, const LandPicture& land, const MapFrame& frame,
                      const QString& file) {
    return writeMapFile(trip, file,
                        [&](QPainter& painter) { paintTripMap(painter, trip, land, frame); });
}

} // namespace amb::route
