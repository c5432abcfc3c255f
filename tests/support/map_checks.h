#pragma once

#include "route/trip_map.h"

#include <QImage>
#include <QString>

namespace amb::test {

// What a trip map must show, checked with QVERIFY (the caller's test fails): in the
// PNG, each leg's red along its great circle and each city's darker dot where the
// trip's frame puts them, and no red far from the trip; in the SVG, the legs as red
// lines of a point at least every 100 km, every city's label and the total.
// Where a point lies on the trip's picture: the frame fills it at one scale, centred.
QPointF pixelOf(const route::TripMap& trip, route::GeoPoint point);

void checkTripPicture(const QImage& image, const route::TripMap& trip);
void checkTripSvg(const QString& path, const route::TripMap& trip);

} // namespace amb::test
