#include "lookup/city_import.h"

#include "app/file_io.h"
#include "app/runtime_error.h"
#include "lookup/city_database.h"
#include "lookup/city_details.h"
#include "lookup/city_fold.h"
#include "lookup/sql_connection.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sqlite3.h>
#include <system_error>
#include <vector>

namespace amb {

namespace {

struct ImportRow {
    QString city;
    QString accentCity;
    QString region;
    double latitude;
    double longitude;
    CityDetails details;
};

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void badRow(const QString& file, qint64 line, const QString& reason) {
    throw RunTimeError(err::InvalidPropertyValue,
                       QStringLiteral("%1:%2: %3").arg(shown(file)).arg(line).arg(reason));
}

[[noreturn]] void badFile(const QString& file, const QString& reason) {
    throw RunTimeError(err::InvalidPropertyValue,
                       QStringLiteral("%1: %2").arg(shown(file), reason));
}

void openForReading(QFile& file) {
    if (!file.open(QIODevice::ReadOnly))
        throw RunTimeError(err::FileNotFound, QStringLiteral("%1: cannot be read: %2")
                                                  .arg(shown(file.fileName()), file.errorString()));
}

QByteArray readWhole(const QString& path) {
    QFile file(path);
    openForReading(file);
    return file.readAll();
}

// Decimal degrees written with a point, within [-limit, limit].
bool parseDegrees(QByteArrayView text, double limit, double& degrees) {
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, degrees);
    return !text.isEmpty() && error == std::errc() && stop == end && std::isfinite(degrees) &&
           std::fabs(degrees) <= limit;
}

bool decodeUtf8(QByteArrayView bytes, QString& text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

QByteArrayView withoutLineEnd(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

qint64 lineAtOffset(const QByteArray& data, qsizetype offset) {
    return 1 + data.first(std::clamp<qsizetype>(offset, 0, data.size())).count('\n');
}

// Region names by "CC.code".
QHash<QString, QString> readAdmin1(const QString& path) {
    const QByteArray data = readWhole(path);
    QHash<QString, QString> names;
    if (data.trimmed().startsWith('[')) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
        if (error.error != QJsonParseError::NoError)
            badRow(path, lineAtOffset(data, error.offset),
                   QStringLiteral("not valid JSON: %1").arg(error.errorString()));
        const QJsonArray entries = doc.array();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonObject entry = entries.at(i).toObject();
            const QString code = entry.value(QLatin1String("code")).toString();
            const QString name = entry.value(QLatin1String("name")).toString();
            if (code.isEmpty() || name.isEmpty())
                badFile(path, QStringLiteral("entry %1 of the list has no \"code\" or no \"name\"")
                                  .arg(i + 1));
            names.insert(code, name);
        }
        return names;
    }
    // GeoNames' own admin1 file: code, name, ASCII name, id.
    qint64 lineNumber = 0;
    for (const QByteArray& bytes : data.split('\n')) {
        ++lineNumber;
        const QByteArrayView line = withoutLineEnd(bytes);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype tab = line.indexOf('\t');
        QString code, name;
        if (tab <= 0 || !decodeUtf8(line.first(tab), code))
            badRow(path, lineNumber, QStringLiteral("expected a region code, a tab and a name"));
        QByteArrayView rest = line.sliced(tab + 1);
        if (const qsizetype next = rest.indexOf('\t'); next >= 0)
            rest = rest.first(next);
        if (!decodeUtf8(rest, name) || name.isEmpty())
            badRow(path, lineNumber,
                   QStringLiteral("the region name is missing or not UTF-8 text"));
        names.insert(code, name);
    }
    return names;
}

// Country names by two-letter code, from iso-codes' iso_3166-1.json: the common
// name where there is one ("South Korea" rather than "Korea, Republic of").
QHash<QString, QString> readCountries(const QString& path) {
    const QByteArray data = readWhole(path);
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError)
        badRow(path, lineAtOffset(data, error.offset),
               QStringLiteral("not valid JSON: %1").arg(error.errorString()));
    const QJsonValue list = doc.object().value(QLatin1String("3166-1"));
    if (!list.isArray())
        badFile(path, QStringLiteral("expected an object with the list \"3166-1\" of countries"));
    QHash<QString, QString> names;
    const QJsonArray entries = list.toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const QString code = entry.value(QLatin1String("alpha_2")).toString();
        QString name = entry.value(QLatin1String("common_name")).toString();
        if (name.isEmpty())
            name = entry.value(QLatin1String("name")).toString();
        if (code.isEmpty() || name.isEmpty())
            badFile(path, QStringLiteral("country %1 of the list has no \"alpha_2\" or no \"name\"")
                              .arg(i + 1));
        names.insert(code, name);
    }
    // Codes that GeoNames uses outside the standard list.
    if (!names.contains(QStringLiteral("XK")))
        names.insert(QStringLiteral("XK"), QStringLiteral("Kosovo"));
    return names;
}

// A name goes into tab-separated and line-based outputs and, as part of a trip
// entry, into a ";"-separated setting: characters that would split it there are
// refused with the row's place. A gazetteer never holds them.
void refuseSplittingCharacters(const QString& file, qint64 line, const QString& column,
                               const QString& text) {
    for (const QChar c : text) {
        QString what;
        switch (c.unicode()) {
        case u'\t':
            what = QStringLiteral("a tab");
            break;
        case u'\n':
        case u'\r':
        case 0x2028:
        case 0x2029:
            what = QStringLiteral("a line break");
            break;
        case 0:
            what = QStringLiteral("a NUL character");
            break;
        case u';':
            what = QStringLiteral("a \";\" (it would split a kept trip entry in two)");
            break;
        default:
            continue;
        }
        badRow(file, line, QStringLiteral("%1 holds %2").arg(column, what));
    }
}

// An import writes a hidden temporary file beside the database and holds a lock
// on it until it is put in place. Such a file that nobody holds was left by an
// import that was killed: the next import of the same database removes it.
class TemporaryFileLock {
public:
    explicit TemporaryFileLock(const QString& path)
        : fd_(::open(QFile::encodeName(path).constData(), kOpenForReading)) {
        if (fd_ >= 0 && !lockExclusively(fd_)) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~TemporaryFileLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TemporaryFileLock(const TemporaryFileLock&) = delete;
    TemporaryFileLock& operator=(const TemporaryFileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

QString temporaryPrefix(const QString& databaseName) {
    return QLatin1Char('.') + databaseName + QLatin1Char('.');
}

void removeAbandonedTemporaries(const QDir& folder, const QString& databaseName) {
    const QString prefix = temporaryPrefix(databaseName);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!name.startsWith(prefix) || !name.endsWith(QLatin1String(".tmp")))
            continue;
        const QString path = folder.filePath(name);
        bool abandoned = false;
        {
            const TemporaryFileLock lock(path);
            abandoned = lock.held();
        }
        if (abandoned)
            QFile::remove(path);
    }
}

// Writes a new city database row by row through SQLite's own interface, so memory
// does not grow with the gazetteer. The rows first go to a staging table in a
// temporary file of SQLite's; finish() copies them into the database, in the
// search list's order under the collation of the locale the import runs in (a
// search then reads them in that order and, when the user's collation agrees, only
// checks it; see findCityRows). Above kOrderedRowsLimit the sort would take longer
// than the import itself, and the rows keep the file's order. Everything happens
// in one transaction, rows go in batches of kBatch per statement, and the indexes
// are built after the rows. The database is a locked temporary file beside the
// output and takes the output's name only when complete, so a failed import
// leaves an older database in place untouched.
class CityTableWriter {
public:
    static constexpr int kBatch = 64;
    static constexpr qint64 kOrderedRowsLimit = 2'000'000;

    CityTableWriter(const QString& outputPath, const ImportProgress& progress)
        : outputPath_(outputPath), progress_(progress) {
        const QFileInfo output(outputPath);
        const QDir folder = output.absoluteDir();
        if (!folder.exists())
            badFile(outputPath,
                    QStringLiteral("the folder %1 does not exist").arg(shown(folder.path())));
        if (output.isDir())
            badFile(outputPath, QStringLiteral("is a folder, not a database file"));

        removeAbandonedTemporaries(folder, output.fileName());
        {
            QTemporaryFile temporary(
                folder.filePath(temporaryPrefix(output.fileName()) + QStringLiteral("XXXXXX.tmp")));
            temporary.setAutoRemove(false);
            if (!temporary.open())
                badFile(outputPath, QStringLiteral("cannot create a temporary file in %1: %2")
                                        .arg(shown(folder.path()), temporary.errorString()));
            temporaryPath_ = temporary.fileName();
        }
        // A temporary file is private; the database is for every user of the program.
        QFile::setPermissions(temporaryPath_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
        lock_ = std::make_unique<TemporaryFileLock>(temporaryPath_);
        try {
            if (sqlite3_open_v2(QFile::encodeName(temporaryPath_).constData(), &db_,
                                SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
                fail();
            // A crash leaves only the temporary file, so no journal is needed.
            exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA temp_store = FILE; "
                 "PRAGMA cache_size = -32768");
            exec(cityTableSchema().toUtf8());
            exec("CREATE TEMP TABLE staged (city TEXT, AccentCity TEXT, Region TEXT, Latitude "
                 "REAL, Longitude REAL, population INTEGER, country TEXT, alternateNames TEXT)");
            exec("BEGIN");
            QByteArray sql = "INSERT INTO temp.staged VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
            prepare(sql, &stageOne_);
            for (int i = 1; i < kBatch; ++i)
                sql += ", (?, ?, ?, ?, ?, ?, ?, ?)";
            prepare(sql, &stageBatch_);
        } catch (...) {
            close();
            QFile::remove(temporaryPath_);
            throw;
        }
    }

    ~CityTableWriter() {
        close();
        if (!finished_)
            QFile::remove(temporaryPath_);
    }
    CityTableWriter(const CityTableWriter&) = delete;
    CityTableWriter& operator=(const CityTableWriter&) = delete;

    void add(ImportRow&& row) {
        batch_.push_back(std::move(row));
        if (batch_.size() == size_t(kBatch))
            flush();
    }

    qint64 rows() const { return rows_ + static_cast<qint64>(batch_.size()); }

    void finish() {
        flush();
        const bool ordered = rows_ <= kOrderedRowsLimit;
        if (progress_.stage)
            progress_.stage(ordered ? ImportProgress::Ordering : ImportProgress::Writing);
        copyIntoCities(ordered);
        exec("DROP TABLE temp.staged");
        exec("COMMIT");
        if (progress_.stage)
            progress_.stage(ImportProgress::Indexing);
        exec(cityIndexSchema().toUtf8());
        exec(cityDetailsIndexSchema().toUtf8());
        close();
        std::error_code error;
        std::filesystem::rename(std::filesystem::path(temporaryPath_.toStdU16String()),
                                std::filesystem::path(outputPath_.toStdU16String()), error);
        if (error)
            badFile(outputPath_, QStringLiteral("cannot be replaced: %1")
                                     .arg(QString::fromLocal8Bit(error.message())));
        finished_ = true;
    }

private:
    void flush() {
        size_t done = 0;
        while (done < batch_.size()) {
            const bool whole = batch_.size() - done >= size_t(kBatch);
            sqlite3_stmt* insert = whole ? stageBatch_ : stageOne_;
            const size_t count = whole ? kBatch : 1;
            int column = 0;
            for (size_t i = done; i < done + count; ++i) {
                const ImportRow& row = batch_[i];
                bindText(insert, ++column, row.city);
                bindText(insert, ++column, row.accentCity);
                bindText(insert, ++column, row.region);
                sqlite3_bind_double(insert, ++column, row.latitude);
                sqlite3_bind_double(insert, ++column, row.longitude);
                sqlite3_bind_int64(insert, ++column, row.details.population);
                bindText(insert, ++column, row.details.country);
                bindText(insert, ++column, row.details.alternateNames);
            }
            if (sqlite3_step(insert) != SQLITE_DONE)
                fail();
            sqlite3_reset(insert);
            done += count;
        }
        rows_ += static_cast<qint64>(batch_.size());
        batch_.clear();
    }

    // Reads the staged rows back, in the list's order or the file's, and gives
    // each its row in `cities` and its details.
    void copyIntoCities(bool ordered) {
        if (ordered && sqlite3_create_collation_v2(
                           db_, "list", SQLITE_UTF16_ALIGNED, &collator_,
                           [](void* collator, int n1, const void* s1, int n2, const void* s2) {
                               return static_cast<const QCollator*>(collator)->compare(
                                   QStringView(static_cast<const char16_t*>(s1), n1 / 2),
                                   QStringView(static_cast<const char16_t*>(s2), n2 / 2));
                           },
                           nullptr) != SQLITE_OK)
            fail();
        sqlite3_stmt* read = nullptr;
        sqlite3_stmt* insert = nullptr;
        prepare(QByteArray("SELECT * FROM temp.staged ORDER BY ") +
                    (ordered ? "AccentCity COLLATE list, IFNULL(Region, '') COLLATE list, "
                               "AccentCity, IFNULL(Region, ''), Latitude, Longitude, rowid"
                             : "rowid"),
                &read);
        try {
            prepare("INSERT INTO cities (city, AccentCity, Region, Latitude, Longitude) "
                    "VALUES (?, ?, ?, ?, ?)",
                    &insert);
            CityDetailsWriter details(db_, [this] { fail(); });
            int rc;
            while ((rc = sqlite3_step(read)) == SQLITE_ROW) {
                for (int c = 0; c < 5; ++c)
                    if (sqlite3_bind_value(insert, c + 1, sqlite3_column_value(read, c)) !=
                        SQLITE_OK)
                        fail();
                if (sqlite3_step(insert) != SQLITE_DONE)
                    fail();
                sqlite3_reset(insert);
                CityDetails d;
                d.population = sqlite3_column_int64(read, 5);
                d.country = columnText(read, 6);
                d.alternateNames = columnText(read, 7);
                details.add(sqlite3_last_insert_rowid(db_), columnText(read, 0), d);
            }
            if (rc != SQLITE_DONE)
                fail();
        } catch (...) {
            sqlite3_finalize(read);
            sqlite3_finalize(insert);
            throw;
        }
        sqlite3_finalize(read);
        sqlite3_finalize(insert);
    }

    static QString columnText(sqlite3_stmt* statement, int column) {
        const void* text = sqlite3_column_text16(statement, column);
        return text ? QString(static_cast<const QChar*>(text),
                              sqlite3_column_bytes16(statement, column) / 2)
                    : QString();
    }

    void bindText(sqlite3_stmt* insert, int column, const QString& text) {
        if (sqlite3_bind_text16(insert, column, text.utf16(), static_cast<int>(text.size() * 2),
                                SQLITE_TRANSIENT) != SQLITE_OK)
            fail();
    }

    void prepare(const QByteArray& sql, sqlite3_stmt** statement) {
        if (sqlite3_prepare_v2(db_, sql.constData(), static_cast<int>(sql.size()), statement,
                               nullptr) != SQLITE_OK)
            fail();
    }

    void exec(const QByteArray& sql) {
        if (sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail();
    }

    // An import only writes: whatever fails, it is the database being written.
    [[noreturn]] void fail() {
        const QString detail =
            db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
        const int code = db_ ? sqlite3_extended_errcode(db_) & 0xFF : SQLITE_NOMEM;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw SqlConnection::failure(outputPath_, code, detail);
        throw RunTimeError(err::DeviceIO,
                           QStringLiteral("The database %1 could not be written: %2. Check the "
                                          "free space and the permissions of its folder.")
                               .arg(shown(outputPath_), detail));
    }

    void close() {
        sqlite3_finalize(stageOne_);
        sqlite3_finalize(stageBatch_);
        stageOne_ = stageBatch_ = nullptr;
        sqlite3_close(db_);
        db_ = nullptr;
        lock_.reset();
    }

    QString outputPath_;
    QString temporaryPath_;
    const ImportProgress& progress_;
    std::unique_ptr<TemporaryFileLock> lock_;
    QCollator collator_ = cityCollator(QLocale::system());
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stageOne_ = nullptr;
    sqlite3_stmt* stageBatch_ = nullptr;
    std::vector<ImportRow> batch_;
    qint64 rows_ = 0;
    bool finished_ = false;
};

// Splits a line at its tabs into at most `wanted` fields; returns the number of
// fields of the whole line.
qsizetype splitTabs(QByteArrayView line, QByteArrayView* fields, qsizetype wanted) {
    qsizetype count = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            if (count < wanted)
                fields[count] = line.sliced(start, i - start);
            ++count;
            start = i + 1;
        }
    }
    return count;
}

// Lines between two progress reports.
constexpr qint64 kProgressLines = 16384;

// The fields of a GeoNames line that the import reads.
enum GeoNamesField : qsizetype {
    Name = 1,
    AlternateNames = 3,
    Latitude = 4,
    Longitude = 5,
    CountryCode = 8,
    Admin1Code = 10,
    FieldsNeeded = 11,
    Population = 14,
    FieldsRead = 15
};

// A count of people; anything else is an unknown population (a gazetteer's own
// business, not a reason to refuse the city).
qint64 parsePopulation(QByteArrayView text) {
    text = text.trimmed();
    qint64 population = -1;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, population);
    return !text.isEmpty() && error == std::errc() && stop == end && population >= 0 ? population
                                                                                     : -1;
}

// Population, country code and alternate names of a GeoNames line, where the line
// has them (a cut-down file may stop after the region code).
CityDetails geoNamesDetails(const QByteArrayView* fields, qsizetype count) {
    CityDetails details;
    details.country = QString::fromUtf8(fields[CountryCode]);
    if (count > AlternateNames)
        details.alternateNames = QString::fromUtf8(fields[AlternateNames]);
    if (count > Population)
        details.population = parsePopulation(fields[Population]);
    return details;
}

// The same from the optional CSV columns; -1 marks a column the file lacks.
CityDetails csvDetails(const QStringList& fields, qsizetype population, qsizetype country,
                       qsizetype alternateNames) {
    CityDetails details;
    if (population >= 0)
        details.population = parsePopulation(fields.at(population).toUtf8());
    if (country >= 0)
        details.country = fields.at(country).trimmed().toUpper();
    if (alternateNames >= 0)
        details.alternateNames = fields.at(alternateNames);
    return details;
}

qsizetype csvColumn(const QStringList& header, QLatin1StringView name) {
    for (qsizetype i = 0; i < header.size(); ++i)
        if (header.at(i).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

ImportSummary importGeoNames(const GeoNamesSources& sources, const QString& outputPath,
                             const ImportProgress& progress) {
    const QHash<QString, QString> admin1 = readAdmin1(sources.admin1);
    const QHash<QString, QString> countries = readCountries(sources.countries);

    QFile file(sources.cities);
    openForReading(file);
    const qint64 bytesTotal = file.size();
    ImportSummary summary;
    CityTableWriter rows(outputPath, progress);
    QHash<QByteArray, QString> regions; // "CC.code" -> region text, shared by its rows
    QHash<QByteArray, bool> withoutName;
    qint64 lineNumber = 0;
    QByteArrayView fields[FieldsRead];
    while (!file.atEnd()) {
        const QByteArray bytes = file.readLine();
        ++lineNumber;
        const QByteArrayView line = withoutLineEnd(bytes);
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype count = splitTabs(line, fields, FieldsRead);
        if (count < FieldsNeeded)
            badRow(sources.cities, lineNumber,
                   QStringLiteral("expected the tab-separated fields of a GeoNames row (at least "
                                  "%1), found %2")
                       .arg(qsizetype(FieldsNeeded))
                       .arg(count));
        ImportRow row;
        if (!decodeUtf8(fields[Name], row.accentCity))
            badRow(sources.cities, lineNumber, QStringLiteral("the name is not UTF-8 text"));
        if (row.accentCity.trimmed().isEmpty())
            badRow(sources.cities, lineNumber, QStringLiteral("the name is empty"));
        if (!parseDegrees(fields[Latitude], 90, row.latitude))
            badRow(sources.cities, lineNumber,
                   QStringLiteral("the latitude \"%1\" is not a number of degrees from -90 to 90")
                       .arg(QString::fromUtf8(fields[Latitude])));
        if (!parseDegrees(fields[Longitude], 180, row.longitude))
            badRow(
                sources.cities, lineNumber,
                QStringLiteral("the longitude \"%1\" is not a number of degrees from -180 to 180")
                    .arg(QString::fromUtf8(fields[Longitude])));

        QByteArray key = fields[CountryCode].toByteArray();
        key += '.';
        key += fields[Admin1Code];
        auto region = regions.constFind(key);
        if (region == regions.cend()) {
            const QString code = QString::fromUtf8(fields[CountryCode]);
            QString country = countries.value(code);
            if (country.isEmpty() && !code.isEmpty()) {
                country = code;
                if (!summary.unknownCountryCodes.contains(code))
                    summary.unknownCountryCodes.append(code);
            }
            const QString regionName = admin1.value(QString::fromUtf8(key));
            withoutName.insert(key, regionName.isEmpty());
            QString text = regionName;
            if (!country.isEmpty())
                text = text.isEmpty() ? country : text + QStringLiteral(", ") + country;
            region = regions.insert(key, text);
        }
        row.region = *region;
        if (withoutName.value(key))
            ++summary.withoutRegionName;
        row.city = foldCityName(row.accentCity);
        row.details = geoNamesDetails(fields, count);
        rows.add(std::move(row));
        if (progress.rows && lineNumber % kProgressLines == 0)
            progress.rows(lineNumber, file.pos(), bytesTotal);
    }
    if (file.error() != QFileDevice::NoError)
        badFile(sources.cities, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    if (progress.rows)
        progress.rows(lineNumber, bytesTotal, bytesTotal);
    summary.cities = rows.rows();
    rows.finish();
    return summary;
}

namespace {

// RFC 4180 records: fields separated by commas, quoted with " (doubled inside),
// records ended by LF or CR LF; a quoted field may span lines.
class CsvReader {
public:
    CsvReader(const QString& path, const QString& text) : path_(path), text_(text) {}

    // The next record and the line it begins on; false at the end of the text.
    bool next(QStringList& fields, qint64& line) {
        const qsizetype n = text_.size();
        if (pos_ >= n)
            return false;
        fields.clear();
        line = line_;
        for (;;) {
            QString field;
            if (pos_ < n && text_[pos_] == QLatin1Char('"')) {
                ++pos_;
                for (;;) {
                    if (pos_ >= n)
                        badRow(path_, line, QStringLiteral("a quoted field is not closed"));
                    const QChar c = text_[pos_++];
                    if (c == QLatin1Char('"')) {
                        if (pos_ < n && text_[pos_] == QLatin1Char('"')) {
                            field += c;
                            ++pos_;
                            continue;
                        }
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line_;
                    field += c;
                }
                if (pos_ < n && !atSeparator())
                    badRow(path_, line_,
                           QStringLiteral("a closing quote must be followed by a comma or the end "
                                          "of the line"));
            } else {
                const qsizetype start = pos_;
                while (pos_ < n && !atSeparator())
                    ++pos_;
                field = text_.mid(start, pos_ - start);
            }
            fields.append(field);
            if (pos_ >= n)
                return true;
            if (text_[pos_] == QLatin1Char(',')) {
                ++pos_;
                continue;
            }
            if (text_[pos_] == QLatin1Char('\r'))
                ++pos_;
            if (pos_ < n && text_[pos_] == QLatin1Char('\n'))
                ++pos_;
            ++line_;
            return true;
        }
    }

private:
    bool atSeparator() const {
        const QChar c = text_[pos_];
        return c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    }

    QString path_;
    const QString& text_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
};

} // namespace

ImportSummary importCsv(const QString& csvPath, const QString& outputPath,
                        const ImportProgress& progress) {
    const QByteArray data = readWhole(csvPath);
    QString text;
    if (!decodeUtf8(data, text)) {
        qint64 lineNumber = 0;
        for (const QByteArray& line : data.split('\n')) {
            ++lineNumber;
            QString ignored;
            if (!decodeUtf8(line, ignored))
                badRow(csvPath, lineNumber, QStringLiteral("the text is not UTF-8"));
        }
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    CsvReader reader(csvPath, text);
    QStringList fields;
    qint64 line = 0;
    if (!reader.next(fields, line))
        badFile(csvPath, QStringLiteral("is empty; it needs a header line naming the columns "
                                        "city, AccentCity, Region, Latitude, Longitude"));
    const QStringList wanted = {QStringLiteral("city"), QStringLiteral("AccentCity"),
                                QStringLiteral("Region"), QStringLiteral("Latitude"),
                                QStringLiteral("Longitude")};
    qsizetype column[5];
    QStringList missing;
    for (qsizetype k = 0; k < wanted.size(); ++k) {
        column[k] = -1;
        for (qsizetype i = 0; i < fields.size(); ++i)
            if (fields.at(i).trimmed().compare(wanted.at(k), Qt::CaseInsensitive) == 0)
                column[k] = i;
        if (column[k] < 0)
            missing << wanted.at(k);
    }
    if (!missing.isEmpty())
        badRow(csvPath, line,
               QStringLiteral("the header must name the columns city, AccentCity, Region, "
                              "Latitude and Longitude (missing: %1)")
                   .arg(missing.join(QStringLiteral(", "))));
    const qsizetype columns = fields.size();
    const qsizetype populationColumn = csvColumn(fields, QLatin1StringView("Population"));
    const qsizetype countryColumn = csvColumn(fields, QLatin1StringView("CountryCode"));
    const qsizetype alternateNamesColumn = csvColumn(fields, QLatin1StringView("AlternateNames"));
    const qint64 headerLine = line;

    std::vector<ImportRow> rows;
    while (reader.next(fields, line)) {
        if (fields.size() == 1 && fields.first().trimmed().isEmpty())
            continue; // a blank line
        if (fields.size() != columns)
            badRow(csvPath, line,
                   QStringLiteral("expected %1 fields, as the header names, found %2 (quote a "
                                  "field that holds a comma)")
                       .arg(columns)
                       .arg(fields.size()));
        ImportRow row;
        row.accentCity = fields.at(column[1]);
        if (row.accentCity.trimmed().isEmpty())
            badRow(csvPath, line, QStringLiteral("AccentCity is empty"));
        refuseSplittingCharacters(csvPath, line, QStringLiteral("AccentCity"), row.accentCity);
        refuseSplittingCharacters(csvPath, line, QStringLiteral("Region"), fields.at(column[2]));
        const QString city = fields.at(column[0]);
        row.city = foldCityName(city.isEmpty() ? row.accentCity : city);
        row.region = fields.at(column[2]);
        if (!parseDegrees(fields.at(column[3]).toUtf8(), 90, row.latitude))
            badRow(csvPath, line,
                   QStringLiteral("the latitude \"%1\" is not a number of degrees from -90 to 90 "
                                  "(with a decimal point)")
                       .arg(fields.at(column[3])));
        if (!parseDegrees(fields.at(column[4]).toUtf8(), 180, row.longitude))
            badRow(csvPath, line,
                   QStringLiteral("the longitude \"%1\" is not a number of degrees from -180 to "
                                  "180 (with a decimal point)")
                       .arg(fields.at(column[4])));
        row.details = csvDetails(fields, populationColumn, countryColumn, alternateNamesColumn);
        rows.push_back(std::move(row));
    }
    // A header alone would replace a working database with an empty one.
    if (rows.empty())
        badRow(csvPath, headerLine,
               QStringLiteral("the header names the columns but the file holds no cities; %1 was "
                              "left as it was")
                   .arg(shown(outputPath)));
    ImportSummary summary;
    summary.cities = static_cast<qint64>(rows.size());
    CityTableWriter writer(outputPath, progress);
    for (ImportRow& row : rows)
        writer.add(std::move(row));
    writer.finish();
    return summary;
}

} // namespace amb
