#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <optional>
#include <vector>

namespace amb::route {

// One closed ring of (longitude, latitude) points in degrees. Longitudes are
// continuous along it and its westmost point lies within [-180, 180): a ring over
// the antimeridian runs past 180 (draw it a turn further west as well). A ring
// around a pole (Antarctica) spans a whole turn and is closed along the pole; its
// last two points are that closing edge, no coast.
struct LandRing {
    std::vector<QPointF> points;
    bool aroundPole = false;
};

// The land of the world from Natural Earth's 1:110m data in TopoJSON (world-atlas'
// land-110m.json, shipped beside the program). Holes are rings of their own: fill
// with the odd-even rule.
struct LandOutline {
    std::vector<LandRing> rings;
};

// The file's name beside the program.
inline constexpr char kLandFileName[] = "land-110m.json";

// Decodes the land object of a TopoJSON topology (quantised, delta-encoded arcs).
// On failure gives nothing and sets `error` to what is wrong.
std::optional<LandOutline> landFromTopoJson(const QByteArray& json, QString* error);

// Reads the land file; on failure gives nothing and sets `error` to a message
// naming the file.
std::optional<LandOutline> loadLandOutline(const QString& path, QString* error);

// The land file beside the program.
QString defaultLandFile();

} // namespace amb::route
