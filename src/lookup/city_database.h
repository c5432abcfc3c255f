#pragma once

#include "app/locale_numbers.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QVariantList>
#include <vector>

namespace amb {

class SqliteStatement;

// The city database: an SQLite file beside the program with the table
//   cities(city, AccentCity, Region, Latitude REAL, Longitude REAL)
// where `city` is foldCityName(AccentCity) and an index on `city` turns a prefix
// search into an index range scan.
inline const QString kCityDatabaseFileName = QStringLiteral("dbCities.sqlite");

// The database beside the program.
QString defaultCityDatabasePath();

// The statements that create the table and its index (the importer and the
// benchmark's synthetic database use them).
QString cityTableSchema();
QString cityIndexSchema();

// A city as the database holds it.
struct CityRecord {
    QString accentCity;
    QString region; // empty when the database holds none
    double latitude = 0;
    double longitude = 0;
};

// A city row as the lists show it: "AccentCity - Region" and the coordinates as
// text in the user's locale, held as one text (the row text, then the latitude,
// then the longitude), so that a row costs one allocation.
struct CityRow {
    QString cells;
    qsizetype textLength = 0;
    qsizetype latitudeLength = 0;

    QStringView text() const { return QStringView(cells).first(textLength); }
    QStringView latitude() const { return QStringView(cells).sliced(textLength, latitudeLength); }
    QStringView longitude() const { return QStringView(cells).sliced(textLength + latitudeLength); }
};

// The statement that selects the cities whose folded name begins with the folded
// search text, and the values bound to it. The text is never part of the
// statement. Without % or _ the match is a range on the index; with them, the
// characters keep their pattern meaning and the literal part before the first
// one still narrows the range.
struct CityStatement {
    QString sql;
    QVariantList values;
};
CityStatement cityStatement(const QString& searchText);

// The number text of a coordinate in degrees: up to 15 significant digits, the
// locale's decimal separator and no group separators (QLocale::toString(degrees,
// 'g', 15) with OmitGroupSeparator), so the distance run reads it back with the
// same locale.
QString coordinateText(double degrees, const QLocale& locale);

// The same for many numbers: the locale's symbols are looked up once.
class CoordinateFormat {
public:
    explicit CoordinateFormat(const QLocale& locale);
    QString text(double degrees) const;

private:
    LocaleNumbers numbers_;
};

// "AccentCity - Region"; an empty region leaves the text ending in " - ".
QString cityRowText(const QString& accentCity, const QString& region);

// The collator that orders the search list for `locale`: its collation, or under
// the C locale a neutral English one, so accented names do not fall behind Z.
QCollator cityCollator(const QLocale& locale);

// Throws RunTimeError naming the path and the cause unless `databasePath` is a
// regular file this user may read (a pipe would hang the search).
void checkDatabaseFile(const QString& databasePath);

// Reads the matching cities from the database file, in the order of findCityRows.
// The file is opened read-only for this call only. Throws RunTimeError with a
// description that says what is wrong and what to do.
std::vector<CityRecord> findCityRecords(const QString& databasePath, const QString& searchText,
                                        const QLocale& locale);

// What the search list shows for a search text, row by row, for the user's
// `locale` (QLocale::system()): ordered by AccentCity, then Region, in the
// locale's collation (rows equal there by the exact texts, then by latitude and
// longitude), The file is opened read-only for
// this call only. Throws RunTimeError as findCityRecords does. The command-line
// search prints the same rows.
std::vector<CityRow> findCityRows(const QString& databasePath, const QString& searchText,
                                  const QLocale& locale);

// A coordinate as the database stores it: a number, or a text that reads as
// one. Anything else throws RunTimeError naming the database and the city.
double storedDegrees(const SqliteStatement& row, int column, QByteArrayView accentCity,
                     const char* what, const QString& databasePath);

} // namespace amb
