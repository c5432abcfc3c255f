#pragma once

#include "app/runtime_error.h"

#include <QSqlDatabase>
#include <QString>

class QSqlError;

namespace amb {

// One SQLite connection for one task, under a name no other connection uses, so
// queries never share state. It is closed and removed when the object goes;
// queries made on it must be gone by then.
class SqlConnection {
public:
    enum Mode { ReadOnly, Create };

    // Opens `path`; throws RunTimeError with the description failure() gives.
    // Messages name `shownPath` when given (the database an import is writing,
    // not its temporary file).
    SqlConnection(const QString& path, Mode mode, const QString& shownPath = {});
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    QSqlDatabase database() const;

    // A run-time error that tells the user what is wrong with the database file
    // and what to do about it.
    RunTimeError failure(const QSqlError& error) const;

    // Runs a statement without results; throws failure() when it fails.
    void exec(const QString& sql) const;

    // The same for an SQLite result code and message, for readers that use the
    // SQLite C interface directly.
    static RunTimeError failure(const QString& path, int sqliteCode, const QString& detail);

private:
    QString name_;
    QString path_;
    Mode mode_;
};

} // namespace amb
