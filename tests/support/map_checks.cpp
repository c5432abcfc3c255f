#include "support/map_checks.h"

#include "route/great_circle.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

namespace amb::test {

using namespace amb::route;

QPointF pixelOf(const TripMap& trip, GeoPoint point) {
    std::vector<GeoPoint> stops;
    for (const MapStop& stop : trip.stops)
        stops.push_back(stop.at);
    const MapFrame f = tripMapFrame(stops, trip.size);
    const double perDegree = std::min(trip.size.width() / ((f.east - f.west) * f.xScale),
                                      trip.size.height() / (f.north - f.south));
    const double left = (trip.size.width() - (f.east - f.west) * f.xScale * perDegree) / 2;
    const double top = (trip.size.height() - (f.north - f.south) * perDegree) / 2;
    const double centre = (f.west + f.east) / 2;
    const double lon = point.lon + 360 * std::round((centre - point.lon) / 360);
    return {left + (lon - f.west) * f.xScale * perDegree, top + (f.north - point.lat) * perDegree};
}

namespace {

// A pixel within a pixel of `at` has `colour`, give or take the smoothing of edges.
bool colourNear(const QImage& image, QPointF at, QColor colour) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const QColor c = image.pixelColor(int(at.x()) + dx, int(at.y()) + dy);
            if (std::abs(c.red() - colour.red()) <= 24 &&
                std::abs(c.green() - colour.green()) <= 24 &&
                std::abs(c.blue() - colour.blue()) <= 24)
                return true;
        }
    return false;
}
const QColor kLegColour(0xc0, 0x26, 0x26);

} // namespace

void checkTripPicture(const QImage& image, const TripMap& trip) {
    QCOMPARE(image.size(), trip.size);
    // Each leg along its great circle, away from the labels at its ends.
    for (std::size_t leg = 1; leg < trip.stops.size(); ++leg) {
    const std::vector<GeoPoint> path = greatCirclePath(trip.stops[leg - 1].at, trip.stops[leg].at);
    for (const double share : {0.3, 0.5, 0.7}) {
        const GeoPoint p = path[std::size_t(share * double(path.size() - 1))];
        const QPointF at = pixelOf(trip, p);
        QVERIFY2(colourNear(image, at, kLegColour),
                 qPrintable(QStringLiteral("no leg at %1 %2 (pixel %3, %4)")
                                .arg(p.lat)
                                .arg(p.lon)
                                .arg(at.x())
                                .arg(at.y())));
    }
    }
    // Each city's dot, a darker red.
    for (const MapStop& stop : trip.stops)
        QVERIFY2(colourNear(image, pixelOf(trip, stop.at), kLegColour.darker(130)),
                 qPrintable(stop.label));
    // Away from the trip: land or sea, no red.
    QVERIFY(!colourNear(image, QPointF(trip.size.width() / 2.0, trip.size.height() - 3),
                        kLegColour));
}

void checkTripSvg(const QString& path, const TripMap& trip) {
    QFile in(path);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&in);
    QStringList texts;
    int legPoints = 0;
    QStringList strokes{QString()}; // the stroke each open element paints with
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QString stroke = xml.attributes().value(QLatin1StringView("stroke")).toString();
            strokes << (stroke.isEmpty() ? strokes.last() : stroke);
            if (strokes.last() == QLatin1String("#c02626") &&
                (xml.name() == u"polyline" || xml.name() == u"path")) {
                const QString points = xml.attributes().value(QLatin1StringView("points")).toString() +
                                       xml.attributes().value(QLatin1StringView("d")).toString();
                // Two numbers a point, whatever separates them.
                static const QRegularExpression number(QStringLiteral("-?[0-9.]+"));
                int numbers = 0;
                for (auto it = number.globalMatch(points); it.hasNext(); it.next())
                    ++numbers;
                legPoints += numbers / 2;
            }
            if (xml.name() == u"text") { // read to its end
                texts << xml.readElementText(QXmlStreamReader::IncludeChildElements);
                strokes.removeLast();
            }
        } else if (token == QXmlStreamReader::EndElement) {
            strokes.removeLast();
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    // At most 100 km a step: a point for every 100 km of the legs, measured on a
    // sphere a little smaller than the map's.
    double kilometres = 0;
    for (std::size_t leg = 1; leg < trip.stops.size(); ++leg) {
        const double rad = M_PI / 180;
        const GeoPoint a = trip.stops[leg - 1].at, b = trip.stops[leg].at;
        const double h = std::pow(std::sin((b.lat - a.lat) * rad / 2), 2) +
                         std::cos(a.lat * rad) * std::cos(b.lat * rad) *
                             std::pow(std::sin((b.lon - a.lon) * rad / 2), 2);
        kilometres += 2 * 6300 * std::asin(std::sqrt(h));
    }
    QVERIFY2(legPoints >= int(kilometres / 100),
             qPrintable(QStringLiteral("%1 points for %2 km").arg(legPoints).arg(kilometres)));
    const QString shown = texts.join(QLatin1Char('|'));
    for (const MapStop& stop : trip.stops)
        QVERIFY2(shown.contains(stop.label), qPrintable(shown));
    QVERIFY2(shown.contains(trip.total), qPrintable(shown));
}

} // namespace amb::test
