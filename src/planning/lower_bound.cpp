// The 1-tree bound: a tree through every stop but one, plus that stop's two shortest
// edges, is never longer than the shortest tour; weights on the stops that push
// each towards two edges (subgradient steps) raise the bound towards the tour.
#include "planning/shortest_order.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace amb::planning {

namespace {

struct OneTree {
    double length = 0;     // with the weights
    std::vector<int> degree;
};

// Prim's tree over all stops but the last, whose two shortest edges close it.
OneTree oneTree(const DistanceTable& d, const std::vector<double>& weight) {
    const int n = d.size();
    const int special = n - 1;
    OneTree tree;
    tree.degree.assign(static_cast<size_t>(n), 0);
    constexpr double kFar = std::numeric_limits<double>::infinity();
    // The stops not yet in the tree, packed, with their nearest reach into it.
    std::vector<int> left(static_cast<size_t>(special - 1));
    std::vector<double> reach(static_cast<size_t>(special - 1), kFar);
    std::vector<int> from(static_cast<size_t>(special - 1), 0);
    for (int c = 1; c < special; ++c)
        left[c - 1] = c;
    int current = 0;
    for (size_t size = left.size(); size > 0; --size) {
        const double* row = &d(current, 0);
        const double base = weight[current];
        size_t nearest = 0;
        for (size_t i = 0; i < size; ++i) {
            const int c = left[i];
            const double w = row[c] + base + weight[c];
            if (w < reach[i]) {
                reach[i] = w;
                from[i] = current;
            }
            if (reach[i] < reach[nearest])
                nearest = i;
        }
        current = left[nearest];
        tree.length += reach[nearest];
        ++tree.degree[current];
        ++tree.degree[from[nearest]];
        left[nearest] = left[size - 1];
        reach[nearest] = reach[size - 1];
        from[nearest] = from[size - 1];
    }
    double first = kFar, second = kFar;
    int a = -1, b = -1;
    for (int c = 0; c < special; ++c) {
        const double w = d(special, c) + weight[special] + weight[c];
        if (w < first) {
            second = first;
            b = a;
            first = w;
            a = c;
        } else if (w < second) {
            second = w;
            b = c;
        }
    }
    tree.length += first + second;
    tree.degree[special] = 2;
    ++tree.degree[a];
    ++tree.degree[b];
    for (int c = 0; c < n; ++c)
        tree.length -= 2 * weight[c];
    return tree;
}

} // namespace

double tourLowerBound(const DistanceTable& table, double knownTour, const OrderProgress& progress) {
    const int n = table.size();
    if (n <= 3)
        return knownTour;
    std::vector<double> weight(static_cast<size_t>(n), 0.0);
    std::vector<int> lastStep(static_cast<size_t>(n), 0);
    double bound = -std::numeric_limits<double>::infinity();
    double scale = 2;
    int sinceBetter = 0;
    // Each step costs n^2; a thousand stops get fewer steps than a hundred (200, which
    // with the tour keeps their order within two seconds and the bound within a few %).
    const int steps = std::clamp(200000000 / (n * n), 100, 400);
    const int patience = std::max(10, steps / 20);
    using Clock = std::chrono::steady_clock;
    auto lastTold = Clock::now();
    for (int step = 0; step < steps && scale > 1e-6; ++step) {
        if (progress && Clock::now() - lastTold > std::chrono::milliseconds(40)) {
            progress(static_cast<double>(step) / steps);
            lastTold = Clock::now();
        }
        const OneTree tree = oneTree(table, weight);
        if (tree.length > bound) {
            bound = tree.length;
            sinceBetter = 0;
        } else if (++sinceBetter >= patience) {
            scale /= 2;
            sinceBetter = 0;
        }
        double squares = 0;
        bool tour = true;
        for (int c = 0; c < n; ++c) {
            // Part of the last step's direction, which keeps the steps from zigzagging.
            const int g = tree.degree[c] - 2;
            const double direction = 0.7 * g + 0.3 * lastStep[c];
            squares += direction * direction;
            tour = tour && g == 0;
        }
        if (tour) // the tree is a tour: the shortest one
            return std::min(knownTour, tree.length);
        // From the best bound so far: from the last one, a poor step makes the next
        // larger, and the steps run away.
        const double length = scale * (knownTour - bound) / squares;
        if (!(length > 0))
            break;
        for (int c = 0; c < n; ++c) {
            const int g = tree.degree[c] - 2;
            weight[c] += length * (0.7 * g + 0.3 * lastStep[c]);
            lastStep[c] = g;
        }
    }
    return std::min(bound, knownTour);
}

} // namespace amb::planning
