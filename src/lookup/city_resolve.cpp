#include "lookup/city_resolve.h"

#include "app/runtime_error.h"
#include "lookup/city_details.h"
#include "lookup/city_fold.h"
#include "lookup/sqlite_database.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <set>

namespace amb {

namespace {

const QString kColumns = QStringLiteral(
    "c.rowid, c.AccentCity, c.Region, c.Latitude, c.Longitude, f.population, f.country");

// Close names are also looked for among this many rows that share their start.
constexpr int kCloseNamesScanned = 5000;
constexpr size_t kCloseNamesShown = 5;
// Every slip of a name up to this long is looked up whole; a longer one is looked
// up by its start, this many letters past the last place a slip is looked for.
constexpr qsizetype kShortName = 64;
constexpr qsizetype kSlipTail = 16;

struct Found {
    qint64 id;
    NamedCity city;
    QString matchedName;
};

} // namespace

qsizetype typingDistance(QStringView a, QStringView b) {
    // Three rows of the table: two letters swapped count as one slip.
    const size_t width = static_cast<size_t>(b.size()) + 1;
    std::vector<qsizetype> before(width), previous(width), row(width);
    for (size_t j = 0; j < width; ++j)
        previous[j] = static_cast<qsizetype>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const size_t k = static_cast<size_t>(j);
            const qsizetype cost = a[i - 1] == b[j - 1] ? 0 : 1;
            row[k] = std::min({previous[k] + 1, row[k - 1] + 1, previous[k - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[k] = std::min(row[k], before[k - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, row);
    }
    return previous[width - 1];
}

namespace {

// One character as it stands inside a JSON string. Surrogates, quotes, the
// backslash and control characters are escaped as \uXXXX, so a split surrogate
// pair cannot make the text invalid; SQLite joins an escaped pair again. SQLite
// ends a string at an escaped NUL, so a NUL stands as a tab: no stored name holds
// either, and the spelling still finds nothing.
void appendJsonChar(QByteArray& out, QChar c) {
    const char16_t u = c.unicode() == 0 ? u'\t' : c.unicode();
    if (u < 0x20 || u == u'"' || u == u'\\' || c.isSurrogate()) {
        static constexpr char hex[] = "0123456789abcdef";
        const char escaped[] = {'\\', 'u', hex[(u >> 12) & 15], hex[(u >> 8) & 15],
                                hex[(u >> 4) & 15], hex[u & 15]};
        out.append(escaped, sizeof escaped);
    } else if (u < 0x80) {
        out.append(static_cast<char>(u));
    } else if (u < 0x800) {
        out.append(static_cast<char>(0xC0 | (u >> 6)));
        out.append(static_cast<char>(0x80 | (u & 0x3F)));
    } else {
        out.append(static_cast<char>(0xE0 | (u >> 12)));
        out.append(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
        out.append(static_cast<char>(0x80 | (u & 0x3F)));
    }
}

// The letters a slip may have replaced or dropped: the alphabet, the marks names
// hold, and whatever the name itself is written in.
QString slipLetters(QStringView name) {
    QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz -'.");
    for (const QChar c : name)
        if (!letters.contains(c))
            letters += c;
    return letters;
}

// Every text one typing slip away from `name`, as a JSON array of strings (some
// may repeat): the resolver looks them all up in one statement. With
// `slipsBefore` not negative, only the slips in the name's first that many letters.
QByteArray oneSlipAwayAsJson(const QString& name, qsizetype slipsBefore) {
    const QString letters = slipLetters(name);
    // Each spelling is pieced together from the escaped name, without a string of
    // its own: a name of twenty letters has over a thousand of them.
    QByteArray escaped;
    std::vector<qsizetype> at; // where each character of the name starts in `escaped`
    at.reserve(static_cast<size_t>(name.size()) + 1);
    for (const QChar c : name) {
        at.push_back(escaped.size());
        appendJsonChar(escaped, c);
    }
    at.push_back(escaped.size());
    const auto piece = [&](qsizetype from, qsizetype to) {
        return QByteArrayView(escaped).sliced(at[static_cast<size_t>(from)],
                                              at[static_cast<size_t>(to)] -
                                                  at[static_cast<size_t>(from)]);
    };
    const qsizetype n = name.size();
    QByteArray json("[");
    const auto spelling = [&](QByteArrayView head, QByteArrayView middle, QByteArrayView tail) {
        if (head.size() + middle.size() + tail.size() == 0)
            return;
        json.append('"').append(head).append(middle).append(tail).append("\",", 2);
    };
    QByteArray letter;
    const qsizetype end = slipsBefore < 0 ? n + 1 : std::min(slipsBefore, n + 1);
    for (qsizetype i = 0; i < std::min(n, end); ++i) {
        spelling(piece(0, i), {}, piece(i + 1, n));
        if (i + 1 < n && name[i] != name[i + 1]) {
            letter.clear();
            letter.append(piece(i + 1, i + 2)).append(piece(i, i + 1));
            spelling(piece(0, i), letter, piece(i + 2, n));
        }
        for (const QChar c : letters)
            if (c != name[i]) {
                letter.clear();
                appendJsonChar(letter, c);
                spelling(piece(0, i), letter, piece(i + 1, n));
            }
    }
    for (qsizetype i = 0; i < end; ++i)
        for (const QChar c : letters) {
            letter.clear();
            appendJsonChar(letter, c);
            spelling(piece(0, i), letter, piece(i, n));
        }
    if (json.endsWith(','))
        json.chop(1);
    json.append(']');
    return json;
}

// Each text one slip away from `name` in its first `slipsBefore` letters, at most
// once, with the letters a slip may bring in given.
QStringList oneSlipAway(QStringView name, qsizetype slipsBefore, const QString& letters) {
    QSet<QString> spellings;
    const qsizetype n = name.size();
    const qsizetype end = std::min(slipsBefore, n + 1);
    const auto add = [&](QStringView head, QStringView middle, QStringView tail) {
        QString text;
        text.reserve(head.size() + middle.size() + tail.size());
        text.append(head).append(middle).append(tail);
        if (!text.isEmpty())
            spellings.insert(std::move(text));
    };
    for (qsizetype i = 0; i < std::min(n, end); ++i) {
        add(name.first(i), {}, name.sliced(i + 1));
        if (i + 1 < n && name[i] != name[i + 1]) {
            const QChar swapped[] = {name[i + 1], name[i]};
            add(name.first(i), QStringView(swapped, 2), name.sliced(i + 2));
        }
        for (const QChar c : letters)
            if (c != name[i])
                add(name.first(i), QStringView(&c, 1), name.sliced(i + 1));
    }
    for (qsizetype i = 0; i < end; ++i)
        for (const QChar c : letters)
            add(name.first(i), QStringView(&c, 1), name.sliced(i));
    return QStringList(spellings.begin(), spellings.end());
}

void appendJsonString(QByteArray& out, QStringView text) {
    out.append('"');
    for (const QChar c : text)
        appendJsonChar(out, c);
    out.append('"');
}

// Whether one typing slip (or none) turns `a` into `b`; in a time that grows with
// their length alone, so two long texts cost no table.
bool withinOneSlip(QStringView a, QStringView b) {
    if (std::abs(a.size() - b.size()) > 1)
        return false;
    qsizetype start = 0;
    while (start < a.size() && start < b.size() && a[start] == b[start])
        ++start;
    qsizetype endA = a.size(), endB = b.size();
    while (endA > start && endB > start && a[endA - 1] == b[endB - 1])
        --endA, --endB;
    const qsizetype restA = endA - start, restB = endB - start;
    if (restA <= 1 && restB <= 1)
        return true; // the same, one letter wrong, missing or extra
    return restA == 2 && restB == 2 && a[start] == b[start + 1] && a[start + 1] == b[start];
}

// Whether a folded qualifier names the city's region, its country or the
// country's code.
bool matchesQualifier(const NamedCity& city, const QString& qualifier) {
    if (!city.country.isEmpty() && qualifier == city.country.toLower())
        return true;
    const QString region = foldCityName(city.record.region);
    if (qualifier == region)
        return true;
    for (const QString& part : region.split(QLatin1Char(',')))
        if (qualifier == part.trimmed())
            return true;
    return false;
}

void sortByPopulation(std::vector<Found>& found) {
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        if (a.city.population != b.city.population)
            return a.city.population > b.city.population;
        if (a.city.ownName != b.city.ownName)
            return a.city.ownName;
        if (const int c = a.city.record.accentCity.compare(b.city.record.accentCity))
            return c < 0;
        if (const int c = a.city.record.region.compare(b.city.record.region))
            return c < 0;
        return a.id < b.id;
    });
}

} // namespace

struct CityResolver::Private {
    QString path;
    std::unique_ptr<SqliteDatabase> db;
    std::optional<SqliteStatement> byName;
    std::optional<SqliteStatement> byAlternate;
    std::optional<SqliteStatement> bySlip;
    std::optional<SqliteStatement> bySlipStart;
    std::optional<SqliteStatement> anyStartingWith;
    std::optional<SqliteStatement> ownStartingWith;
    std::optional<SqliteStatement> alternateStartingWith;

    // Runs a prepared query and reads its rows; the query's last column is the
    // name it matched.
    void collect(SqliteStatement& query, const QStringList& values, bool ownName,
                 std::vector<Found>& found) {
        for (qsizetype i = 0; i < values.size(); ++i)
            query.bind(static_cast<int>(i + 1), values.at(i));
        collectRows(query, ownName, found);
    }

    // Without `ownName`, the column after the matched name tells.
    void collectRows(SqliteStatement& query, std::optional<bool> ownName,
                     std::vector<Found>& found) {
        while (query.next()) {
            Found f;
            f.id = query.integer(0);
            const QByteArrayView name = query.utf8(1);
            f.city.record.accentCity = QString::fromUtf8(name);
            f.city.record.region = query.text(2);
            f.city.record.latitude = storedDegrees(query, 3, name, "latitude", path);
            f.city.record.longitude = storedDegrees(query, 4, name, "longitude", path);
            f.city.population = query.isNull(5) ? -1 : query.integer(5);
            f.city.country = query.text(6);
            f.city.ownName = ownName ? *ownName : query.integer(8) != 0;
            f.matchedName = query.text(7);
            found.push_back(std::move(f));
        }
        query.reset();
    }

    // The cities whose own or alternate name is one slip away from `folded`, in
    // the order of those names, a city's own name before the names others give it.
    // A spelling reached by two slips comes twice; the caller keeps each city once,
    // and sorting out repeats inside SQLite would cost more than they do.
    void collectOneSlipAway(const QString& folded, qsizetype slipsBefore,
                            std::vector<Found>& found) {
        // A stored name one slip away begins with the letters before the slip, so
        // the slip lies within the longest start of the name that a stored name
        // shares. A long name has only so many such letters, and names longer than
        // it are found by their start: a name of any length costs the same.
        if (slipsBefore < 0 && folded.size() > kShortName)
            slipsBefore = sharedStartLength(folded) + 2; // + 2: a letter in two code units
        if (slipsBefore >= 0 && folded.size() > slipsBefore + 2 * kSlipTail) {
            collectOneSlipAwayByStart(folded, slipsBefore, found);
            return;
        }
        if (!bySlip)
            bySlip.emplace(
                *db, QStringLiteral(
                         "SELECT %1, c.city, 1 AS own, c.city AS spelling, c.rowid AS place "
                         "FROM json_each(?1) s JOIN cities c ON c.city = s.value LEFT JOIN "
                         "city_facts f ON f.id = c.rowid UNION ALL SELECT %1, n.name, 0, n.name, "
                         "n.rowid FROM json_each(?1) s JOIN city_names n ON n.name = s.value "
                         "JOIN cities c ON c.rowid = n.id LEFT JOIN city_facts f ON f.id = "
                         "c.rowid ORDER BY spelling, own DESC, 1, place")
                         .arg(kColumns)
                         .toUtf8());
        bySlip->bindUtf8(1, oneSlipAwayAsJson(folded, slipsBefore));
        collectRows(*bySlip, std::nullopt, found);
    }

    // The most letters of `folded` that a stored name, own or alternate, begins with.
    qsizetype sharedStartLength(const QString& folded) {
        if (!anyStartingWith)
            anyStartingWith.emplace(
                *db, "SELECT EXISTS (SELECT 1 FROM cities WHERE city >= ?1 AND city < ?2) OR "
                     "EXISTS (SELECT 1 FROM city_names WHERE name >= ?1 AND name < ?2)");
        const auto someStartWith = [&](qsizetype length) {
            // A start that ends inside a letter written in two code units asks for
            // that letter's first unit alone: the shorter start.
            if (length > 0 && folded[length - 1].isHighSurrogate())
                --length;
            const QString start = folded.left(length);
            const QString upper = prefixUpperBound(start);
            if (upper.isNull())
                return true; // every name begins with nothing
            anyStartingWith->bind(1, start);
            anyStartingWith->bind(2, upper);
            const bool some = anyStartingWith->next() && anyStartingWith->integer(0) != 0;
            anyStartingWith->reset();
            return some;
        };
        qsizetype shared = 0, beyond = folded.size() + 1; // someStartWith(shared) holds
        while (beyond - shared > 1) {
            const qsizetype middle = shared + (beyond - shared) / 2;
            (someStartWith(middle) ? shared : beyond) = middle;
        }
        return shared;
    }

    // The cities one slip away from a long `folded`, with the slip in its first
    // `slipsBefore` letters: the stored names that begin as such a spelling of
    // its start does, then only those a slip from the whole name.
    void collectOneSlipAwayByStart(const QString& folded, qsizetype slipsBefore,
                                   std::vector<Found>& found) {
        qsizetype length = slipsBefore + kSlipTail;
        if (folded[length - 1].isHighSurrogate())
            ++length;
        const QStringView start = QStringView(folded).first(length);
        QByteArray json("[");
        for (const QString& spelling : oneSlipAway(start, slipsBefore, slipLetters(start))) {
            const QString upper = prefixUpperBound(spelling);
            if (upper.isNull())
                continue;
            json.append('[');
            appendJsonString(json, spelling);
            json.append(',');
            appendJsonString(json, upper);
            json.append("],", 2);
        }
        if (json.endsWith(','))
            json.chop(1);
        json.append(']');
        if (!bySlipStart)
            bySlipStart.emplace(
                *db, QStringLiteral(
                         "SELECT %1, c.city, 1 AS own, c.city AS spelling, c.rowid AS place "
                         "FROM json_each(?1) s CROSS JOIN cities c ON c.city >= s.value ->> 0 "
                         "AND c.city < s.value ->> 1 LEFT JOIN city_facts f ON f.id = c.rowid "
                         "UNION ALL SELECT %1, n.name, 0, n.name, n.rowid FROM json_each(?1) s "
                         "CROSS JOIN city_names n ON n.name >= s.value ->> 0 AND n.name < "
                         "s.value ->> 1 JOIN cities c ON c.rowid = n.id LEFT JOIN city_facts f "
                         "ON f.id = c.rowid ORDER BY spelling, own DESC, 1, place")
                         .arg(kColumns)
                         .toUtf8());
        bySlipStart->bindUtf8(1, json);
        std::vector<Found> started;
        collectRows(*bySlipStart, std::nullopt, started);
        for (Found& f : started)
            if (withinOneSlip(folded, f.matchedName))
                found.push_back(std::move(f));
    }

    // Every city whose own or alternate name folds to `folded`, each once.
    std::vector<Found> exact(const QString& folded) {
        std::vector<Found> found;
        collect(*byName, {folded}, true, found);
        collect(*byAlternate, {folded}, false, found);
        std::set<qint64> seen;
        std::erase_if(found, [&](const Found& f) { return !seen.insert(f.id).second; });
        sortByPopulation(found);
        return found;
    }

    std::vector<NamedCity> closeNames(const QString& folded) {
        const QString start = folded.left(folded.size() > 3 ? 2 : 1);
        const QString upper = prefixUpperBound(start);
        if (upper.isNull())
            return {};
        if (!ownStartingWith) {
            // Prepared once: a name without a match costs a scan, not a compilation.
            const QString limit = QStringLiteral(" LIMIT %1").arg(kCloseNamesScanned);
            ownStartingWith.emplace(
                *db, (QStringLiteral("SELECT %1, c.city FROM cities c LEFT JOIN city_facts f ON "
                                     "f.id = c.rowid WHERE c.city >= ? AND c.city < ?")
                          .arg(kColumns) +
                      limit)
                         .toUtf8());
            alternateStartingWith.emplace(
                *db, (QStringLiteral("SELECT %1, n.name FROM city_names n JOIN cities c ON "
                                     "c.rowid = n.id LEFT JOIN city_facts f ON f.id = c.rowid "
                                     "WHERE n.name >= ? AND n.name < ?")
                          .arg(kColumns) +
                      limit)
                         .toUtf8());
        }
        std::vector<Found> found;
        collect(*ownStartingWith, {start, upper}, true, found);
        const size_t ownScanned = found.size();
        collect(*alternateStartingWith, {start, upper}, false, found);
        // A slip in the letters of `start` escapes the scan above: the names one
        // such slip away are looked up in the indexes, all in one statement. A slip
        // further on leaves `start` as it is, so the scan has found those names,
        // unless it stopped at its limit or `start` ends inside a letter written in
        // two code units: then every slip is looked up.
        const bool scannedAll = ownScanned < size_t(kCloseNamesScanned) &&
                                found.size() - ownScanned < size_t(kCloseNamesScanned) &&
                                !start.back().isHighSurrogate();
        collectOneSlipAway(folded, scannedAll ? start.size() : -1, found);

        // A name the typed text begins is as close as one typing slip. Alternate
        // names are many and loose (a village's old name, a misspelling some
        // source kept), so a city's own name is the closer at the same distance.
        const qsizetype allowed = std::max<qsizetype>(2, folded.size() / 3);
        std::vector<std::pair<qsizetype, Found>> scored;
        for (Found& f : found) {
            // A name longer or shorter by more than the slips allowed is too far
            // without its table (a long name would make that table huge).
            qsizetype distance = 1;
            if (!f.matchedName.startsWith(folded)) {
                if (std::abs(f.matchedName.size() - folded.size()) > allowed)
                    continue;
                distance = typingDistance(folded, f.matchedName);
            }
            if (distance <= allowed)
                scored.emplace_back(2 * distance + (f.city.ownName ? 0 : 1), std::move(f));
        }
        // The city meant is most likely the closest name, then the best known.
        std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return a.second.city.population > b.second.city.population;
        });
        std::vector<NamedCity> close;
        std::set<qint64> seen;
        for (auto& [distance, f] : scored) {
            if (close.size() == kCloseNamesShown)
                break;
            if (seen.insert(f.id).second)
                close.push_back(std::move(f.city));
        }
        return close;
    }
};

CityResolver::CityResolver(const QString& databasePath) : d_(std::make_unique<Private>()) {
    const QString shown = QDir::toNativeSeparators(databasePath);
    if (!QFileInfo(databasePath).isFile())
        throw RunTimeError(err::FileNotFound,
                           QStringLiteral("The city database %1 was not found. Build it with "
                                          "scripts/build-database.sh or \"ambrevale-cli import\".")
                               .arg(shown));
    d_->path = databasePath;
    d_->db = std::make_unique<SqliteDatabase>(databasePath, SqliteDatabase::ReadOnly);
    if (!hasCityDetails(*d_->db))
        throw RunTimeError(
            err::FileNotFound,
            QStringLiteral("The city database %1 was built before it kept the population and "
                           "the alternate names of its cities, which finding a city by name "
                           "needs. Build it again: scripts/build-database.sh does so for the "
                           "database beside the program, or run \"ambrevale-cli import\" with "
                           "the same inputs (see \"ambrevale-cli import --help\"). Search and "
                           "distance work with it as it is.")
                .arg(shown));
    d_->byName.emplace(*d_->db,
                       QStringLiteral("SELECT %1, c.city FROM cities c LEFT JOIN city_facts "
                                      "f ON f.id = c.rowid WHERE c.city = ?")
                           .arg(kColumns)
                           .toUtf8());
    d_->byAlternate.emplace(
        *d_->db, QStringLiteral("SELECT %1, n.name FROM city_names n JOIN cities c ON c.rowid = "
                                "n.id LEFT JOIN city_facts f ON f.id = c.rowid WHERE n.name = ?")
                     .arg(kColumns)
                     .toUtf8());
}

// The queries are members after the connection, so they go first.
CityResolver::~CityResolver() = default;

namespace {
// The lookups of one name in one read transaction: the file is locked and checked
// once, not once per query (a name without a match is looked up in a thousand
// spellings).
class ReadTransaction {
public:
    explicit ReadTransaction(SqliteDatabase& db) : db_(db) { db_.exec("BEGIN"); }
    ~ReadTransaction() {
        try {
            db_.exec("COMMIT");
        } catch (const RunTimeError&) {
            // Nothing was written: the lock goes with the connection's next statement.
        }
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    SqliteDatabase& db_;
};
} // namespace

NameMatch CityResolver::resolve(const QString& name) {
    const ReadTransaction transaction(*d_->db);
    NameMatch result;
    const QString folded = foldCityName(name.trimmed());
    std::vector<Found> found = d_->exact(folded);
    QString base = folded;
    if (found.empty() && folded.contains(QLatin1Char(','))) {
        QStringList parts = folded.split(QLatin1Char(','));
        base = parts.takeFirst().trimmed();
        found = d_->exact(base);
        for (const QString& part : parts) {
            const QString qualifier = part.trimmed();
            if (!qualifier.isEmpty())
                std::erase_if(found,
                              [&](const Found& f) { return !matchesQualifier(f.city, qualifier); });
        }
        if (found.empty()) {
            // The name exists but not there: its places are the closest candidates.
            std::vector<Found> elsewhere = d_->exact(base);
            for (size_t i = 0; i < elsewhere.size() && i < kCloseNamesShown; ++i)
                result.closeNames.push_back(std::move(elsewhere[i].city));
            if (!result.closeNames.empty()) {
                result.elsewhere = true;
                return result;
            }
        }
    }
    for (Found& f : found)
        result.matches.push_back(std::move(f.city));
    if (result.matches.empty() && !base.isEmpty())
        result.closeNames = d_->closeNames(base);
    return result;
}

} // namespace amb
