#include "planning/shortest_order.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

namespace amb::planning {

DistanceTable distanceTable(const std::vector<OrderPoint>& points, DistanceUnit unit,
                            EarthModel model, const OrderProgress& progress) {
    const int n = static_cast<int>(points.size());
    DistanceTable table(n);
    for (int a = 0; a < n; ++a) {
        // A thousand stops on the ellipsoid take a good part of a second.
        if (progress && a % 64 == 63)
            progress(1.0 - static_cast<double>(n - a) * (n - a) / (static_cast<double>(n) * n));
        for (int b = a + 1; b < n; ++b)
            table.set(a, b,
                      legDistance(points[a].latitude, points[a].longitude, points[b].latitude,
                                  points[b].longitude, unit, model));
    }
    return table;
}

double orderLength(const DistanceTable& table, const std::vector<int>& order, OrderKind kind) {
    double length = 0;
    for (size_t i = 1; i < order.size(); ++i)
        length += table(order[i - 1], order[i]);
    if (kind == OrderKind::RoundTrip && order.size() > 1)
        length += table(order.back(), order.front());
    return length;
}

OrderResult exactOrder(const DistanceTable& table, OrderKind kind) {
    const int n = table.size();
    OrderResult result;
    result.exact = true;
    // The stops free to move: all but the first, and but the last between the ends.
    const int last = n - 1;
    const int m = kind == OrderKind::BetweenEnds ? n - 2 : n - 1;
    if (m <= 1 || n > kExactStops + 1) {
        for (int i = 0; i < n; ++i)
            result.order.push_back(i);
        result.length = result.lowerBound = orderLength(table, result.order, kind);
        result.exact = m <= 1;
        return result;
    }
    // best[set][j]: the shortest path from the first stop through the free stops of
    // `set`, ending at free stop j (stop j + 1).
    const uint32_t sets = 1u << m;
    constexpr double kNone = std::numeric_limits<double>::infinity();
    std::vector<double> best(static_cast<size_t>(sets) * m, kNone);
    std::vector<int8_t> before(static_cast<size_t>(sets) * m, -1);
    const auto at = [m](uint32_t set, int j) { return static_cast<size_t>(set) * m + j; };
    for (int j = 0; j < m; ++j)
        best[at(1u << j, j)] = table(0, j + 1);
    // The free stops' distances, near at hand.
    std::vector<double> near(static_cast<size_t>(m) * m);
    for (int j = 0; j < m; ++j)
        for (int k = 0; k < m; ++k)
            near[static_cast<size_t>(j) * m + k] = table(j + 1, k + 1);
    for (uint32_t set = 3; set < sets; ++set) {
        if ((set & (set - 1)) == 0)
            continue; // one stop: set above
        double* row = &best[at(set, 0)];
        int8_t* came = &before[at(set, 0)];
        for (uint32_t ks = set; ks; ks &= ks - 1) {
            const int k = std::countr_zero(ks);
            const uint32_t previous = set & ~(1u << k);
            const double* from = &best[at(previous, 0)];
            double shortest = kNone;
            int8_t via = -1;
            for (uint32_t js = previous; js; js &= js - 1) {
                const int j = std::countr_zero(js);
                const double length = from[j] + near[static_cast<size_t>(j) * m + k];
                if (length < shortest) {
                    shortest = length;
                    via = static_cast<int8_t>(j);
                }
            }
            row[k] = shortest;
            came[k] = via;
        }
    }
    const uint32_t all = sets - 1;
    int end = 0;
    double shortest = kNone;
    for (int j = 0; j < m; ++j) {
        double length = best[at(all, j)];
        if (kind == OrderKind::RoundTrip)
            length += table(j + 1, 0);
        else if (kind == OrderKind::BetweenEnds)
            length += table(j + 1, last);
        if (length < shortest) {
            shortest = length;
            end = j;
        }
    }
    std::vector<int> reversed;
    for (uint32_t set = all; end >= 0;) {
        reversed.push_back(end + 1);
        const int previous = before[at(set, end)];
        set &= ~(1u << end);
        end = previous;
    }
    result.order.push_back(0);
    result.order.insert(result.order.end(), reversed.rbegin(), reversed.rend());
    if (kind == OrderKind::BetweenEnds)
        result.order.push_back(last);
    result.length = result.lowerBound = orderLength(table, result.order, kind);
    return result;
}

namespace {

// The tour that stands for an open order: one more stop, tied at no cost to the
// stops that must be the ends and at `far` to every other, so the shortest tour
// runs through it between the two ends of the shortest order.
DistanceTable tourTable(const DistanceTable& table, OrderKind kind, double& offset) {
    const int n = table.size();
    double longest = 0;
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            longest = std::max(longest, table(a, b));
    // Longer than any order, so no tour gains by leaving an end.
    const double far = longest * n + 1;
    DistanceTable tour(n + 1);
    for (int a = 0; a < n; ++a)
        for (int b = a + 1; b < n; ++b)
            tour.set(a, b, table(a, b));
    for (int a = 1; a < n; ++a)
        tour.set(n, a, far);
    tour.set(n, 0, 0);
    offset = far;
    if (kind == OrderKind::BetweenEnds) {
        tour.set(n, n - 1, 0);
        offset = 0;
    }
    return tour;
}

// The stops of a tour as an order from stop 0; an open order comes from a tour
// through the extra stop `extra`, and ends at `last` when the last one is kept.
std::vector<int> orderOfTour(std::vector<int> tour, OrderKind kind) {
    if (kind == OrderKind::RoundTrip) {
        std::rotate(tour.begin(), std::find(tour.begin(), tour.end(), 0), tour.end());
        return tour;
    }
    const int extra = static_cast<int>(tour.size()) - 1;
    std::rotate(tour.begin(), std::find(tour.begin(), tour.end(), extra), tour.end());
    tour.erase(tour.begin());
    if (tour.back() == 0)
        std::reverse(tour.begin(), tour.end());
    if (tour.front() != 0) // the search always ties the ends; never trust it blindly
        std::rotate(tour.begin(), std::find(tour.begin(), tour.end(), 0), tour.end());
    if (kind == OrderKind::BetweenEnds && tour.back() != extra - 1) {
        tour.erase(std::find(tour.begin(), tour.end(), extra - 1));
        tour.push_back(extra - 1);
    }
    return tour;
}

} // namespace

OrderResult shortestOrder(const DistanceTable& table, OrderKind kind,
                          const OrderProgress& progress, const OrderSettings& settings) {
    const int n = table.size();
    if (n <= 3 || (n <= kExactStops && !settings.forceHeuristic))
        return exactOrder(table, kind);
    double offset = 0;
    const DistanceTable tour = kind == OrderKind::RoundTrip ? table : tourTable(table, kind, offset);
    const auto share = [&](double from, double to) -> OrderProgress {
        if (!progress)
            return {};
        return [&progress, from, to](double done) { progress(from + (to - from) * done); };
    };
    OrderResult result;
    const std::vector<int> found = searchTour(tour, share(0, 0.75), settings);
    result.order = orderOfTour(found, kind);
    result.length = orderLength(table, result.order, kind);
    double tourLength = 0;
    for (size_t i = 0; i < found.size(); ++i)
        tourLength += tour(found[i], found[(i + 1) % found.size()]);
    result.lowerBound =
        std::min(result.length, tourLowerBound(tour, tourLength, share(0.75, 1)) - offset);
    result.exact = result.lowerBound >= result.length * (1 - 1e-12);
    return result;
}

} // namespace amb::planning
