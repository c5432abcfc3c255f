// The search for a short closed tour: a nearest-neighbour start, then 2-opt and
// Or-opt moves over lists of near neighbours until none gains, then many rounds of
// a small kick (two neighbouring pieces of the tour swapped, a local double bridge)
// followed by the same moves around the kick; a round that makes the tour longer is
// taken back.
#include "planning/shortest_order.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>

namespace amb::planning {

namespace {

constexpr int kNeighbours = 10;
constexpr int kLongestPiece = 3; // of the Or-opt moves

class Tour {
public:
    Tour(const DistanceTable& table, std::vector<int> order)
        : d_(table), n_(table.size()), t_(std::move(order)), pos_(n_) {
        for (int i = 0; i < n_; ++i)
            pos_[t_[i]] = i;
        length_ = 0;
        for (int i = 0; i < n_; ++i)
            length_ += d_(t_[i], t_[(i + 1) % n_]);
        // Gains below this are rounding: the table may hold one very long tie.
        double longest = 0;
        for (int a = 0; a < n_; ++a)
            for (int b = 0; b < n_; ++b)
                longest = std::max(longest, d_(a, b));
        epsilon_ = longest * 1e-12;
        near_.resize(static_cast<size_t>(n_));
        const int k = std::min(kNeighbours, n_ - 1);
        std::vector<int> others;
        for (int a = 0; a < n_; ++a) {
            others.clear();
            for (int b = 0; b < n_; ++b)
                if (b != a)
                    others.push_back(b);
            std::partial_sort(others.begin(), others.begin() + k, others.end(),
                              [&](int x, int y) { return d_(a, x) < d_(a, y); });
            near_[a].assign(others.begin(), others.begin() + k);
        }
        queued_.assign(static_cast<size_t>(n_), 0);
    }

    int next(int c) const { return t_[pos_[c] + 1 == n_ ? 0 : pos_[c] + 1]; }
    int prev(int c) const { return t_[pos_[c] == 0 ? n_ - 1 : pos_[c] - 1]; }
    double length() const { return length_; }
    const std::vector<int>& order() const { return t_; }
    void copyFrom(const Tour& other) {
        t_ = other.t_;
        pos_ = other.pos_;
        length_ = other.length_;
    }

    void queue(int c) {
        if (!queued_[c]) {
            queued_[c] = 1;
            work_.push_back(c);
        }
    }
    void queueAll() {
        for (int c : t_)
            queue(c);
    }

    // Moves until none gains, starting from the queued stops.
    void improve() {
        while (!work_.empty()) {
            const int c = work_.back();
            work_.pop_back();
            queued_[c] = 0;
            if (twoOptFrom(c) || orOptFrom(c))
                queue(c);
        }
    }

    // Swaps the two pieces after position `at`, of `first` and `second` stops.
    void swapPieces(int at, int first, int second) {
        const auto p = [this](int i) { return i % n_; };
        const int a = t_[p(at)], b1 = t_[p(at + 1)], bl = t_[p(at + first)];
        const int c1 = t_[p(at + first + 1)], cl = t_[p(at + first + second)];
        const int d = t_[p(at + first + second + 1)];
        length_ += d_(a, c1) + d_(cl, b1) + d_(bl, d) - d_(a, b1) - d_(bl, c1) - d_(cl, d);
        std::vector<int>& piece = scratch_;
        piece.clear();
        for (int i = 0; i < second; ++i)
            piece.push_back(t_[p(at + first + 1 + i)]);
        for (int i = 0; i < first; ++i)
            piece.push_back(t_[p(at + 1 + i)]);
        for (int i = 0; i < first + second; ++i) {
            t_[p(at + 1 + i)] = piece[i];
            pos_[piece[i]] = p(at + 1 + i);
        }
        for (int c : {a, b1, bl, c1, cl, d})
            queue(c);
    }

private:
    // Turns round the stretch from a forward to b, or the rest of the tour, whichever
    // is shorter: the same tour either way.
    void reverse(int a, int b) {
        int i = pos_[a], j = pos_[b];
        int size = j - i;
        if (size < 0)
            size += n_;
        ++size;
        if (2 * size > n_) {
            const int from = j + 1 == n_ ? 0 : j + 1;
            j = i == 0 ? n_ - 1 : i - 1;
            i = from;
            size = n_ - size;
        }
        for (int k = 0; k < size / 2; ++k) {
            std::swap(t_[i], t_[j]);
            pos_[t_[i]] = i;
            pos_[t_[j]] = j;
            i = i + 1 == n_ ? 0 : i + 1;
            j = j == 0 ? n_ - 1 : j - 1;
        }
    }

    // Drops the edges a-b and c-d (b and d follow a and c the same way round) for a-c
    // and b-d.
    void exchange(int a, int b, int c, int d) {
        if (next(a) == b)
            reverse(b, c);
        else
            reverse(a, d);
    }

    bool twoOptFrom(int a) {
        for (const bool forward : {true, false}) {
            const int b = forward ? next(a) : prev(a);
            const double ab = d_(a, b);
            for (const int c : near_[a]) {
                const double first = ab - d_(a, c);
                if (first <= epsilon_)
                    break;
                const int d = forward ? next(c) : prev(c);
                if (c == b || d == a)
                    continue;
                const double gain = first + d_(c, d) - d_(b, d);
                if (gain > epsilon_) {
                    exchange(a, b, c, d);
                    length_ -= gain;
                    for (int s : {a, b, c, d})
                        queue(s);
                    return true;
                }
            }
        }
        return false;
    }

    // Moves the piece of 1 to 3 stops that starts at `s` between two other
    // neighbouring stops, either way round.
    bool orOptFrom(int s) {
        for (int size = 1; size <= kLongestPiece && size + 3 <= n_; ++size) {
            for (const bool forward : {true, false}) {
                int e = s;
                for (int i = 1; i < size; ++i)
                    e = forward ? next(e) : prev(e);
                // The piece the way the tour runs: f1 .. f2, between before and after.
                const int f1 = forward ? s : e, f2 = forward ? e : s;
                const int before = prev(f1), after = next(f2);
                const double cut = d_(before, f1) + d_(f2, after) - d_(before, after);
                if (cut <= epsilon_)
                    continue;
                const auto inPiece = [&](int c) {
                    for (int x = f1, i = 0; i < size; ++i, x = next(x))
                        if (x == c)
                            return true;
                    return false;
                };
                for (const int end : {f1, f2}) {
                    const int other = end == f1 ? f2 : f1;
                    for (const int c : near_[end]) {
                        if (d_(end, c) >= cut)
                            break;
                        if (inPiece(c))
                            continue;
                        for (const int e2 : {next(c), prev(c)}) {
                            if (inPiece(e2))
                                continue;
                            const double gain = cut - (d_(c, end) + d_(other, e2) - d_(c, e2));
                            if (gain > epsilon_) {
                                movePiece(f1, f2, before, after, c, e2, end);
                                length_ -= gain;
                                for (int x : {f1, f2, before, after, c, e2})
                                    queue(x);
                                return true;
                            }
                        }
                    }
                }
            }
        }
        return false;
    }

    // The piece f1..f2 (between before and after) goes between c and e, with `end`
    // next to c.
    void movePiece(int f1, int f2, int before, int after, int c, int e, int end) {
        const int x = next(c) == e ? c : e; // the edge x-y the way the tour runs
        const int y = x == c ? e : c;
        const int besideX = x == c ? end : (end == f1 ? f2 : f1);
        if (y == before) {
            exchange(x, before, f2, after); // x f2..f1 before after
        } else {
            exchange(before, f1, x, y); // before x .. after f2..f1 y
            if (x != after)
                exchange(before, x, after, f2); // before after .. x f2..f1 y
        }
        if (besideX != f2 && f1 != f2)
            exchange(x, f2, f1, y); // x f1..f2 y
    }

    const DistanceTable& d_;
    int n_;
    std::vector<int> t_, pos_;
    double length_ = 0;
    double epsilon_ = 0;
    std::vector<std::vector<int>> near_;
    std::vector<uint8_t> queued_;
    std::vector<int> work_, scratch_;
};

std::vector<int> nearestNeighbourTour(const DistanceTable& d) {
    const int n = d.size();
    std::vector<int> order{0};
    std::vector<uint8_t> used(static_cast<size_t>(n), 0);
    used[0] = 1;
    for (int step = 1; step < n; ++step) {
        const int from = order.back();
        int best = -1;
        for (int c = 0; c < n; ++c)
            if (!used[c] && (best < 0 || d(from, c) < d(from, best)))
                best = c;
        used[best] = 1;
        order.push_back(best);
    }
    return order;
}

} // namespace

std::vector<int> searchTour(const DistanceTable& table, const OrderProgress& progress,
                            const OrderSettings& settings) {
    const int n = table.size();
    if (n <= 3) {
        std::vector<int> order(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            order[i] = i;
        return order;
    }
    Tour tour(table, nearestNeighbourTour(table));
    tour.queueAll();
    tour.improve();
    if (n < 8)
        return tour.order();
    Tour best = tour;
    const int rounds = settings.rounds > 0 ? settings.rounds : 3000 + 20 * n;
    // A kick swaps two pieces of up to this many stops.
    const int piece = std::max(1, std::min(30, (n - 2) / 3));
    std::mt19937 random(settings.seed);
    using Clock = std::chrono::steady_clock;
    auto lastTold = Clock::now();
    for (int round = 0; round < rounds; ++round) {
        if (progress && (round & 63) == 0 && Clock::now() - lastTold > std::chrono::milliseconds(40)) {
            progress(static_cast<double>(round) / rounds);
            lastTold = Clock::now();
        }
        const int at = static_cast<int>(random() % static_cast<unsigned>(n));
        const int first = 1 + static_cast<int>(random() % static_cast<unsigned>(piece));
        const int second = 1 + static_cast<int>(random() % static_cast<unsigned>(piece));
        tour.swapPieces(at, first, second);
        tour.improve();
        if (tour.length() <= best.length())
            best.copyFrom(tour);
        else
            tour.copyFrom(best);
    }
    return best.order();
}

} // namespace amb::planning
