#include "route/leg_arrows.h"

#include <QPainter>
#include <cmath>

namespace amb::route {

namespace {
// Pixels from the city's centre to the arrow's tip: clear of its dot (4.5 pixels)
// and short enough to stay on a short leg.
constexpr double kTipDistance = 17;
constexpr double kLength = 9;
constexpr double kHalfWidth = 4.5;
} // namespace

bool legArrow(const QPolygonF& line, LegArrow& arrow) {
    if (line.size() < 2)
        return false;
    // The tip lies kTipDistance along the line (or at its end, for a leg shorter than
    // that), pointing along the step it lies on.
    double travelled = 0;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF step = line[i] - line[i - 1];
        const double length = std::hypot(step.x(), step.y());
        if (length <= 0)
            continue;
        const QPointF unit = step / length;
        const bool last = i + 1 == line.size();
        if (travelled + length >= kTipDistance || last) {
            const double along = std::min(kTipDistance - travelled, length);
            arrow = {line[i - 1] + unit * along, unit};
            return true;
        }
        travelled += length;
    }
    return false;
}

void drawLegArrows(QPainter& painter, const std::vector<QPolygonF>& lines, const QColor& colour) {
    painter.save();
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(colour);
    for (const QPolygonF& line : lines) {
        LegArrow arrow;
        if (!legArrow(line, arrow))
            continue;
        const QPointF back = arrow.tip - arrow.direction * kLength;
        const QPointF across(-arrow.direction.y() * kHalfWidth, arrow.direction.x() * kHalfWidth);
        painter.drawPolygon(QPolygonF{arrow.tip, back + across, back - across});
    }
    painter.restore();
}

} // namespace amb::route
