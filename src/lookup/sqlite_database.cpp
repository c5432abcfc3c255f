#include "lookup/sqlite_database.h"

#include "app/file_io.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <sqlite3.h>
#include <utility>

namespace amb {

namespace {

QString rebuildAdvice() {
    return QStringLiteral("Rebuild it with scripts/build-database.sh, or with \"ambrevale-cli "
                          "import\".");
}

} // namespace

SqliteDatabase::SqliteDatabase(const QString& path, Mode mode, const QString& shownPath)
    : shown_(shownPath.isEmpty() ? path : shownPath), mode_(mode) {
    // One thread uses a connection: no locking on every column read.
    const int flags =
        SQLITE_OPEN_NOMUTEX | (mode == ReadOnly ? SQLITE_OPEN_READONLY
                               : mode == Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                                : SQLITE_OPEN_READWRITE);
    const int rc = sqlite3_open_v2(sqliteFileName(path).constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        // The destructor does not run for a constructor that throws.
        try {
            fail(rc);
        } catch (...) {
            sqlite3_close(db_);
            throw;
        }
    }
    // A reader waits a moment for a writer to finish, then says the file is locked.
    sqlite3_busy_timeout(db_, 1000);
}

SqliteDatabase::~SqliteDatabase() {
    sqlite3_close(db_);
}

void SqliteDatabase::exec(QByteArrayView sql) {
    const QByteArray text = sql.toByteArray();
    if (const int rc = sqlite3_exec(db_, text.constData(), nullptr, nullptr, nullptr);
        rc != SQLITE_OK)
        fail(rc);
}

bool SqliteDatabase::hasTable(QByteArrayView name) {
    SqliteStatement query(*this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    query.bindUtf8(1, name);
    return query.next();
}

qint64 SqliteDatabase::lastInsertRowid() const {
    return sqlite3_last_insert_rowid(db_);
}

void SqliteDatabase::addCollation(const char* name, const QCollator& collator) {
    const auto compare = [](void* with, int n1, const void* s1, int n2, const void* s2) {
        return static_cast<const QCollator*>(with)->compare(
            QStringView(static_cast<const char16_t*>(s1), n1 / 2),
            QStringView(static_cast<const char16_t*>(s2), n2 / 2));
    };
    if (const int rc = sqlite3_create_collation_v2(
            db_, name, SQLITE_UTF16_ALIGNED, const_cast<QCollator*>(&collator), compare, nullptr);
        rc != SQLITE_OK)
        fail(rc);
}

void SqliteDatabase::fail(int code) const {
    const QString detail =
        db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(code));
    if (db_)
        code = sqlite3_extended_errcode(db_);
    const int primary = code & 0xFF;
    // An import only writes: whatever fails, it is the database being written.
    if (mode_ == Create && primary != SQLITE_BUSY && primary != SQLITE_LOCKED)
        throw RunTimeError(err::DeviceIO,
                           QStringLiteral("The database %1 could not be written: %2. Check the "
                                          "free space and the permissions of its folder.")
                               .arg(QDir::toNativeSeparators(shown_), detail));
    throw readFailure(shown_, code, detail);
}

RunTimeError SqliteDatabase::readFailure(const QString& path, int sqliteCode,
                                         const QString& detail) {
    const QString file = QDir::toNativeSeparators(path);
    switch (sqliteCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return RunTimeError(
            err::PermissionDenied,
            QStringLiteral("The city database %1 is locked by another program that "
                           "is writing to it. Wait until it has finished (an import, "
                           "for example) and try again.")
                .arg(file));
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return RunTimeError(err::DatabaseError,
                            QStringLiteral("The file %1 is not a city database, or it is damaged "
                                           "(%2). %3")
                                .arg(file, detail, rebuildAdvice()));
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return RunTimeError(err::PermissionDenied,
                            QStringLiteral("The city database %1 cannot be opened (%2). Check that "
                                           "it is a file and that you may read it.")
                                .arg(file, detail));
    case SQLITE_READONLY:
    case SQLITE_FULL:
        return RunTimeError(err::DeviceIO,
                            QStringLiteral("The database %1 cannot be written (%2). Check the free "
                                           "space and the permissions of its folder.")
                                .arg(file, detail));
    case SQLITE_ERROR:
        if (detail.contains(QLatin1String("pattern too complex")))
            return RunTimeError(err::InvalidProcedureCall,
                                QStringLiteral("The search text is too long for a search with % "
                                               "or _. Shorten it and search again."));
        if (detail.contains(QLatin1String("no such table")) ||
            detail.contains(QLatin1String("no such column")))
            return RunTimeError(err::DatabaseError,
                                QStringLiteral("The file %1 is a database without the table "
                                               "\"cities\" (city, AccentCity, Region, Latitude, "
                                               "Longitude) that the search needs (%2). %3")
                                    .arg(file, detail, rebuildAdvice()));
        break;
    default:
        break;
    }
    return RunTimeError(
        err::DatabaseError,
        QStringLiteral("The city database %1 could not be read: %2.").arg(file, detail));
}

SqliteStatement::SqliteStatement(SqliteDatabase& db, QByteArrayView sql) : db_(&db) {
    if (const int rc = sqlite3_prepare_v2(db.handle(), sql.data(), static_cast<int>(sql.size()),
                                          &stmt_, nullptr);
        rc != SQLITE_OK)
        db.fail(rc);
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(stmt_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(other.db_), stmt_(std::exchange(other.stmt_, nullptr)) {}

void SqliteStatement::bind(int place, const QString& text) {
    if (const int rc = sqlite3_bind_text16(stmt_, place, text.utf16(),
                                           static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        db_->fail(rc);
}

void SqliteStatement::bindUtf8(int place, QByteArrayView text) {
    if (const int rc = sqlite3_bind_text(stmt_, place, text.data() ? text.data() : "",
                                         static_cast<int>(text.size()), SQLITE_TRANSIENT);
        rc != SQLITE_OK)
        db_->fail(rc);
}

void SqliteStatement::bind(int place, qint64 value) {
    if (const int rc = sqlite3_bind_int64(stmt_, place, value); rc != SQLITE_OK)
        db_->fail(rc);
}

void SqliteStatement::bind(int place, double value) {
    if (const int rc = sqlite3_bind_double(stmt_, place, value); rc != SQLITE_OK)
        db_->fail(rc);
}

void SqliteStatement::bindNull(int place) {
    if (const int rc = sqlite3_bind_null(stmt_, place); rc != SQLITE_OK)
        db_->fail(rc);
}

void SqliteStatement::bindValueOf(int place, const SqliteStatement& row, int column) {
    if (const int rc = sqlite3_bind_value(stmt_, place, sqlite3_column_value(row.stmt_, column));
        rc != SQLITE_OK)
        db_->fail(rc);
}

bool SqliteStatement::next() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        db_->fail(rc);
    return false;
}

void SqliteStatement::run() {
    if (next())
        db_->fail(SQLITE_MISUSE);
    reset();
}

void SqliteStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

qint64 SqliteStatement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

double SqliteStatement::real(int column) const {
    return sqlite3_column_double(stmt_, column);
}

QByteArrayView SqliteStatement::utf8(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? QByteArrayView(p, sqlite3_column_bytes(stmt_, column)) : QByteArrayView();
}

QString SqliteStatement::text(int column) const {
    return QString::fromUtf8(utf8(column));
}

int SqliteStatement::type(int column) const {
    return sqlite3_column_type(stmt_, column);
}

} // namespace amb
