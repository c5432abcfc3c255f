#include "route/great_circle.h"

#include "distance/leg_measure.h"
#include "distance/zip_distance.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace amb::route {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
// Below this length (radians) a cross product has no usable direction: the points
// are within micrometres of each other or of each other's antipode.
constexpr double kNoDirection = 1e-12;
// A longitude this close to ±180 (degrees, about 0.1 mm) is the antimeridian: the
// sign it gets from rounding says nothing.
constexpr double kOnAntimeridian = 1e-9;
// No leg needs more points than this, whatever step is asked for.
constexpr double kMostSteps = 1e6;

struct Vec {
    double x, y, z;
};

Vec operator+(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator-(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec operator*(double s, Vec a) {
    return {s * a.x, s * a.y, s * a.z};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double norm(Vec a) {
    return std::hypot(a.x, a.y, a.z);
}

Vec toVec(GeoPoint p) {
    const double lat = p.lat * kRadiansPerDegree;
    const double lon = p.lon * kRadiansPerDegree;
    return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

// a × b written as (a − b) × (a + b) / 2: for nearly opposite points a + b is small
// and exact, which keeps the normal's direction accurate.
Vec stableCross(Vec a, Vec b) {
    return 0.5 * cross(a - b, a + b);
}

struct Sample {
    GeoPoint point;
    bool pole = false; // the longitude means nothing
};

Sample toSample(Vec v) {
    const double across = std::hypot(v.x, v.y);
    if (across < kNoDirection)
        return {{v.z > 0 ? 90.0 : -90.0, 0}, true};
    double lon = std::atan2(v.y, v.x) / kRadiansPerDegree;
    if (180 - std::abs(lon) < kOnAntimeridian)
        lon = std::copysign(180.0, lon);
    return {{std::atan2(v.z, across) / kRadiansPerDegree, lon}, false};
}

bool isPole(GeoPoint p) {
    return std::abs(p.lat) == 90;
}

} // namespace

double sphereRadiusKm() {
    using namespace modZipDistance;
    const double milesPerDegree = kNauticalMilesPerDegree * kStatuteMilesPerNautical;
    return milesPerDegree * kKilometresPerStatuteMile * kHalfCircle / kPiForDegrees;
}

std::vector<GeoPoint> greatCirclePath(GeoPoint from, GeoPoint to, double maxStepKm) {
    if (!std::isfinite(from.lat) || !std::isfinite(from.lon) || !std::isfinite(to.lat) ||
        !std::isfinite(to.lon))
        return {from, to};
    const Vec a = toVec(from);
    const Vec b = toVec(to);
    const Vec c = stableCross(a, b);
    const double sine = norm(c);
    double angle = std::atan2(sine, dot(a, b));
    Vec normal;
    if (sine >= kNoDirection) {
        normal = (1 / sine) * c;
    } else if (dot(a, b) > 0) {
        angle = 0;
        normal = {0, 0, 1};
    } else {
        // Opposite points: every great circle through one passes the other; take the
        // meridian of the first.
        angle = std::numbers::pi;
        const double lon = from.lon * kRadiansPerDegree;
        normal = {-std::sin(lon), std::cos(lon), 0};
    }
    const Vec toward = cross(normal, a);

    double steps = 1;
    if (maxStepKm > 0 && angle > 0)
        steps = std::clamp(std::ceil(angle * sphereRadiusKm() / maxStepKm), 1.0, kMostSteps);
    const int count = static_cast<int>(steps);

    std::vector<Sample> samples;
    samples.reserve(count + 1);
    samples.push_back({from, isPole(from)});
    for (int i = 1; i < count; ++i) {
        const double t = angle * i / count;
        samples.push_back(toSample(std::cos(t) * a + std::sin(t) * toward));
    }
    samples.push_back({to, isPole(to)});

    // At a pole the path arrives on one meridian and leaves on another: the pole is
    // held at both longitudes (an end keeps its own as well).
    std::vector<GeoPoint> points;
    points.reserve(samples.size() + 4);
    const auto last = static_cast<std::ptrdiff_t>(samples.size()) - 1;
    for (std::ptrdiff_t i = 0; i <= last; ++i) {
        const Sample& s = samples[i];
        if (!s.pole) {
            // Neighbours half a turn apart have the pole between them.
            if (i > 0 && !samples[i - 1].pole) {
                const GeoPoint before = samples[i - 1].point;
                if (std::abs(std::remainder(s.point.lon - before.lon, 360.0)) > 179.999) {
                    const double pole = before.lat > 0 ? 90 : -90;
                    points.push_back({pole, before.lon});
                    points.push_back({pole, s.point.lon});
                }
            }
            points.push_back(s.point);
            continue;
        }
        if (i == 0)
            points.push_back(s.point);
        else
            points.push_back({s.point.lat, samples[i - 1].point.lon});
        if (i == last)
            points.push_back(s.point);
        else
            points.push_back({s.point.lat, samples[i + 1].point.lon});
    }

    // Continuous longitudes, without repeated points.
    std::vector<GeoPoint> path;
    path.reserve(points.size());
    for (GeoPoint p : points) {
        if (!path.empty()) {
            const double previous = path.back().lon;
            double lon = p.lon;
            while (lon - previous > 180)
                lon -= 360;
            while (lon - previous < -180)
                lon += 360;
            p.lon = lon;
            if (p == path.back() && path.size() > 1)
                continue;
        }
        path.push_back(p);
    }
    if (path.size() == 1)
        path.push_back(path.front());
    return path;
}

std::vector<std::vector<GeoPoint>> splitAtAntimeridian(const std::vector<GeoPoint>& path) {
    std::vector<std::vector<GeoPoint>> pieces;
    if (path.empty())
        return pieces;
    // Piece k holds the longitudes [-180 + 360k, 180 + 360k], shown shifted by -360k.
    const auto pieceOf = [](double lon) {
        return std::abs(lon) <= 180 ? 0.0 : std::floor((lon + 180) / 360);
    };
    double k = pieceOf(path.front().lon);
    pieces.emplace_back();
    pieces.back().push_back({path.front().lat, path.front().lon - 360 * k});
    for (std::size_t i = 1; i < path.size(); ++i) {
        const GeoPoint p = path[i - 1];
        const GeoPoint q = path[i];
        while (q.lon > 180 + 360 * k || q.lon < -180 + 360 * k) {
            const bool east = q.lon > 180 + 360 * k;
            const double boundary = east ? 180 + 360 * k : -180 + 360 * k;
            // Where the great circle through p and q meets the antimeridian: on the
            // plane through both, at longitude 180 (x < 0, y = 0).
            double lat;
            const Vec n = stableCross(toVec(p), toVec(q));
            const double length = norm(n);
            if (p.lon == boundary) {
                lat = p.lat;
            } else if (length >= kNoDirection && n.z != 0) {
                const double sign = n.z > 0 ? 1 : -1;
                lat = std::atan2(sign * n.x, sign * n.z) / kRadiansPerDegree;
            } else {
                lat = p.lat + (q.lat - p.lat) * (boundary - p.lon) / (q.lon - p.lon);
            }
            const double edge = east ? 180 : -180;
            if (pieces.back().back() != GeoPoint{lat, edge})
                pieces.back().push_back({lat, edge});
            k += east ? 1 : -1;
            pieces.emplace_back();
            pieces.back().push_back({lat, -edge});
        }
        const GeoPoint shown{q.lat, q.lon - 360 * k};
        if (shown != pieces.back().back())
            pieces.back().push_back(shown);
    }
    // A piece that only touches the antimeridian (a path ending on it) is no line.
    std::erase_if(pieces, [](const std::vector<GeoPoint>& piece) { return piece.size() < 2; });
    if (pieces.empty())
        pieces.push_back({path.front(), path.front()});
    return pieces;
}

std::vector<std::vector<GeoPoint>> greatCircleSegments(GeoPoint from, GeoPoint to,
                                                       double maxStepKm) {
    auto pieces = splitAtAntimeridian(greatCirclePath(from, to, maxStepKm));
    // The last point is `to` itself, not `to` shifted by 360 and back.
    GeoPoint& end = pieces.back().back();
    if (end.lat == to.lat && std::abs(end.lon - to.lon) < kOnAntimeridian)
        end = to;
    return pieces;
}

} // namespace amb::route
