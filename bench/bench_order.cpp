// The shortest order of the 16, 200 and 1,000 most populous cities of the default
// database, of each kind, on the sphere and at 1,000 on the ellipsoid too: the time
// of the whole order (the distances included, as the window and the tool spend it),
// the share of the order above the lower bound (at most that far from the shortest)
// and how much shorter it is than the cities in order of population.
#include "bench_support.h"
#include "lookup/sqlite_database.h"
#include "planning/trip_order.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

std::vector<std::optional<amb::planning::OrderPoint>> mostPopulous(const QString& database,
                                                                   int count) {
    std::vector<std::optional<amb::planning::OrderPoint>> places;
    amb::SqliteDatabase db(database, amb::SqliteDatabase::ReadOnly);
    amb::SqliteStatement q(db, "SELECT c.Latitude, c.Longitude FROM cities c JOIN city_facts f "
                               "ON f.id = c.rowid ORDER BY f.population DESC LIMIT ?");
    q.bind(1, qint64(count));
    while (q.next())
        places.push_back(amb::planning::OrderPoint{q.real(0), q.real(1)});
    return places;
}

} // namespace

int main(int argc, char* argv[]) {
    using namespace amb;
    using namespace amb::planning;
    QCoreApplication app(argc, argv);
    const QString database = QStringLiteral(AMBREVALE_PROGRAM_DIR "/dbCities.sqlite");
    const auto all = mostPopulous(database, 1000);
    if (all.size() < 1000) {
        std::fprintf(stderr, "bench_order: %s lacks 1,000 cities with their population; build "
                             "it with scripts/build-database.sh\n",
                     qPrintable(database));
        return 1;
    }
    struct Kind {
        OrderKind kind;
        const char* name;
    };
    const Kind kinds[] = {{OrderKind::FromFirst, "from the first"},
                          {OrderKind::BetweenEnds, "between the ends"},
                          {OrderKind::RoundTrip, "round trip"}};
    std::printf("shortest order of the most populous cities (km)\n");
    for (const int stops : {16, 200, 1000}) {
        const std::vector<std::optional<OrderPoint>> places(all.begin(), all.begin() + stops);
        for (const EarthModel model : {EarthModel::Sphere, EarthModel::Wgs84}) {
            if (model == EarthModel::Wgs84 && stops != 1000)
                continue;
            for (const Kind& kind : kinds) {
                QElapsedTimer timer;
                timer.start();
                int told = 0;
                const TripPlan plan = planTrip(places, kind.kind, DistanceUnit::Kilometres, model,
                                               [&](double) { ++told; });
                const double ms = bench::ms(timer);
                const QString label = QStringLiteral("order of %1 cities, %2, %3")
                                          .arg(stops)
                                          .arg(QString::fromLatin1(kind.name),
                                               modelName(model));
                std::printf("HEADLINE\t%s\t%.0f ms, %.2f %% above the bound%s\n",
                            qPrintable(label), ms, (plan.after / plan.bound - 1) * 100,
                            plan.exact ? " (exact)" : "");
                std::printf("  %.1f km, was %.1f km; progress told %d times\n", plan.after,
                            plan.before, told);
            }
        }
    }
    return 0;
}
