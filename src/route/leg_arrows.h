#pragma once

#include <QColor>
#include <QPolygonF>
#include <vector>

class QPainter;

namespace amb::route {

// A small arrowhead on each leg just beyond its first city, pointing the way the leg
// sets out on the picture. `lines` are the legs in pixels; a leg of one point (a
// trip of one city) or of no length on the picture gets none.
void drawLegArrows(QPainter& painter, const std::vector<QPolygonF>& lines, const QColor& colour);

// Where the arrowhead of a leg sits and which way it points (a unit vector), or
// nothing when the leg has no direction on the picture.
struct LegArrow {
    QPointF tip;
    QPointF direction;
};
bool legArrow(const QPolygonF& line, LegArrow& arrow);

} // namespace amb::route
