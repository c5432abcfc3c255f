#include "planning/trip_order.h"

#include <QLocale>
#include <algorithm>

namespace amb::planning {

TripPlan planTrip(const std::vector<std::optional<OrderPoint>>& places, OrderKind kind,
                  DistanceUnit unit, EarthModel model, const OrderProgress& progress) {
    std::vector<int> placed, unplaced;
    std::vector<OrderPoint> points;
    for (size_t i = 0; i < places.size(); ++i) {
        if (places[i]) {
            placed.push_back(static_cast<int>(i));
            points.push_back(*places[i]);
        } else {
            unplaced.push_back(static_cast<int>(i));
        }
    }
    TripPlan plan;
    if (!points.empty()) {
        // The table is a fifth of the work at a thousand stops on the ellipsoid.
        const auto part = [&progress](double from, double to) -> OrderProgress {
            if (!progress)
                return {};
            return [&progress, from, to](double done) { progress(from + (to - from) * done); };
        };
        const DistanceTable table = distanceTable(points, unit, model, part(0, 0.2));
        std::vector<int> typed(points.size());
        for (size_t i = 0; i < typed.size(); ++i)
            typed[i] = static_cast<int>(i);
        plan.before = orderLength(table, typed, kind);
        const OrderResult result = shortestOrder(table, kind, part(0.2, 1));
        for (int i : result.order)
            plan.order.push_back(placed[static_cast<size_t>(i)]);
        plan.after = result.length;
        plan.bound = result.lowerBound;
        plan.exact = result.exact;
    }
    plan.order.insert(plan.order.end(), unplaced.begin(), unplaced.end());
    return plan;
}

QString planNote(const TripPlan& plan, DistanceUnit unit) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    const double above =
        plan.bound > 0 ? std::max(0.0, (plan.after - plan.bound) / plan.bound * 100) : 0;
    return QStringLiteral(
               "Shortest order: %1 %2, was %3 %2; at most %4 % above the shortest possible")
        .arg(locale.toString(plan.after, 'f', 1), unitSymbol(unit),
             locale.toString(plan.before, 'f', 1), locale.toString(above, 'f', 1));
}

} // namespace amb::planning
