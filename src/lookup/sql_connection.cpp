#include "lookup/sql_connection.h"

#include <QAtomicInteger>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

namespace amb {

namespace {

// SQLite's primary result codes that get their own advice.
enum : int {
    SqliteError = 1,
    SqlitePerm = 3,
    SqliteBusy = 5,
    SqliteLocked = 6,
    SqliteReadOnly = 8,
    SqliteCorrupt = 11,
    SqliteFull = 13,
    SqliteCantOpen = 14,
    SqliteAuth = 23,
    SqliteNotADb = 26,
};

QString uniqueConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("ambrevale-cities-%1").arg(counter.fetchAndAddRelaxed(1));
}

QString rebuildAdvice() {
    return QStringLiteral("Rebuild it with scripts/build-database.sh, or with \"ambrevale-cli "
                          "import\".");
}

} // namespace

SqlConnection::SqlConnection(const QString& path, Mode mode, const QString& shownPath)
    : name_(uniqueConnectionName()), path_(shownPath.isEmpty() ? path : shownPath), mode_(mode) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    db.setDatabaseName(path);
    // A search waits a moment for a writer to finish, then says the file is locked.
    db.setConnectOptions(mode == ReadOnly
                             ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=1000")
                             : QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
    if (!db.open()) {
        const QSqlError error = db.lastError();
        // The destructor does not run for a constructor that throws.
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
        name_.clear();
        throw failure(error);
    }
}

SqlConnection::~SqlConnection() {
    if (name_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase SqlConnection::database() const {
    return QSqlDatabase::database(name_, false);
}

void SqlConnection::exec(const QString& sql) const {
    QSqlQuery query(database());
    if (!query.exec(sql))
        throw failure(query.lastError());
}

RunTimeError SqlConnection::failure(const QSqlError& error) const {
    const QString file = QDir::toNativeSeparators(path_);
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    bool numeric = false;
    const int code = error.nativeErrorCode().toInt(&numeric) & 0xFF;
    if (!numeric) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            return RunTimeError(
                err::CannotCreateObject,
                QStringLiteral("The SQLite driver of Qt is not installed, so the city "
                               "database cannot be read. Install it (Debian package "
                               "libqt6sql6-sqlite) and try again."));
    }
    // An import only writes: whatever fails, it is the database being written.
    if (mode_ == Create && (!numeric || (code != SqliteBusy && code != SqliteLocked)))
        return RunTimeError(err::DeviceIO,
                            QStringLiteral("The database %1 could not be written: %2. Check the "
                                           "free space and the permissions of its folder.")
                                .arg(file, detail));
    if (!numeric)
        return RunTimeError(
            err::DatabaseError,
            QStringLiteral("The city database %1 could not be read: %2.").arg(file, detail));
    return failure(path_, code, detail);
}

RunTimeError SqlConnection::failure(const QString& path, int sqliteCode, const QString& detail) {
    const QString file = QDir::toNativeSeparators(path);
    const int code = sqliteCode & 0xFF;
    switch (code) {
    case SqliteBusy:
    case SqliteLocked:
        return RunTimeError(
            err::PermissionDenied,
            QStringLiteral("The city database %1 is locked by another program that "
                           "is writing to it. Wait until it has finished (an import, "
                           "for example) and try again.")
                .arg(file));
    case SqliteNotADb:
    case SqliteCorrupt:
        return RunTimeError(err::DatabaseError,
                            QStringLiteral("The file %1 is not a city database, or it is damaged "
                                           "(%2). %3")
                                .arg(file, detail, rebuildAdvice()));
    case SqliteCantOpen:
    case SqlitePerm:
    case SqliteAuth:
        return RunTimeError(err::PermissionDenied,
                            QStringLiteral("The city database %1 cannot be opened (%2). Check that "
                                           "it is a file and that you may read it.")
                                .arg(file, detail));
    case SqliteReadOnly:
    case SqliteFull:
        return RunTimeError(err::DeviceIO,
                            QStringLiteral("The database %1 cannot be written (%2). Check the free "
                                           "space and the permissions of its folder.")
                                .arg(file, detail));
    case SqliteError:
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

} // namespace amb
