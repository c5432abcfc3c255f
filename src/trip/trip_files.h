#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace amb {

// A trip entry as a file holds it: the text the trip list shows and its place.
struct TripFileEntry {
    QString text;
    double latitude = 0;
    double longitude = 0;
};

// What is wrong with a file and where: "line 3", "element rtept 2 (line 7)".
struct TripFileError {
    QString place;
    QString what;
};

struct TripFileContents {
    std::vector<TripFileEntry> entries;
    std::optional<TripFileError> error; // set: the entries are to be ignored
};

enum class TripFileFormat { Gpx, GeoJson, Csv };

// Files beyond these are refused before they are read, so a wrong choice cannot
// fill the memory or hold the window for minutes.
inline constexpr qint64 kMaxTripFileBytes = 32 * 1024 * 1024;
inline constexpr qsizetype kMaxTripFileEntries = 100000;

// Reads a trip from a file's bytes, whatever it is of: GPX (route, track or waypoint
// points), GeoJSON (its Point features in order, as the tool and this window write
// it), CSV (the tool's columns for cities or legs) or the tool's search lines (text,
// tab, latitude, tab, longitude). A point without a name is named by its
// coordinates. `progress`, when given, is told the share read (0 to 1) now and then;
// it may throw to stop the reading.
TripFileContents readTripFile(const QByteArray& bytes,
                              const std::function<void(double)>& progress = {});

// The trip in a format: GPX 1.1 as one route, GeoJSON and CSV as the tool writes the
// cities of a trip.
QByteArray writeTripFile(const std::vector<TripFileEntry>& entries, TripFileFormat format);

// "48.85, 2.35": the name of a point that has none.
QString coordinatesName(double latitude, double longitude);

} // namespace amb
