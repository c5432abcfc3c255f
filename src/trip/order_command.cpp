// The trip list's "Shortest Order" commands: the cities in the shortest order of the
// kind chosen, measured as the results list's menu measures.
#include "app/error_report.h"
#include "app/form1.h"
#include "app/locale_numbers.h"
#include "app/runtime_error.h"
#include "distance/trip_legs.h"
#include "distance/zip_distance.h"
#include "planning/trip_order.h"

#include <algorithm>
#include <cmath>

namespace amb {

namespace {

bool ordering = false; // one search at a time: the search lets other clicks run

std::optional<planning::OrderPoint> placeOf(const TripRow& row, const LocaleNumbers& numbers) {
    try {
        const double latitude = modZipDistance::coordinateFromText(row.latitude, numbers);
        const double longitude = modZipDistance::coordinateFromText(row.longitude, numbers);
        if (std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180)
            return planning::OrderPoint{latitude, longitude};
    } catch (const RunTimeError&) {
        // restored without coordinates: it keeps its place after the measured cities
    }
    return std::nullopt;
}

bool sameRows(const std::vector<TripRow>& a, const std::vector<TripRow>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].text != b[i].text || a[i].latitude != b[i].latitude ||
            a[i].longitude != b[i].longitude)
            return false;
    return true;
}

void orderTrip(Form1& form, planning::OrderKind kind, const QString& path) {
    if (ordering)
        return;
    ordering = true;
    struct Done {
        ~Done() { ordering = false; }
    } done;
    Platform& platform = form.platform();
    ListView& trip = *form.ListView3;
    ErrorReport report(platform, path);
    std::vector<TripRow> rows;
    report(100, [&] { rows = tripRowsOf(trip); });
    if (rows.size() < 2)
        return;
    const LocaleNumbers& numbers = LocaleNumbers::current();
    std::vector<std::optional<planning::OrderPoint>> places;
    for (const TripRow& row : rows)
        places.push_back(placeOf(row, numbers));
    const MeasureOptions options = measureOptionsOf(form.measureChoice);
    planning::TripPlan plan;
    bool planned = false;
    report(102, [&] {
        platform.setMousePointer(pointer::Hourglass);
        form.ProgressBar1->setText(QStringLiteral("Finding the shortest order"));
        // Between the steps the window repaints and answers; a closed window ends
        // the search with ProgramEnding, which no report catches.
        plan = planning::planTrip(places, kind, options.unit, options.model, [&](double share) {
            form.ProgressBar1->setValue(share * 100);
            platform.doEvents();
        });
        planned = true;
    });
    report(104, [&] {
        platform.setMousePointer(pointer::Default);
        form.ProgressBar1->setValue(0);
        form.ProgressBar1->setText(QStringLiteral("Progress Bar"));
    });
    // A list changed during the search keeps the user's change.
    if (!planned || !sameRows(rows, tripRowsOf(trip)))
        return;
    report(106, [&] {
        const int selected = trip.hasSelection() ? trip.selectedIndex() : 0;
        auto& modelRows = trip.model().rows;
        std::vector<ListModel::Row> ordered;
        ordered.reserve(modelRows.size());
        int newSelected = 0;
        for (int i : plan.order) {
            ordered.push_back(std::move(modelRows[static_cast<size_t>(i)]));
            if (i + 1 == selected)
                newSelected = static_cast<int>(ordered.size());
        }
        modelRows = std::move(ordered);
        ListModel& model = trip.model();
        Q_EMIT model.dataChanged(model.index(0, 0),
                                 model.index(static_cast<int>(modelRows.size()) - 1,
                                             std::max(0, model.columnCount() - 1)));
        if (newSelected > 0)
            trip.select(newSelected); // the same entry, in its new place
    });
    if (kind == planning::OrderKind::RoundTrip && !form.measureChoice.returnToFirst) {
        MeasureChoice choice = form.measureChoice;
        choice.returnToFirst = true;
        form.setMeasureChoice(choice);
    }
}

} // namespace

void Form1::ShortestOrderFromFirst_Click() {
    orderTrip(*this, planning::OrderKind::FromFirst, QStringLiteral("Form1.ShortestOrder_Click"));
}

void Form1::ShortestOrderBetweenEnds_Click() {
    orderTrip(*this, planning::OrderKind::BetweenEnds,
              QStringLiteral("Form1.ShortestOrder_Click"));
}

void Form1::ShortestOrderRoundTrip_Click() {
    orderTrip(*this, planning::OrderKind::RoundTrip, QStringLiteral("Form1.ShortestOrder_Click"));
}

} // namespace amb
