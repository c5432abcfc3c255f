#pragma once

#include "distance/leg_measure.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace amb {

class LocaleNumbers;
struct CityRecord;

// The output formats of search, distance and trip. Text is what the tool always
// printed (numbers in the user's locale); the others are for programs and use
// locale-independent numbers: the shortest decimal that reads back to the same
// double.
enum class OutputFormat { Text, Tsv, Csv, Json, GeoJson };

std::optional<OutputFormat> parseOutputFormat(const QString& text);

// How a trip is measured and written: the unit, the earth model, the format and
// whether a total follows the last leg.
struct MeasureOptions {
    DistanceUnit unit = DistanceUnit::StatuteMiles;
    EarthModel model = EarthModel::Sphere;
    OutputFormat format = OutputFormat::Text;
    bool total = false;
    // Each text sentence ends with the leg's initial course.
    bool course = false;
    // Whether anything differs from the window's sentences in miles.
    bool plain() const {
        return unit == DistanceUnit::StatuteMiles && model == EarthModel::Sphere &&
               format == OutputFormat::Text && !total && !course;
    }
};

// A stop of a trip: the text the lists show ("City - Region") and its parts.
struct TripStop {
    QString text;
    QString name;   // the city's name; the whole text when it has no parts
    QString region; // may be empty
    double latitude = 0;
    double longitude = 0;
};

// Writes the legs of a trip in one format, appending to `out` as legs come (text,
// TSV and CSV stream; JSON and GeoJSON are one document, written by finish()).
class LegWriter {
public:
    LegWriter(const MeasureOptions& options, const LocaleNumbers& numbers);

    // Before the first leg: a header line where the format has one.
    void start(std::string& out);
    // One leg; `distance` in the options' unit, unrounded.
    void leg(const TripStop& from, const TripStop& to, double distance, std::string& out);
    // After the last leg: the total where asked for (JSON always has it), and the
    // JSON or GeoJSON document.
    void finish(std::string& out);

    double total() const { return total_; }

private:
    qsizetype stopIndex(const TripStop& stop);

    MeasureOptions options_;
    const LocaleNumbers& numbers_;
    double total_ = 0;
    // Kept for the documents only.
    std::vector<TripStop> stops_;
    struct Leg {
        qsizetype from, to;
        double distance;
        std::optional<LegCourse> course;
    };
    std::vector<Leg> legsKept_;
};

// Search results in a machine format (text stays the search list's lines).
std::string formatCities(const std::vector<CityRecord>& cities, OutputFormat format);

// The sentence of one leg in the user's locale: the window's sentence in miles,
// the same with "kilometres" or "nautical miles" otherwise; with a course, followed
// by courseClause.
std::string legSentence(const QString& from, const QString& to, double distance, DistanceUnit unit,
                        const LocaleNumbers& numbers,
                        const std::optional<LegCourse>& course = std::nullopt);

// ", initial course 323°" (whole degrees in the user's digits); nothing for a leg
// without a course.
std::string courseClause(const std::optional<LegCourse>& course, const LocaleNumbers& numbers);

// The course of a leg as the writers give it: none between stops of the same text,
// which are 0 apart.
std::optional<LegCourse> stopsCourse(const TripStop& from, const TripStop& to, EarthModel model);

// The sentence after the last leg that gives the trip's total, in the same words.
std::string totalSentence(double total, DistanceUnit unit, const LocaleNumbers& numbers);

} // namespace amb
