#pragma once

#include "app/named_values.h"
#include "planning/shortest_order.h"

#include <QString>
#include <optional>
#include <vector>

namespace amb::planning {

// "shortest", "ends", "round": the words of the tool's --order. Inline, so the
// tool's option reader takes no solver with it.
inline std::optional<OrderKind> parseOrderKind(const QString& word) {
    static const NamedValue<OrderKind> words[] = {
        {QStringLiteral("shortest"), OrderKind::FromFirst},
        {QStringLiteral("ends"), OrderKind::BetweenEnds},
        {QStringLiteral("round"), OrderKind::RoundTrip}};
    return valueNamed(words, word);
}

// A trip's new order. Stops without a place keep their order after the others.
struct TripPlan {
    std::vector<int> order; // every stop's index, in the new order
    double before = 0;      // the placed stops in their old order, of the kind's length
    double after = 0;
    double bound = 0; // no order of the placed stops is shorter
    bool exact = false;
};

// Orders the stops that have a place; the first of them stays first (and the last
// last between the ends). Lengths in `unit` on `model`. Throws RunTimeError as
// legDistance does, or what `progress` throws.
TripPlan planTrip(const std::vector<std::optional<OrderPoint>>& places, OrderKind kind,
                  DistanceUnit unit, EarthModel model, const OrderProgress& progress = {});

// "Shortest order: 5,210.4 km, was 7,893.1 km; at most 0.6 % above the shortest
// possible", the numbers in the user's locale with its group separator.
QString planNote(const TripPlan& plan, DistanceUnit unit);

} // namespace amb::planning
