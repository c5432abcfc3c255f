#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace amb {

class Form1;

inline const QString kSettingsApplication = QStringLiteral("Tormalyn");
inline const QString kSettingsSection = QStringLiteral("Ambrevale");
inline const QString kCitiesValue = QStringLiteral("Cities");
// Each trip entry's text, latitude and longitude, so restored entries can be
// measured again. "Cities" alone keeps its long-standing format for other readers.
inline const QString kCoordinatesValue = QStringLiteral("CityCoordinates");

struct SavedEntry {
    QString text;
    QString latitude;
    QString longitude;
};

// "Cities": the texts joined with ";", no escaping.
QString joinCities(const QStringList& texts);
// The non-empty parts of a "Cities" value, in order.
QStringList splitCities(const QString& value);

// The coordinates value: one line per entry, text, tab, latitude, tab, longitude.
QString joinCoordinates(const std::vector<SavedEntry>& entries);
// Entries of a coordinates value; empty when it is damaged.
std::vector<SavedEntry> parseCoordinates(const QString& value);

// Start-up's last step: fills the trip list from the settings store.
void restoreTripList(Form1& form);

} // namespace amb
