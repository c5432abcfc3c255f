#include "distance/trip_legs.h"

#include "app/form1.h"
#include "app/locale_numbers.h"
#include "distance/zip_distance.h"

namespace amb {

MeasureOptions measureOptionsOf(const MeasureChoice& choice, OutputFormat format) {
    MeasureOptions options;
    options.unit = parseDistanceUnit(choice.unit).value_or(DistanceUnit::StatuteMiles);
    options.model = parseEarthModel(choice.model).value_or(EarthModel::Sphere);
    options.total = choice.totalLine;
    options.course = choice.courseInEachLine;
    options.format = format;
    return options;
}

TripStop tripStopOf(const TripRow& row) {
    const double latitude = modZipDistance::coordinateFromText(row.latitude);
    const double longitude = modZipDistance::coordinateFromText(row.longitude);
    const qsizetype dash = row.text.indexOf(QStringLiteral(" - "));
    return TripStop{row.text, dash < 0 ? row.text : row.text.left(dash),
                    dash < 0 ? QString() : row.text.mid(dash + 3), latitude, longitude};
}

MeasuredLeg measureLeg(const TripRow& upper, const TripRow& lower, const MeasureOptions& options) {
    // Built as the window's miles are: the rows' own texts, no name split off its
    // region, the sentence straight into the QString the results list keeps. It
    // reads as the tool's legSentence, byte for byte.
    const LocaleNumbers& numbers = LocaleNumbers::current();
    using modZipDistance::coordinateFromText;
    const double lat1 = coordinateFromText(upper.latitude, numbers);
    const double lon1 = coordinateFromText(upper.longitude, numbers);
    const double lat2 = coordinateFromText(lower.latitude, numbers);
    const double lon2 = coordinateFromText(lower.longitude, numbers);
    MeasuredLeg leg;
    const bool sameText = upper.text == lower.text;
    if (!sameText)
        leg.distance = legDistance(lat1, lon1, lat2, lon2, options.unit, options.model);
    leg.sentence = modZipDistance::distanceSentence(
        upper.text, lower.text,
        sameText ? QStringLiteral("0") : numbers.toText(modZipDistance::roundToCents(leg.distance)),
        unitWords(options.unit));
    if (options.course && !sameText)
        leg.sentence += QString::fromStdString(
            courseClause(legCourse(lat1, lon1, lat2, lon2, options.model), numbers));
    return leg;
}

std::vector<TripRow> tripRowsOf(const ListView& list) {
    std::vector<TripRow> rows;
    const int n = list.count();
    rows.reserve(static_cast<size_t>(n));
    for (int i = 1; i <= n; ++i)
        rows.push_back({list.text(i), list.subItem(i, 1), list.subItem(i, 2)});
    return rows;
}

std::string writeTripLegs(const std::vector<TripRow>& rows, const MeasureOptions& options) {
    LegWriter writer(options, LocaleNumbers::current());
    std::string out;
    writer.start(out);
    std::vector<TripStop> stops;
    stops.reserve(rows.size());
    for (const TripRow& row : rows)
        stops.push_back(tripStopOf(row));
    for (size_t i = 1; i < stops.size(); ++i) {
        const TripStop& a = stops[i - 1];
        const TripStop& b = stops[i];
        const double distance = a.text == b.text ? 0
                                                 : legDistance(a.latitude, a.longitude, b.latitude,
                                                               b.longitude, options.unit,
                                                               options.model);
        writer.leg(a, b, distance, out);
    }
    writer.finish(out);
    return out;
}

} // namespace amb
