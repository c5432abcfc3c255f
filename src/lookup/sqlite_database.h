#pragma once

#include "app/runtime_error.h"

#include <QByteArrayView>
#include <QString>

class QCollator;
struct sqlite3;
struct sqlite3_stmt;

namespace amb {

class SqliteStatement;

// The one way the program reaches its database files: a connection to an SQLite
// file through SQLite's C interface, used by one thread. Failures become a
// RunTimeError that names the file and the cause and says what to do.
class SqliteDatabase {
public:
    // ReadOnly: a reader (search, trip, the benchmarks); waits a moment for a
    // writer, then says the file is locked. ReadWrite: an existing file is
    // changed. Create: the importer's new file; whatever fails, the message
    // says the database could not be written.
    enum Mode { ReadOnly, ReadWrite, Create };

    // Opens `path`; messages name `shownPath` when given (the database an import
    // is writing, not its temporary file).
    SqliteDatabase(const QString& path, Mode mode, const QString& shownPath = {});
    ~SqliteDatabase();
    SqliteDatabase(const SqliteDatabase&) = delete;
    SqliteDatabase& operator=(const SqliteDatabase&) = delete;

    sqlite3* handle() const { return db_; }

    // Runs statements without results.
    void exec(QByteArrayView sql);
    // Whether the database holds a table of that name.
    bool hasTable(QByteArrayView name);
    qint64 lastInsertRowid() const;
    // Lets statements order texts by `collator` with COLLATE `name`; the collator
    // must outlive the connection's use of it.
    void addCollation(const char* name, const QCollator& collator);

    // The error of the last failed call on this connection (`code` when the
    // connection gave none).
    [[noreturn]] void fail(int code) const;

    // The error for an SQLite result code and message when reading `path`.
    static RunTimeError readFailure(const QString& path, int sqliteCode, const QString& detail);

private:
    sqlite3* db_ = nullptr;
    QString shown_;
    Mode mode_;
};

// One prepared statement; it must go before its database.
class SqliteStatement {
public:
    SqliteStatement(SqliteDatabase& db, QByteArrayView sql);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* handle() const { return stmt_; }

    // Values count their place from 1. Texts are copied.
    void bind(int place, const QString& text);
    void bindUtf8(int place, QByteArrayView text);
    void bind(int place, qint64 value);
    void bind(int place, double value);
    void bindNull(int place);
    // The value of a column of another statement's current row, as it is.
    void bindValueOf(int place, const SqliteStatement& row, int column);

    // The next row; false after the last.
    bool next();
    // Runs a statement without results, then makes it ready for new values.
    void run();
    // Makes it ready to run again with new values.
    void reset();

    bool isNull(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    // NULL reads as the empty text.
    QByteArrayView utf8(int column) const;
    QString text(int column) const;
    // SQLite's storage class of the value (SQLITE_INTEGER, SQLITE_TEXT, ...).
    int type(int column) const;

private:
    SqliteDatabase* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace amb
