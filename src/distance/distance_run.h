#pragma once

#include <QString>

namespace amb {

class Platform;

// The distance run's procedure path and the line that measures one pair, so the
// command-line tool reports a failing pair exactly as the window does.
inline const QString kDistanceRunPath = QStringLiteral("Form1.PushButton17_Click");
inline constexpr int kMeasurePairLine = 132;

// One trip row as the trip list holds it: the city text and its coordinates as text.
struct TripRow {
    QString text;
    QString latitude;
    QString longitude;
};

// The result line for two neighbouring rows, upper row first. Throws RunTimeError
// (type mismatch) when a coordinate is not a number; a failing distance is reported
// by GetDistance itself and gives "... is 0 miles".
QString measurePair(Platform& platform, const TripRow& upper, const TripRow& lower);

} // namespace amb
