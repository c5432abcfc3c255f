#include "lookup/city_details.h"

#include "app/runtime_error.h"
#include "lookup/city_fold.h"

#include <QSqlDatabase>
#include <QStringList>
#include <sqlite3.h>

namespace amb {

QStringList cityDetailsSchema() {
    return {QStringLiteral("CREATE TABLE city_facts (id INTEGER PRIMARY KEY, population INTEGER, "
                           "country TEXT)"),
            QStringLiteral("CREATE TABLE city_names (name TEXT NOT NULL, id INTEGER NOT NULL)")};
}

QString cityDetailsIndexSchema() {
    return QStringLiteral("CREATE INDEX city_names_name ON city_names (name, id)");
}

bool hasCityDetails(const QSqlDatabase& db) {
    const QStringList tables = db.tables();
    return tables.contains(QStringLiteral("city_facts")) &&
           tables.contains(QStringLiteral("city_names"));
}

QStringList foldedAlternateNames(const QString& list, const QString& foldedCity) {
    QStringList names;
    if (list.isEmpty())
        return names;
    for (const QString& name : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString folded = foldCityName(name.trimmed());
        if (!folded.isEmpty() && folded != foldedCity && !names.contains(folded))
            names << folded;
    }
    return names;
}

struct CityDetailsWriter::Statements {
    sqlite3* db = nullptr;
    std::function<void()> onFailure;
    sqlite3_stmt* facts = nullptr;
    sqlite3_stmt* names = nullptr;
    ~Statements() {
        sqlite3_finalize(facts);
        sqlite3_finalize(names);
    }
    [[noreturn]] void fail() const {
        onFailure();
        throw RunTimeError(err::InvalidPropertyValue,
                           QStringLiteral("Writing the city details failed: %1")
                               .arg(QString::fromUtf8(sqlite3_errmsg(db))));
    }
    void run(sqlite3_stmt* statement) const {
        if (sqlite3_step(statement) != SQLITE_DONE)
            fail();
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};

CityDetailsWriter::CityDetailsWriter(sqlite3* db, std::function<void()> onFailure)
    : statements_(std::make_unique<Statements>()) {
    statements_->db = db;
    statements_->onFailure = std::move(onFailure);
    for (const QString& sql : cityDetailsSchema())
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            statements_->fail();
    if (sqlite3_prepare_v2(statements_->db,
                           "INSERT INTO city_facts (id, population, country) VALUES (?, ?, ?)", -1,
                           &statements_->facts, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(statements_->db, "INSERT INTO city_names (name, id) VALUES (?, ?)", -1,
                           &statements_->names, nullptr) != SQLITE_OK)
        statements_->fail();
}

CityDetailsWriter::~CityDetailsWriter() = default;

void CityDetailsWriter::add(qint64 id, const QString& foldedCity, const CityDetails& details) {
    Statements& s = *statements_;
    sqlite3_bind_int64(s.facts, 1, id);
    if (details.population >= 0)
        sqlite3_bind_int64(s.facts, 2, details.population);
    QByteArray country = details.country.toUtf8();
    if (!country.isEmpty())
        sqlite3_bind_text(s.facts, 3, country.constData(), static_cast<int>(country.size()),
                          SQLITE_STATIC);
    s.run(s.facts);
    for (const QString& name : foldedAlternateNames(details.alternateNames, foldedCity)) {
        const QByteArray bytes = name.toUtf8();
        sqlite3_bind_text(s.names, 1, bytes.constData(), static_cast<int>(bytes.size()),
                          SQLITE_STATIC);
        sqlite3_bind_int64(s.names, 2, id);
        s.run(s.names);
    }
}

} // namespace amb
