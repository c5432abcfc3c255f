#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace amb {

class ErrorReport;
class Form1;
class LocaleNumbers;

inline const QString kSettingsApplication = QStringLiteral("Tormalyn");
inline const QString kSettingsSection = QStringLiteral("Ambrevale");
inline const QString kCitiesValue = QStringLiteral("Cities");
// Each trip entry's text, latitude and longitude, so restored entries can be
// measured again. "Cities" alone keeps its long-standing format for other readers.
inline const QString kCoordinatesValue = QStringLiteral("CityCoordinates");

// The results list's measuring choices and the map window's place, each under its
// own name, so a store without them gives today's sentences.
inline const QString kUnitValue = QStringLiteral("Unit");
inline const QString kEarthModelValue = QStringLiteral("EarthModel");
inline const QString kTotalLineValue = QStringLiteral("TotalLine");
inline const QString kReturnToFirstValue = QStringLiteral("ReturnToFirst");
inline const QString kCourseValue = QStringLiteral("CourseInEachLine");
inline const QString kMapWindowValue = QStringLiteral("MapWindow");

struct MeasureChoice;
class Platform;

// Reads the measuring choices into the form (line `line` of start-up's report); a
// value that is not one of the words kept gives the default.
void restoreMeasureChoice(Form1& form, ErrorReport& report, int line);
// Writes them; throws RunTimeError when the store cannot be written.
void keepMeasureChoice(Platform& platform, const MeasureChoice& choice);

struct SavedEntry {
    QString text;
    QString latitude;
    QString longitude;
};

// "Cities": the texts joined with ";", no escaping.
QString joinCities(const QStringList& texts);
// The non-empty parts of a "Cities" value, in order.
QStringList splitCities(const QString& value);

// The coordinates value as it is kept: a JSON array with one array of three
// strings per entry (text, latitude, longitude). Any text fits, line breaks, tabs
// and ";" included, and the numbers are written the same in every locale: the
// shortest decimal with a point that reads back to the same double. A coordinate
// that is no number is kept as its text.
QString keepCoordinates(const std::vector<SavedEntry>& entries, const LocaleNumbers& numbers);
// The entries of a value written by keepCoordinates, their numbers as `numbers`
// writes them; nothing when the value is in another layout or damaged.
std::optional<std::vector<SavedEntry>> readKeptCoordinates(const QString& value,
                                                           const LocaleNumbers& numbers);

// The layout kept before: one line per entry, text, tab, latitude, tab, longitude,
// the numbers in the locale of the day. Still read, so no kept trip is lost.
QString joinCoordinates(const std::vector<SavedEntry>& entries);
// Entries of a coordinates value in that layout; empty when it is damaged.
std::vector<SavedEntry> parseCoordinates(const QString& value);

class ListView;

// Entry `item` of the trip list as it is kept.
SavedEntry keptEntry(const ListView& trip, int item);
// Writes the trip list's two values, "Cities" (`cities`, the texts joined) and the
// kept coordinates of `entries`, together; throws RunTimeError when the store
// cannot be written.
void writeTripList(Platform& platform, const QString& cities,
                   const std::vector<SavedEntry>& entries);

// Keeps the trip list in the settings store as it changes, so that a run which
// ends badly (killed, its display gone, the power cut) loses none of it. Any change
// of the list's rows, whatever command made it, starts a short timer; when that
// runs out the list is written as the close writes it, so several quick changes
// share one write. A write that fails shows nothing: the close reports its own.
class TripListKeeper {
public:
    static constexpr int kDelayMs = 300; // well within a second of any change

    explicit TripListKeeper(Form1& form);
    ~TripListKeeper();
    TripListKeeper(const TripListKeeper&) = delete;
    TripListKeeper& operator=(const TripListKeeper&) = delete;

    // A change is waiting for its write.
    bool pending() const;
    // The window is closing and writes the list itself: no more writes from here.
    void stop();

private:
    void keep();
    Form1& form_;
    std::unique_ptr<QTimer> timer_;
};

// Start-up's last step: fills the trip list from the settings store. Reading the
// value is line `line` of start-up's `report`, reading the coordinates line + 2 and
// each entry line + 4, so one that fails does not keep the others out.
void restoreTripList(Form1& form, ErrorReport& report, int line);

} // namespace amb
