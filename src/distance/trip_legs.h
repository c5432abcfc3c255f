#pragma once

#include "distance/distance_run.h"
#include "output/leg_output.h"

#include <string>
#include <vector>

namespace amb {

struct MeasureChoice;
class ListView;

// The options a choice of the results list's menu stands for, in `format`. Words the
// tool would not take fall back to miles on the sphere.
MeasureOptions measureOptionsOf(const MeasureChoice& choice,
                                OutputFormat format = OutputFormat::Text);

// One leg in the chosen unit and model: its sentence in the user's locale and its
// unrounded distance (0 between two entries of the same text). Throws RunTimeError
// when a coordinate is not a number or the arithmetic fails.
struct MeasuredLeg {
    QString sentence;
    double distance = 0;
};
MeasuredLeg measureLeg(const TripRow& upper, const TripRow& lower, const MeasureOptions& options);

// A trip row as a stop: "City - Region" split at its first " - ", coordinates read
// in the user's locale. Throws RunTimeError when a coordinate is not a number.
TripStop tripStopOf(const TripRow& row);

// The rows of a trip list, top to bottom.
std::vector<TripRow> tripRowsOf(const ListView& list);

// The legs of the rows in the options' format, as the tool writes them. Throws
// RunTimeError for the first row or leg that cannot be measured.
std::string writeTripLegs(const std::vector<TripRow>& rows, const MeasureOptions& options);

} // namespace amb
