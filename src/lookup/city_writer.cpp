#include "lookup/city_writer.h"

#include "app/file_io.h"
#include "lookup/city_database.h"
#include "lookup/city_details.h"
#include "lookup/sqlite_database.h"
#include "lookup/stored_order.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

namespace amb::importing {

namespace {

// An import writes a hidden temporary file beside the database and holds a lock
// on it until it is put in place. Such a file that nobody holds was left by an
// import that was killed: the next import of the same database removes it.
class TemporaryFileLock {
public:
    explicit TemporaryFileLock(const QString& path)
        : fd_(openFile(path, kOpenForReading)) {
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

} // namespace

// The writer itself; CityTableWriter hands it its work.
class CityTableWriter::Impl {
public:
    Impl(const QString& outputPath, const ImportProgress& progress)
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
            ownDb_ = std::make_unique<SqliteDatabase>(temporaryPath_, SqliteDatabase::Create,
                                                      outputPath_);
            db_ = ownDb_.get();
            // A crash leaves only the temporary file, so no journal is needed.
            db_->exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; PRAGMA temp_store = "
                      "FILE; PRAGMA cache_size = -32768");
            createTables(*db_);
            db_->exec("BEGIN");
        } catch (...) {
            close();
            QFile::remove(temporaryPath_);
            throw;
        }
    }

    Impl(SqliteDatabase& scratch, const ImportProgress& progress)
        : progress_(progress), db_(&scratch), inScratch_(true) {}

    static void createScratchTables(SqliteDatabase& db) {
        createTables(db);
        for (const QString& sql : cityDetailsSchema())
            db.exec(sql.toUtf8());
        db.exec(cityIndexSchema().toUtf8());
        db.exec(cityDetailsIndexSchema().toUtf8());
    }

    ~Impl() {
        close();
        if (!finished_ && !inScratch_)
            QFile::remove(temporaryPath_);
    }

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
        if (inScratch_) {
            db_->exec("DELETE FROM temp.staged");
            close();
            finished_ = true;
            return;
        }
        if (ordered)
            nameStoredOrder();
        db_->exec("DROP TABLE temp.staged");
        db_->exec("COMMIT");
        if (progress_.stage)
            progress_.stage(ImportProgress::Indexing);
        db_->exec(cityIndexSchema().toUtf8());
        db_->exec(cityDetailsIndexSchema().toUtf8());
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
    // The city table and the staging table.
    static void createTables(SqliteDatabase& db) {
        db.exec(cityTableSchema().toUtf8());
        db.exec("CREATE TEMP TABLE staged (city TEXT, AccentCity TEXT, Region TEXT, Latitude "
                "REAL, Longitude REAL, population INTEGER, country TEXT, alternateNames TEXT)");
    }

    // The statement that stages one row, or kBatch rows; prepared when first
    // needed (a small file never fills a batch).
    SqliteStatement& stagingStatement(bool whole) {
        std::optional<SqliteStatement>& statement = whole ? stageBatch_ : stageOne_;
        if (!statement) {
            QByteArray sql = "INSERT INTO temp.staged VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
            for (int i = 1; whole && i < kBatch; ++i)
                sql += ", (?, ?, ?, ?, ?, ?, ?, ?)";
            statement.emplace(*db_, sql);
        }
        return *statement;
    }

    void flush() {
        size_t done = 0;
        while (done < batch_.size()) {
            const bool whole = batch_.size() - done >= size_t(kBatch);
            SqliteStatement& insert = stagingStatement(whole);
            const size_t count = whole ? kBatch : 1;
            int column = 0;
            for (size_t i = done; i < done + count; ++i) {
                const ImportRow& row = batch_[i];
                insert.bind(++column, row.city);
                insert.bind(++column, row.accentCity);
                insert.bind(++column, row.region);
                insert.bind(++column, row.latitude);
                insert.bind(++column, row.longitude);
                insert.bind(++column, row.details.population);
                insert.bind(++column, row.details.country);
                insert.bind(++column, row.details.alternateNames);
            }
            insert.run();
            done += count;
        }
        rows_ += static_cast<qint64>(batch_.size());
        batch_.clear();
    }

    // Reads the staged rows back, in the list's order or the file's, and gives
    // each its row in `cities` and its details.
    void copyIntoCities(bool ordered) {
        if (ordered)
            db_->addCollation("list", collator_);
        SqliteStatement read(
            *db_, QByteArray("SELECT * FROM temp.staged ORDER BY ") +
                      (ordered ? "AccentCity COLLATE list, IFNULL(Region, '') COLLATE list, "
                                 "AccentCity, IFNULL(Region, ''), Latitude, Longitude, rowid"
                               : "rowid"));
        SqliteStatement insert(*db_, "INSERT INTO cities (city, AccentCity, Region, Latitude, "
                                     "Longitude) VALUES (?, ?, ?, ?, ?)");
        CityDetailsWriter details(*db_, !inScratch_);
        while (read.next()) {
            for (int c = 0; c < 5; ++c)
                insert.bindValueOf(c + 1, read, c);
            insert.run();
            CityDetails d;
            d.population = read.integer(5);
            d.country = read.text(6);
            d.alternateNames = read.text(7);
            details.add(db_->lastInsertRowid(), read.text(0), d);
        }
    }

    // Names the order the rows are stored in, so that the tool's quick search,
    // which has no collator, knows when it is its user's order.
    void nameStoredOrder() {
        db_->exec(QByteArray("CREATE TABLE ") + kStoredOrderTable + " (collation TEXT NOT NULL)");
        SqliteStatement insert(*db_, QByteArray("INSERT INTO ") + kStoredOrderTable + " VALUES (?)");
        const std::string name = storedOrderName(collator_.locale().name().toStdString());
        insert.bindUtf8(1, QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
        insert.run();
    }

    void close() {
        stageOne_.reset();
        stageBatch_.reset();
        db_ = nullptr;
        ownDb_.reset();
        lock_.reset();
    }

    QString outputPath_;
    QString temporaryPath_;
    const ImportProgress progress_; // a copy: callers may pass a temporary
    std::unique_ptr<TemporaryFileLock> lock_;
    QCollator collator_ = cityCollator(QLocale::system());
    std::unique_ptr<SqliteDatabase> ownDb_; // the temporary file's connection
    SqliteDatabase* db_ = nullptr;
    bool inScratch_ = false;
    std::optional<SqliteStatement> stageOne_;
    std::optional<SqliteStatement> stageBatch_;
    std::vector<ImportRow> batch_;
    qint64 rows_ = 0;
    bool finished_ = false;
};

CityTableWriter::CityTableWriter(const QString& outputPath, const ImportProgress& progress)
    : d_(std::make_unique<Impl>(outputPath, progress)) {}

CityTableWriter::CityTableWriter(SqliteDatabase& scratch, const ImportProgress& progress)
    : d_(std::make_unique<Impl>(scratch, progress)) {}

void CityTableWriter::createScratchTables(SqliteDatabase& scratch) {
    Impl::createScratchTables(scratch);
}

CityTableWriter::~CityTableWriter() = default;

void CityTableWriter::add(ImportRow&& row) {
    d_->add(std::move(row));
}

qint64 CityTableWriter::rows() const {
    return d_->rows();
}

void CityTableWriter::finish() {
    d_->finish();
}

} // namespace amb::importing
