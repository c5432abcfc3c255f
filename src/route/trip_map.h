#pragma once

#include "route/great_circle.h"
#include "route/land_outline.h"

#include <QFlags>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <array>
#include <vector>

namespace amb::route {

struct MapStop {
    QString label;
    GeoPoint at;
};

struct TripMap {
    std::vector<MapStop> stops; // in trip order; each neighbouring pair is a leg
    QString total;              // shown in the lower left corner, e.g. "Total: 1234.5 km"
    QSize size{1200, 750};      // pixels of the PNG, units of the SVG
    QString attribution = QStringLiteral("Land: Natural Earth"); // lower right corner
    bool courseArrows = false; // an arrow at each leg's start points the way it sets out
};

// The part of the world a map shows: longitudes run continuously from west to east
// (east may pass 180, so a trip over the antimeridian is shown across it), west
// within [-180, 180). A degree of longitude is drawn xScale times as wide as one of
// latitude.
struct MapFrame {
    double west = -180, east = 180, south = -90, north = 90;
    double xScale = 1;
    bool operator==(const MapFrame&) const = default;
};

// The frame around every point of the trip's legs, with a margin, widened to the
// picture's proportions on a map whose east-west scale is true at its middle
// latitude.
MapFrame tripMapFrame(const std::vector<GeoPoint>& stops, QSize size);
// The same around the legs as tripLegPaths traced them.
MapFrame legPathsFrame(const std::vector<std::vector<GeoPoint>>& paths, QSize size);

// The land made ready to be drawn many times (the map window redraws on every zoom
// and pan): its rings in degrees, a turn west and east as well, so only a transform
// changes between frames.
struct LandPicture {
    explicit LandPicture(const LandOutline& land);
    // A turn west, the world, a turn east: a frame draws only those it shows.
    std::array<QPainterPath, 3> fill;  // odd-even
    std::array<QPainterPath, 3> coast; // without the edges along a pole
    // The world's rings one by one, for filling only the part of them a narrow
    // strip of the picture shows.
    struct Ring {
        QPolygonF points;
        QRectF bounds;
    };
    std::vector<Ring> rings;
};

// Where a point lies on a picture of `size` showing `frame` (the longitude moved by
// whole turns to lie nearest the frame's middle), and the point under a position.
QPointF mapPosition(const MapFrame& frame, QSize size, GeoPoint point);
GeoPoint mapLocation(const MapFrame& frame, QSize size, QPointF position);

// The legs of the trip along their great circles, for drawing many times.
std::vector<std::vector<GeoPoint>> tripLegPaths(const TripMap& trip);

// Draws the trip over the land as `frame` shows it, into a picture of trip.size;
// `paths` are tripLegPaths(trip) when the caller keeps them.
void paintTripMap(QPainter& painter, const TripMap& trip, const LandPicture& land,
                  const MapFrame& frame,
                  const std::vector<std::vector<GeoPoint>>* paths = nullptr);

// The map as three layers, bottom to top, for a window that keeps the lower ones
// as a picture: paintTripMap draws all three.
enum class MapLayer {
    Ground = 1,  // paper beyond the poles, sea, graticule, land
    Route = 2,   // the legs, the cities and their labels
    Corners = 4, // the total and the attribution, which stay put when the map moves
};
Q_DECLARE_FLAGS(MapLayers, MapLayer)
Q_DECLARE_OPERATORS_FOR_FLAGS(MapLayers)
void paintMapLayers(QPainter& painter, MapLayers layers, const TripMap& trip,
                    const LandPicture& land, const MapFrame& frame,
                    const std::vector<std::vector<GeoPoint>>& paths);

// Draws the trip on the land and writes it to `file`, a PNG or an SVG by its
// suffix. The file appears whole or not at all: it is written to a temporary file
// beside it and renamed. Gives an empty text on success, else the message to show.
// Needs a QGuiApplication (for the fonts of the labels); no display is needed.
QString renderTripMap(const TripMap& trip, const LandOutline& land, const QString& file);
// The same at a chosen frame, as the map window shows it.
QString renderTripMap(const TripMap& trip, const LandPicture& land, const MapFrame& frame,
                      const QString& file);

} // namespace amb::route
