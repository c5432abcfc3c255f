#pragma once

#include "distance/leg_measure.h"

#include <functional>
#include <vector>

namespace amb::planning {

// Which ends of the trip stay where they are.
enum class OrderKind {
    FromFirst,   // starts at the first stop, ends wherever is shortest
    BetweenEnds, // starts at the first stop and ends at the last
    RoundTrip,   // starts at the first stop and comes back to it
};

// A symmetric table of distances between stops, row-major.
class DistanceTable {
public:
    DistanceTable() = default;
    explicit DistanceTable(int size) : size_(size), d_(static_cast<size_t>(size) * size, 0.0) {}
    int size() const { return size_; }
    const double& operator()(int a, int b) const { return d_[static_cast<size_t>(a) * size_ + b]; }
    void set(int a, int b, double value) {
        d_[static_cast<size_t>(a) * size_ + b] = value;
        d_[static_cast<size_t>(b) * size_ + a] = value;
    }

private:
    int size_ = 0;
    std::vector<double> d_;
};

struct OrderPoint {
    double latitude = 0;
    double longitude = 0;
};

// The distances between every two points in `unit` on `model`, as the legs are
// measured. Throws RunTimeError as legDistance does.
// Told the share done (0 to 1) now and then during a long search; it may let the
// window's events run, and what it throws ends the search.
using OrderProgress = std::function<void(double share)>;

DistanceTable distanceTable(const std::vector<OrderPoint>& points, DistanceUnit unit,
                            EarthModel model, const OrderProgress& progress = {});

struct OrderResult {
    std::vector<int> order; // the stops' indexes in their new order, the first stop first
    double length = 0;      // of the new order, the way back included for a round trip
    double lowerBound = 0;  // no order of these stops of this kind is shorter
    bool exact = false;     // proven shortest
};

// The length of the stops in `order`, with the way back when `kind` is a round trip.
double orderLength(const DistanceTable& table, const std::vector<int>& order, OrderKind kind);

// Stops up to this many are ordered exactly.
inline constexpr int kExactStops = 16;

struct OrderSettings {
    bool forceHeuristic = false; // search even where the exact method would do
    unsigned seed = 1;
    int rounds = 0; // kicks of the search; 0: as many as the stops' number asks
};

// The shortest order of the stops of `table` (at least one) of `kind`.
OrderResult shortestOrder(const DistanceTable& table, OrderKind kind,
                          const OrderProgress& progress = {}, const OrderSettings& settings = {});

// The parts, for tests and the benchmark.
OrderResult exactOrder(const DistanceTable& table, OrderKind kind);
// A closed tour of every stop of `table` from stop 0, found by local search.
std::vector<int> searchTour(const DistanceTable& table, const OrderProgress& progress,
                            const OrderSettings& settings);
// A lower bound on the length of every closed tour of `table` (the 1-tree bound with
// subgradient steps), given the length of a known tour.
double tourLowerBound(const DistanceTable& table, double knownTour,
                      const OrderProgress& progress = {});

} // namespace amb::planning
