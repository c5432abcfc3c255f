#include "route/trip_map.h"

#include "route/leg_arrows.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QStaticText>
#include <algorithm>
#include <cmath>

namespace amb::route {

namespace {

const QColor kOcean(0xd4, 0xe4, 0xf0);
const QColor kGraticule(0xc0, 0xd3, 0xe3);
const QColor kLand(0xf3, 0xf0, 0xe6);
const QColor kCoast(0xa8, 0xa0, 0x8c);
const QColor kLeg(0xc0, 0x26, 0x26);
const QColor kInk(0x22, 0x22, 0x22);

// The part of the picture a drawing reaches: the clip when one is set (the map
// window draws only the strips a move uncovers), else all of it; in the painter's
// current coordinates.
QRectF reachedArea(const QPainter& painter) {
    return painter.hasClipping() ? painter.clipBoundingRect()
                                 : painter.transform().inverted().mapRect(QRectF(painter.window()));
}

// The part of a closed ring within `area` (Sutherland and Hodgman: one edge of the
// area after the other). Inside the area the clipped rings fill as the whole ones
// do under the odd-even rule; their extra edges run along the area's border.
QPolygonF clippedRing(const QPolygonF& ring, const QRectF& area) {
    QPolygonF in = ring, out;
    const auto clip = [&](auto inside, auto crossing) {
        out.clear();
        if (in.isEmpty())
            return;
        QPointF previous = in.back();
        bool previousInside = inside(previous);
        for (const QPointF& point : std::as_const(in)) {
            const bool pointInside = inside(point);
            if (pointInside != previousInside)
                out << crossing(previous, point);
            if (pointInside)
                out << point;
            previous = point;
            previousInside = pointInside;
        }
        std::swap(in, out);
    };
    const auto atX = [](double x) {
        return [x](QPointF a, QPointF b) {
            return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
        };
    };
    const auto atY = [](double y) {
        return [y](QPointF a, QPointF b) {
            return QPointF(a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()), y);
        };
    };
    clip([&](QPointF p) { return p.x() >= area.left(); }, atX(area.left()));
    clip([&](QPointF p) { return p.x() <= area.right(); }, atX(area.right()));
    clip([&](QPointF p) { return p.y() >= area.top(); }, atY(area.top()));
    clip([&](QPointF p) { return p.y() <= area.bottom(); }, atY(area.bottom()));
    return in;
}

// `lon` moved by whole turns to lie nearest `centre`.
double nearest(double lon, double centre) {
    return lon + 360 * std::round((centre - lon) / 360);
}

struct Projection {
    MapFrame frame;
    double pixelsPerDegree, left, top;

    Projection(const MapFrame& f, QSize size) : frame(f) {
        pixelsPerDegree = std::min(size.width() / ((f.east - f.west) * f.xScale),
                                   size.height() / (f.north - f.south));
        left = (size.width() - (f.east - f.west) * f.xScale * pixelsPerDegree) / 2;
        top = (size.height() - (f.north - f.south) * pixelsPerDegree) / 2;
    }
    QPointF operator()(double lat, double lon) const {
        return {left + (lon - frame.west) * frame.xScale * pixelsPerDegree,
                top + (frame.north - lat) * pixelsPerDegree};
    }
    double centre() const { return (frame.west + frame.east) / 2; }
};

double graticuleStep(double degrees) {
    if (degrees > 120)
        return 30;
    if (degrees > 40)
        return 10;
    if (degrees > 12)
        return 5;
    return 1;
}

void drawGraticule(QPainter& painter, const Projection& p) {
    const MapFrame& f = p.frame;
    const double step = graticuleStep(std::max(f.east - f.west, f.north - f.south));
    QPen pen(kGraticule, 0.8);
    painter.setPen(pen);
    const double south = std::max(f.south, -90.0), north = std::min(f.north, 90.0);
    for (double lon = std::ceil(f.west / step) * step; lon <= f.east; lon += step)
        painter.drawLine(p(south, lon), p(north, lon));
    for (double lat = std::ceil(south / step) * step; lat <= north; lat += step)
        painter.drawLine(p(lat, f.west), p(lat, f.east));
}

void drawLand(QPainter& painter, const Projection& p, const LandPicture& land) {
    // Degrees to pixels: x = left + (lon - west) * k, y = top + (north - lat) * ppd.
    const double k = p.frame.xScale * p.pixelsPerDegree;
    painter.save();
    painter.setTransform(QTransform(k, 0, 0, -p.pixelsPerDegree, p.left - p.frame.west * k,
                                    p.top + p.frame.north * p.pixelsPerDegree),
                         true);
    QPen coastPen(kCoast, 0.7);
    coastPen.setCosmetic(true); // in pixels, whatever the zoom
    // In degrees, north down.
    const QRectF reached = reachedArea(painter);
    for (std::size_t copy = 0; copy < land.fill.size(); ++copy) {
        // Only the turns of the world the frame shows.
        const QRectF extent = land.fill[copy].controlPointRect();
        if (extent.right() < p.frame.west || extent.left() > p.frame.east ||
            extent.right() < reached.left() || extent.left() > reached.right())
            continue;
        painter.setPen(Qt::NoPen);
        painter.setBrush(kLand);
        if (painter.hasClipping()) {
            // A strip: the rasteriser would walk every edge of the world across its
            // height, so only the rings' parts within it (and two pixels around,
            // where their extra edges cannot show) are filled.
            const double shift = 360.0 * (double(copy) - 1);
            const QRectF area =
                reached.adjusted(-2 / k, -2 / p.pixelsPerDegree, 2 / k, 2 / p.pixelsPerDegree)
                    .translated(-shift, 0);
            QPainterPath part;
            part.setFillRule(Qt::OddEvenFill);
            for (const LandPicture::Ring& ring : land.rings) {
                if (!ring.bounds.intersects(area))
                    continue;
                const QPolygonF inside =
                    area.contains(ring.bounds) ? ring.points : clippedRing(ring.points, area);
                if (inside.size() < 3)
                    continue;
                part.addPolygon(inside.translated(shift, 0));
                part.closeSubpath();
            }
            painter.drawPath(part);
        } else {
            painter.drawPath(land.fill[copy]);
        }
        painter.setPen(coastPen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(land.coast[copy]);
    }
    painter.restore();
}

// The legs on the picture, each placed whole where its first city is nearest the
// middle of the frame.
std::vector<QPolygonF> legLines(const Projection& p,
                                const std::vector<std::vector<GeoPoint>>& paths) {
    std::vector<QPolygonF> lines;
    for (const auto& leg : paths) {
        const double shift = nearest(leg.front().lon, p.centre()) - leg.front().lon;
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(leg.size()));
        for (const GeoPoint& point : leg)
            line << p(point.lat, point.lon + shift);
        lines.push_back(std::move(line));
    }
    return lines;
}

void drawLegs(QPainter& painter, const Projection& p, const std::vector<QPolygonF>& lines) {
    // Neighbouring steps of an arc are nearly in line, so plain joins look the same as
    // round ones, which cost a curve at every point.
    QPen pen(kLeg, 2.5);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // On a map of the whole world a leg that leaves one edge comes back at the other.
    const double turn = 360 * p.frame.xScale * p.pixelsPerDegree;
    const bool world = p.frame.east - p.frame.west > 359;
    // Zoomed in, most of a long leg lies off the picture: only the runs of steps
    // that touch it are stroked.
    const QRectF shown = reachedArea(painter).adjusted(-8, -8, 8, 8);
    const auto drawShown = [&](const QPolygonF& line) {
        qsizetype start = -1;
        for (qsizetype i = 1; i <= line.size(); ++i) {
            const bool touches =
                i < line.size() && QRectF(line[i - 1], line[i]).normalized().adjusted(-1, -1, 1, 1)
                                       .intersects(shown);
            if (touches && start < 0)
                start = i - 1;
            if (!touches && start >= 0) {
                painter.drawPolyline(line.constData() + start, int(i - start));
                start = -1;
            }
        }
    };
    for (const QPolygonF& line : lines) {
        if (line.size() < 2)
            continue;
        drawShown(line);
        if (world) {
            drawShown(line.translated(-turn, 0));
            drawShown(line.translated(turn, 0));
        }
    }
}

// Which way the legs at stop `i` leave it on the picture, left (< 0) or right (> 0).
double legsSideways(const std::vector<QPolygonF>& lines, std::size_t i, std::size_t stops) {
    double sideways = 0;
    const auto add = [&](QPointF from, QPointF to) {
        const QPointF d = to - from;
        const double length = std::hypot(d.x(), d.y());
        if (length > 0)
            sideways += d.x() / length;
    };
    if (i + 1 < stops && i < lines.size() && lines[i].size() >= 2)
        add(lines[i][0], lines[i][1]);
    if (i > 0 && i - 1 < lines.size() && lines[i - 1].size() >= 2)
        add(lines[i - 1].back(), lines[i - 1][lines[i - 1].size() - 2]);
    return sideways;
}

// The generic family, which an SVG viewer knows as well as fontconfig does.
QFont mapFont(int pixels, bool bold = false) {
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A text with a light halo, so it reads on land, sea and lines alike: the text in
// white a pixel and a half around, then in ink (glyphs drawn, not outlines
// stroked, which is many times faster).
void drawHaloText(QPainter& painter, QPointF baseline, const QString& text, const QFont& font) {
    painter.setFont(font);
    // Laid out once for its nine drawings.
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.prepare(painter.transform(), font);
    const QPointF topLeft = baseline - QPointF(0, QFontMetricsF(font).ascent());
    painter.setPen(QColor(255, 255, 255, 235));
    constexpr double d = 1.5;
    for (const QPointF offset : {QPointF(-d, -d), QPointF(0, -d), QPointF(d, -d), QPointF(-d, 0),
                                 QPointF(d, 0), QPointF(-d, d), QPointF(0, d), QPointF(d, d)})
        painter.drawStaticText(topLeft + offset, laidOut);
    painter.setPen(kInk);
    painter.drawStaticText(topLeft, laidOut);
}

void drawStops(QPainter& painter, const Projection& p, const std::vector<MapStop>& stops,
               const std::vector<QPolygonF>& lines, QSize size) {
    const QFont font = mapFont(13);
    const QFontMetricsF metrics(font);
    const double radius = 4.5;
    const QRectF reached = reachedArea(painter);
    std::vector<QPointF> centres;
    for (const MapStop& stop : stops)
        centres.push_back(p(stop.at.lat, nearest(stop.at.lon, p.centre())));

    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(kLeg.darker(130));
    for (const QPointF& c : centres)
        painter.drawEllipse(c, radius, radius);

    // Labels beside their dots, on the first side where they cover no other label;
    // a city the trip passes again is labelled once.
    std::vector<QRectF> placed;
    for (std::size_t i = 0; i < stops.size(); ++i) {
        bool seen = false;
        for (std::size_t j = 0; j < i && !seen; ++j)
            seen = stops[j].label == stops[i].label && stops[j].at == stops[i].at;
        if (seen)
            continue;
        const QPointF c = centres[i];
        const QSizeF box(metrics.horizontalAdvance(stops[i].label), metrics.height());
        const double gap = radius + 3;
        // First the side the legs do not go to.
        const double away = legsSideways(lines, i, stops.size()) > 0.3 ? -1 : 1;
        const QPointF corners[] = {
            {away > 0 ? c.x() + gap : c.x() - gap - box.width(), c.y() - box.height() / 2},
            {away > 0 ? c.x() - gap - box.width() : c.x() + gap, c.y() - box.height() / 2},
            {c.x() - box.width() / 2, c.y() - gap - box.height()},
            {c.x() - box.width() / 2, c.y() + gap},
        };
        const QRectF bounds(QPointF(0, 0), size);
        QRectF chosen;
        for (const QPointF& corner : corners) {
            const QRectF rect(corner, box);
            const bool free = bounds.contains(rect) &&
                              std::none_of(placed.begin(), placed.end(),
                                           [&](const QRectF& r) { return r.intersects(rect); });
            if (free) {
                chosen = rect;
                break;
            }
        }
        if (chosen.isNull()) // nowhere free: the side that stays on the picture
            chosen = QRectF(corners[bounds.contains(QRectF(corners[0], box)) ? 0 : 1], box);
        placed.push_back(chosen);
        if (chosen.adjusted(-4, -4, 4, 4).intersects(reached)) // with its halo
            drawHaloText(painter, QPointF(chosen.left(), chosen.top() + metrics.ascent()),
                         stops[i].label, font);
    }
}

void drawCorners(QPainter& painter, const QString& total, const QString& attribution,
                 QSize size) {
    if (!total.isEmpty()) {
        const QFont font = mapFont(16, true);
        const QFontMetricsF metrics(font);
        const QRectF box(12, size.height() - 12 - metrics.height() - 12,
                         metrics.horizontalAdvance(total) + 20, metrics.height() + 12);
        painter.setPen(QPen(kCoast, 1));
        painter.setBrush(QColor(255, 255, 255, 230));
        painter.drawRoundedRect(box, 4, 4);
        painter.setPen(kInk);
        painter.setFont(font);
        painter.drawText(box, Qt::AlignCenter, total);
    }
    painter.setFont(mapFont(10));
    painter.setPen(QColor(0x55, 0x66, 0x77));
    painter.drawText(QRectF(0, 0, size.width() - 6, size.height() - 4),
                     Qt::AlignRight | Qt::AlignBottom, attribution);
}

// Paper beyond the poles, the sea, the graticule and the land.
void paintGround(QPainter& painter, const Projection& projection, const LandPicture& land,
                 QSize size) {
    painter.setRenderHint(QPainter::Antialiasing);
    // Beyond the poles lies no map: plain paper there.
    painter.fillRect(QRectF(QPointF(0, 0), size), QColor(0xf4, 0xf4, 0xf2));
    const double top = std::max(0.0, projection(90, 0).y());
    const double bottom = std::min(double(size.height()), projection(-90, 0).y());
    painter.fillRect(QRectF(0, top, size.width(), bottom - top), kOcean);
    drawGraticule(painter, projection);
    drawLand(painter, projection, land);
}

// The legs and the labelled cities.
void paintRoute(QPainter& painter, const Projection& projection, const TripMap& trip,
                const std::vector<std::vector<GeoPoint>>& paths) {
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<QPolygonF> lines = legLines(projection, paths);
    drawLegs(painter, projection, lines);
    if (trip.courseArrows)
        drawLegArrows(painter, lines, kLeg.darker(130));
    drawStops(painter, projection, trip.stops, lines, trip.size);
}

constexpr MapLayers kWholeMap = MapLayer::Ground | MapLayer::Route | MapLayer::Corners;

} // namespace

LandPicture::LandPicture(const LandOutline& land) {
    for (QPainterPath& path : fill)
        path.setFillRule(Qt::OddEvenFill);
    for (const auto& [points, aroundPole] : land.rings) {
        for (std::size_t copy = 0; copy < fill.size(); ++copy) {
            const double shift = 360.0 * (double(copy) - 1);
            QPolygonF polygon;
            polygon.reserve(static_cast<qsizetype>(points.size()) + 1);
            for (const QPointF& point : points)
                polygon << QPointF(point.x() + shift, point.y());
            fill[copy].addPolygon(polygon);
            fill[copy].closeSubpath();
            // The edge along a pole is where the flat map ends, not a coast.
            if (aroundPole)
                polygon.resize(polygon.size() - 2);
            else
                polygon << polygon.front();
            coast[copy].addPolygon(polygon);
        }
        QPolygonF ring(points.begin(), points.end());
        const QRectF bounds = ring.boundingRect();
        rings.push_back({std::move(ring), bounds});
    }
}

QPointF mapPosition(const MapFrame& frame, QSize size, GeoPoint point) {
    const Projection p(frame, size);
    return p(point.lat, nearest(point.lon, p.centre()));
}

GeoPoint mapLocation(const MapFrame& frame, QSize size, QPointF position) {
    const Projection p(frame, size);
    return {frame.north - (position.y() - p.top) / p.pixelsPerDegree,
            frame.west + (position.x() - p.left) / (frame.xScale * p.pixelsPerDegree)};
}

void paintTripMap(QPainter& painter, const TripMap& trip, const LandPicture& land,
                  const MapFrame& frame, const std::vector<std::vector<GeoPoint>>* paths) {
    if (paths)
        paintMapLayers(painter, kWholeMap, trip, land, frame, *paths);
    else
        paintMapLayers(painter, kWholeMap, trip, land, frame, tripLegPaths(trip));
}

void paintMapLayers(QPainter& painter, MapLayers layers, const TripMap& trip,
                    const LandPicture& land, const MapFrame& frame,
                    const std::vector<std::vector<GeoPoint>>& paths) {
    const Projection projection(frame, trip.size);
    if (layers & MapLayer::Ground)
        paintGround(painter, projection, land, trip.size);
    if (layers & MapLayer::Route)
        paintRoute(painter, projection, trip, paths);
    if (layers & MapLayer::Corners) {
        painter.setRenderHint(QPainter::Antialiasing); // on a painter of its own
        drawCorners(painter, trip.total, trip.attribution, trip.size);
    }
}

} // namespace amb::route
