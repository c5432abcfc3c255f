#include "lookup/city_database.h"

#include "app/file_io.h"
#include "app/main_module.h"
#include "app/runtime_error.h"
#include "lookup/city_fold.h"
#include "lookup/sqlite_database.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace amb {

QString defaultCityDatabasePath() {
    return QDir(programFolder()).filePath(kCityDatabaseFileName);
}

QString cityTableSchema() {
    return QStringLiteral("CREATE TABLE cities (city TEXT NOT NULL, AccentCity TEXT NOT NULL, "
                          "Region TEXT, Latitude REAL NOT NULL, Longitude REAL NOT NULL)");
}

QString cityIndexSchema() {
    return QStringLiteral("CREATE INDEX cities_city ON cities (city)");
}

CityStatement cityStatement(const QString& searchText) {
    static const QString select =
        QStringLiteral("SELECT AccentCity, Region, Latitude, Longitude FROM cities");
    const QString folded = foldCityName(searchText);
    qsizetype wildcard = folded.indexOf(QLatin1Char('%'));
    const qsizetype underscore = folded.indexOf(QLatin1Char('_'));
    if (wildcard < 0 || (underscore >= 0 && underscore < wildcard))
        wildcard = underscore;

    const QString literal = wildcard < 0 ? folded : folded.left(wildcard);
    CityStatement statement;
    QStringList conditions;
    // A text that folds to nothing (combining marks, variation selectors) names no
    // city: it finds nothing rather than every city.
    if (folded.isEmpty())
        conditions << QStringLiteral("0");
    if (!literal.isEmpty()) {
        conditions << QStringLiteral("city >= ?");
        statement.values << literal;
        const QString upper = prefixUpperBound(literal);
        if (!upper.isNull()) {
            conditions << QStringLiteral("city < ?");
            statement.values << upper;
        }
    }
    if (wildcard >= 0) {
        // Both sides are folded to lower case, so LIKE's own ASCII case folding
        // changes nothing.
        conditions << QStringLiteral("city LIKE ?");
        statement.values << folded + QLatin1Char('%');
    }
    statement.sql = conditions.isEmpty() ? select
                                         : select + QStringLiteral(" WHERE ") +
                                               conditions.join(QStringLiteral(" AND "));
    return statement;
}

CoordinateFormat::CoordinateFormat(const QLocale& locale) : numbers_(locale) {}

QString CoordinateFormat::text(double degrees) const {
    return numbers_.toText(degrees);
}

QString coordinateText(double degrees, const QLocale& locale) {
    return CoordinateFormat(locale).text(degrees);
}

QString cityRowText(const QString& accentCity, const QString& region) {
    return accentCity + QStringLiteral(" - ") + region;
}

QCollator cityCollator(const QLocale& locale) {
    QLocale collationLocale = locale.collation();
    if (collationLocale.language() == QLocale::C)
        collationLocale = QLocale(QLocale::English, QLocale::UnitedStates);
    return QCollator(collationLocale);
}

namespace {

QString rebuildAdvice() {
    return QStringLiteral(
               "Build it with scripts/build-database.sh, or with \"ambrevale-cli import\", "
               "and place %1 beside the program.")
        .arg(kCityDatabaseFileName);
}

// Appends UTF-8 text as UTF-16 at `out`; plain ASCII, the most common case, is
// widened directly.
QChar* appendUtf8(QChar* out, QByteArrayView text, QStringDecoder& decoder) {
    if (std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::transform(text.begin(), text.end(), out,
                              [](char c) { return QChar(static_cast<char16_t>(c)); });
    return decoder.appendToBuffer(out, text);
}

// A found city while the list is put in order.
struct FoundCity {
    CityRow row;
    qint64 rowid;
    double latitude;
    double longitude;
    qsizetype nameLength; // AccentCity at the start of the row text

    QStringView name() const { return QStringView(row.cells).first(nameLength); }
    QStringView region() const {
        return QStringView(row.cells).sliced(nameLength + 3, row.textLength - nameLength - 3);
    }
};

// Rows the collation counts as equal still get a fixed order.
int compareExactly(const FoundCity& a, const FoundCity& b) {
    if (const int c = a.name().compare(b.name()))
        return c;
    if (const int c = a.region().compare(b.region()))
        return c;
    if (a.latitude != b.latitude)
        return a.latitude < b.latitude ? -1 : 1;
    if (a.longitude != b.longitude)
        return a.longitude < b.longitude ? -1 : 1;
    return 0;
}

// The list's order of two rows: the name, then the region by the collation, then
// exactly.
int compareInList(const FoundCity& a, const FoundCity& b, const QCollator& collator) {
    int c = a.name() == b.name() ? 0 : collator.compare(a.name(), b.name());
    if (c == 0)
        c = a.region() == b.region() ? 0 : collator.compare(a.region(), b.region());
    return c != 0 ? c : compareExactly(a, b);
}

// True when the rows already stand in the list's order. The importer stores the
// cities in that order for its own collation and the index hands them out by
// name, so in row order they usually need only this check: one comparison per
// row instead of a sort key per name. Another collation, or another database,
// fails it and the rows are sorted.
bool inListOrder(const std::vector<FoundCity>& rows, const QCollator& collator) {
    for (size_t i = 1; i < rows.size(); ++i)
        if (compareInList(rows[i - 1], rows[i], collator) > 0)
            return false;
    return true;
}

// Sorts with one sort key per distinct name and per distinct region.
void sortByCollation(std::vector<FoundCity>& rows, const QCollator& collator) {
#ifdef Q_OS_WIN
    // Qt's sort keys on Windows hold the system's key bytes in UTF-16 units and
    // compare them two bytes at a time, low byte first, which is not the system's
    // order: compare the texts with the collator itself there.
    std::sort(rows.begin(), rows.end(), [&](const FoundCity& a, const FoundCity& b) {
        const int c = compareInList(a, b, collator);
        return c != 0 ? c < 0 : a.rowid < b.rowid;
    });
#else
    std::vector<QCollatorSortKey> keys;
    QHash<QStringView, quint32> keyOf;
    const auto keyIndex = [&](QStringView text) {
        auto it = keyOf.constFind(text);
        if (it == keyOf.cend()) {
            it = keyOf.insert(text, static_cast<quint32>(keys.size()));
            keys.push_back(collator.sortKey(text.toString()));
        }
        return *it;
    };
    struct Entry {
        quint32 name, region, row;
    };
    std::vector<Entry> entries;
    entries.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        entries.push_back(
            {keyIndex(rows[i].name()), keyIndex(rows[i].region()), static_cast<quint32>(i)});
    std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (a.name != b.name)
            if (const int c = keys[a.name].compare(keys[b.name]))
                return c < 0;
        if (a.region != b.region)
            if (const int c = keys[a.region].compare(keys[b.region]))
                return c < 0;
        if (const int c = compareExactly(rows[a.row], rows[b.row]))
            return c < 0;
        return rows[a.row].rowid < rows[b.row].rowid;
    });
    std::vector<FoundCity> sorted;
    sorted.reserve(rows.size());
    for (const Entry& e : entries)
        sorted.push_back(std::move(rows[e.row]));
    rows = std::move(sorted);
#endif
}

} // namespace

void checkDatabaseFile(const QString& databasePath) {
    const QString shown = QDir::toNativeSeparators(databasePath);
    struct stat info {};
    if (databasePath.isEmpty() || statFile(databasePath, &info) != 0) {
        const int error = databasePath.isEmpty() ? ENOENT : errno;
        if (error == ENOENT || error == ENOTDIR)
            throw RunTimeError(err::FileNotFound, QStringLiteral("The city database %1 was not "
                                                                 "found. %2")
                                                      .arg(shown, rebuildAdvice()));
        throw RunTimeError(error == EACCES ? err::PermissionDenied : err::DeviceIO,
                           QStringLiteral("The city database %1 cannot be reached: %2.")
                               .arg(shown, QString::fromLocal8Bit(std::strerror(error))));
    }
    // A pipe would make the search wait forever, a folder or a device is no database.
    if (!S_ISREG(info.st_mode)) {
        const QString what = S_ISDIR(info.st_mode)    ? QStringLiteral("a folder")
                             : S_ISFIFO(info.st_mode) ? QStringLiteral("a named pipe")
                             : S_ISSOCK(info.st_mode) ? QStringLiteral("a socket")
                                                      : QStringLiteral("a device");
        throw RunTimeError(
            err::InvalidPropertyValue,
            QStringLiteral("The city database %1 is %2, not a database file.").arg(shown, what));
    }
    if (accessFile(databasePath, R_OK) != 0)
        throw RunTimeError(err::PermissionDenied,
                           QStringLiteral("The city database %1 cannot be read: %2.")
                               .arg(shown, QString::fromLocal8Bit(std::strerror(errno))));
}

namespace {

// The cities matching a search text in the list's order. One row text holds the
// name and the region, then the coordinates in `numbers`' locale.
std::vector<FoundCity> findCities(const QString& databasePath, const QString& searchText,
                                  const QLocale& locale) {
    checkDatabaseFile(databasePath);

    const CoordinateFormat numbers(locale);
    std::vector<FoundCity> found;
    {
        CityStatement statement = cityStatement(searchText);
        statement.sql.insert(statement.sql.indexOf(QLatin1String("AccentCity")),
                             QLatin1String("rowid, "));
        SqliteDatabase db(databasePath, SqliteDatabase::ReadOnly);
        SqliteStatement reader(db, statement.sql.toUtf8());
        for (qsizetype i = 0; i < statement.values.size(); ++i)
            reader.bind(static_cast<int>(i + 1), statement.values.at(i).toString());
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        static constexpr char16_t separator[] = u" - ";
        while (reader.next()) {
            const QByteArrayView name = reader.utf8(1);
            const QByteArrayView region = reader.utf8(2); // NULL reads as the empty text
            FoundCity city;
            city.rowid = reader.integer(0);
            city.latitude = storedDegrees(reader, 3, name, "latitude", databasePath);
            city.longitude = storedDegrees(reader, 4, name, "longitude", databasePath);
            const QString latitude = numbers.text(city.latitude);
            const QString longitude = numbers.text(city.longitude);
            // UTF-8 never takes fewer bytes than UTF-16 code units.
            QString cells(name.size() + 3 + region.size() + latitude.size() + longitude.size(),
                          Qt::Uninitialized);
            QChar* const start = cells.data();
            QChar* p = appendUtf8(start, name, utf8);
            city.nameLength = p - start;
            p = std::copy_n(reinterpret_cast<const QChar*>(separator), 3, p);
            p = appendUtf8(p, region, utf8);
            city.row.textLength = p - start;
            p = std::copy_n(latitude.constData(), latitude.size(), p);
            city.row.latitudeLength = latitude.size();
            p = std::copy_n(longitude.constData(), longitude.size(), p);
            cells.truncate(p - start);
            if (cells.capacity() > cells.size() + 8)
                cells.squeeze();
            city.row.cells = std::move(cells);
            found.push_back(std::move(city));
        }
    }

    // The index hands the rows out by folded name; their stored order comes first.
    if (!std::is_sorted(found.begin(), found.end(),
                        [](const FoundCity& a, const FoundCity& b) { return a.rowid < b.rowid; }))
        std::sort(found.begin(), found.end(),
                  [](const FoundCity& a, const FoundCity& b) { return a.rowid < b.rowid; });
    const QCollator collator = cityCollator(locale);
    if (!inListOrder(found, collator))
        sortByCollation(found, collator);
    return found;
}

} // namespace

double storedDegrees(const SqliteStatement& row, int column, QByteArrayView accentCity,
                     const char* what, const QString& databasePath) {
    switch (row.type(column)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return row.real(column);
    case SQLITE_TEXT: {
        bool ok = false;
        const double value = row.text(column).toDouble(&ok);
        if (ok)
            return value;
        break;
    }
    default:
        break;
    }
    throw RunTimeError(
        err::TypeMismatch,
        QStringLiteral("The city database %1 holds the city \"%2\" without a valid %3. %4")
            .arg(QDir::toNativeSeparators(databasePath), QString::fromUtf8(accentCity),
                 QLatin1String(what), rebuildAdvice()));
}

std::vector<CityRecord> findCityRecords(const QString& databasePath, const QString& searchText,
                                        const QLocale& locale) {
    std::vector<FoundCity> found = findCities(databasePath, searchText, locale);
    std::vector<CityRecord> records;
    records.reserve(found.size());
    for (const FoundCity& city : found)
        records.push_back(
            {city.name().toString(), city.region().toString(), city.latitude, city.longitude});
    return records;
}

std::vector<CityRow> findCityRows(const QString& databasePath, const QString& searchText,
                                  const QLocale& locale) {
    std::vector<FoundCity> found = findCities(databasePath, searchText, locale);
    std::vector<CityRow> rows;
    rows.reserve(found.size());
    for (FoundCity& city : found)
        rows.push_back(std::move(city.row));
    return rows;
}

} // namespace amb
