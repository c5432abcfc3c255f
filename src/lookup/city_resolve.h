#pragma once

#include "lookup/city_database.h"

#include <QString>
#include <memory>
#include <vector>

namespace amb {

// A city found by a name the user typed, with what tells it apart from others of
// that name.
struct NamedCity {
    CityRecord record;
    qint64 population = -1; // -1: unknown
    QString country;        // two-letter code; may be empty
    bool ownName = true;    // found by its own name, not by an alternate one
    QString text() const { return cityRowText(record.accentCity, record.region); }
};

struct NameMatch {
    // The cities the name stands for, the most populous first; the first is the
    // one taken. Empty when nothing matched.
    std::vector<NamedCity> matches;
    // When nothing matched: cities whose names are close to it, the closest first.
    std::vector<NamedCity> closeNames;
    // Nothing matched because of the qualifiers: closeNames are the cities of the
    // name elsewhere.
    bool elsewhere = false;
};

// Finds cities by the names people call them. A name matches a city when it folds
// (foldCityName) to the city's own name or to one of its alternate names
// ("Firenze", "Moskva"). "Name, Qualifier[, Qualifier...]" narrows the matches of
// Name to those whose region or country (name or two-letter code) folds to each
// qualifier: "Paris, Texas", "Paris, US", "Florence, Italy". A name that itself
// holds a comma is tried whole first.
class CityResolver {
public:
    // Opens the database read-only for the resolver's lifetime. Throws RunTimeError
    // when the file is missing or unreadable, or when it was built before it kept
    // the population and alternate names (the message says how to rebuild it).
    explicit CityResolver(const QString& databasePath);
    ~CityResolver();
    CityResolver(const CityResolver&) = delete;
    CityResolver& operator=(const CityResolver&) = delete;

    NameMatch resolve(const QString& name);

private:
    struct Private;
    std::unique_ptr<Private> d_;
};

// The number of typing slips (a letter wrong, missing, extra, or two swapped)
// that turn one name into the other.
qsizetype typingDistance(QStringView a, QStringView b);

} // namespace amb
