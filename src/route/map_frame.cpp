#include "route/trip_map.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace amb::route {

namespace {

// Every point of every leg, longitudes continuous within each leg.
std::vector<std::vector<GeoPoint>> legPaths(const std::vector<GeoPoint>& stops) {
    std::vector<std::vector<GeoPoint>> paths;
    for (std::size_t i = 1; i < stops.size(); ++i)
        paths.push_back(greatCirclePath(stops[i - 1], stops[i]));
    if (stops.size() == 1)
        paths.push_back({stops.front()});
    return paths;
}

// East-west scale of the flat map: true at the frame's middle latitude, but never
// squeezed below a fifth near the poles.
double eastWestScale(double south, double north) {
    return std::clamp(std::cos((south + north) / 2 * std::numbers::pi / 180), 0.2, 1.0);
}

std::vector<GeoPoint> stopPoints(const TripMap& trip) {
    std::vector<GeoPoint> points;
    for (const MapStop& stop : trip.stops)
        points.push_back(stop.at);
    return points;
}

MapFrame frameAround(const std::vector<std::vector<GeoPoint>>& paths, QSize size) {
    if (paths.empty() || size.isEmpty())
        return {};
    std::vector<double> lons;
    double south = 90, north = -90;
    for (const auto& path : paths) {
        for (const GeoPoint& point : path) {
            if (!std::isfinite(point.lat) || !std::isfinite(point.lon))
                continue; // a city that cannot be placed frames nothing
            double lon = std::fmod(point.lon, 360.0);
            lons.push_back(lon < 0 ? lon + 360 : lon);
            south = std::min(south, point.lat);
            north = std::max(north, point.lat);
        }
    }
    if (lons.empty())
        return {};
    // The trip covers the circle of longitudes except its widest gap.
    std::sort(lons.begin(), lons.end());
    double gap = lons.front() + 360 - lons.back();
    double west = lons.front();
    for (std::size_t i = 1; i < lons.size(); ++i) {
        if (lons[i] - lons[i - 1] > gap) {
            gap = lons[i] - lons[i - 1];
            west = lons[i];
        }
    }
    const double span = 360 - gap;
    const double middle = west + span / 2;

    // Sizes in degrees of latitude: a degree of longitude is xScale of one.
    const double xScale = eastWestScale(south, north);
    double wide = span * xScale;
    double high = north - south;
    const double margin = std::max(0.12 * std::max(wide, high), 2.0);
    wide = std::max(wide + 2 * margin, 8.0);
    high = std::max(high + 2 * margin, 5.0);
    const double aspect = double(size.width()) / size.height();
    if (wide / high < aspect)
        wide = high * aspect;
    else
        high = wide / aspect;

    MapFrame frame;
    frame.xScale = xScale;
    const double lonExtent = std::min(wide / xScale, 360.0);
    frame.west = middle - lonExtent / 2;
    frame.west -= 360 * std::floor((frame.west + 180) / 360);
    frame.east = frame.west + lonExtent;
    const double latExtent = std::min(high, 180.0);
    const double centre = std::clamp((south + north) / 2, -90 + latExtent / 2, 90 - latExtent / 2);
    frame.south = centre - latExtent / 2;
    frame.north = centre + latExtent / 2;
    return frame;
}

} // namespace

std::vector<std::vector<GeoPoint>> tripLegPaths(const TripMap& trip) {
    return legPaths(stopPoints(trip));
}

MapFrame tripMapFrame(const std::vector<GeoPoint>& stops, QSize size) {
    return frameAround(legPaths(stops), size);
}

MapFrame legPathsFrame(const std::vector<std::vector<GeoPoint>>& paths, QSize size) {
    return frameAround(paths, size);
}

} // namespace amb::route
