#include "cli/quick_search.h"

#include "app/number_text.h"
#include "lookup/stored_order.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace amb::cli {

namespace {

constexpr std::string_view kDatabaseOption = "--database";

// The locale variable Qt's system locale reads for a category: LC_ALL, then the
// category's own, then LANG, then the C locale.
std::string_view localeVariable(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"})
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return "C";
}

// Locales that write numbers with '.', '-', '+', 'e' and ASCII digits, and whose
// search list is in the en_US collation (C counts as en_US there).
bool knownLocale(std::string_view name) {
    for (const std::string_view known : {"C", "C.UTF-8", "C.utf8", "en_US", "en_US.UTF-8",
                                         "en_US.utf8"})
        if (name == known)
            return true;
    return false;
}

bool knownUserLocale() {
    if (!knownLocale(localeVariable("LC_NUMERIC")) || !knownLocale(localeVariable("LC_COLLATE")))
        return false;
    // The exponent symbol comes from the locale of messages, which LANGUAGE overrides
    // unless it is exactly C.
    const std::string_view messages = localeVariable("LC_MESSAGES");
    const char* language = std::getenv("LANGUAGE");
    return knownLocale(messages) && (messages == "C" || !language || !*language);
}

// Well-formed UTF-8, which Qt reads back to the same bytes. A byte order mark,
// which a decoder may drop, and the two noncharacters U+FFFE and U+FFFF are left
// to the lookup tool.
bool plainUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    const auto continuation = [&](const unsigned char* at, unsigned char low, unsigned char high) {
        return at < end && *at >= low && *at <= high;
    };
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        else
            return false;
        if (!continuation(p + 1, low, high))
            return false;
        for (int i = 2; i < length; ++i)
            if (!continuation(p + i, 0x80, 0xBF))
                return false;
        if (lead == 0xEF && ((p[1] == 0xBB && p[2] == 0xBF) || (p[1] == 0xBF && p[2] >= 0xBE)))
            return false;
        p += length;
    }
    return true;
}

struct SearchRequest {
    std::string_view text;
    std::string database;
};

// The plain form of the command: one search text and at most a database. Help,
// other formats and every mistake are the lookup tool's.
bool readRequest(int argc, char* const* args, const char* programFolder, SearchRequest& request) {
    int texts = 0;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = args[i];
        const bool joined = arg.starts_with(kDatabaseOption) &&
                            arg.size() > kDatabaseOption.size() &&
                            arg[kDatabaseOption.size()] == '=';
        if (arg == kDatabaseOption || joined) {
            if (!joined && i + 1 == argc)
                return false;
            request.database = joined ? arg.substr(kDatabaseOption.size() + 1) : args[++i];
            if (request.database.empty())
                return false;
        } else if (arg.starts_with('-')) {
            return false;
        } else {
            request.text = arg;
            ++texts;
        }
    }
    if (texts != 1)
        return false;
    if (request.database.empty()) {
        const char* folder = std::getenv("AMBREVALE_PROGRAM_DIR");
        request.database = std::string(folder && *folder ? folder : programFolder) +
                           "/dbCities.sqlite";
    }
    return plainUtf8(request.database);
}

// The folded form of a search text of plain ASCII is its lower case. Any other
// text takes the whole folding; a grave accent is read as an apostrophe there.
bool foldAscii(std::string_view text, std::string& folded) {
    if (text.find_first_not_of(' ') == std::string_view::npos)
        return false; // blank: a usage error
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == '`')
            return false;
        folded += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return true;
}

// The city search's statement for a folded ASCII text, with the row's rowid in front:
// a range on the index for the literal start, and LIKE from the first % or _ on.
std::string searchStatement(const std::string& folded, std::vector<std::string>& values) {
    std::string sql = "SELECT rowid, AccentCity, Region, Latitude, Longitude FROM cities";
    const size_t wildcard = folded.find_first_of("%_");
    const std::string literal = folded.substr(0, wildcard);
    std::vector<std::string_view> conditions;
    if (!literal.empty()) {
        conditions.push_back("city >= ?");
        values.push_back(literal);
        std::string upper = literal;
        if (upper.back() == '\x7f')
            upper.replace(upper.size() - 1, 1, "\xc2\x80"); // U+0080
        else
            ++upper.back();
        conditions.push_back("city < ?");
        values.push_back(upper);
    }
    if (wildcard != std::string::npos) {
        conditions.push_back("city LIKE ?");
        values.push_back(folded + '%');
    }
    for (size_t i = 0; i < conditions.size(); ++i)
        (sql += i == 0 ? " WHERE " : " AND ") += conditions[i];
    return sql;
}

class Database {
public:
    explicit Database(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                            nullptr) == SQLITE_OK)
            sqlite3_busy_timeout(db_, 1000);
        else
            close();
    }
    ~Database() { close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* handle() const { return db_; }

private:
    void close() {
        sqlite3_close(db_);
        db_ = nullptr;
    }
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) {
        if (db)
            sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &statement_,
                               nullptr);
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ready() const { return statement_ != nullptr; }
    sqlite3_stmt* handle() const { return statement_; }
    std::string_view text(int column) const {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
        return {bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(statement_, column))};
    }

private:
    sqlite3_stmt* statement_ = nullptr;
};

// Whether the importer stored the rows in the search list's order for the C and
// en_US locales, with the collation library this tool is built with.
bool storedInKnownOrder(sqlite3* db) {
    Statement read(db, std::string("SELECT collation FROM ") + kStoredOrderTable);
    if (!read.ready() || sqlite3_step(read.handle()) != SQLITE_ROW)
        return false;
    const bool known = read.text(0) == storedOrderName("en_US");
    return known && sqlite3_step(read.handle()) == SQLITE_DONE;
}

// A stored coordinate the lookup tool writes the same way: a finite number.
bool appendCoordinate(sqlite3_stmt* row, int column, std::string& out) {
    const int type = sqlite3_column_type(row, column);
    if (type != SQLITE_INTEGER && type != SQLITE_FLOAT)
        return false; // a text that reads as a number, or a fault the lookup tool reports
    char text[32];
    const int length = numberText15(sqlite3_column_double(row, column), text);
    out.append(text, static_cast<size_t>(length));
    return length > 0;
}

struct FoundLine {
    sqlite3_int64 rowid;
    size_t start, length;
};

// The lines of the found cities, in stored order, or false.
bool findLines(const SearchRequest& request, std::string& out) {
    std::string folded;
    if (!foldAscii(request.text, folded))
        return false;
    struct stat info {};
    if (::stat(request.database.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        ::access(request.database.c_str(), R_OK) != 0)
        return false;
    const Database db(request.database);
    if (!db.handle() || !storedInKnownOrder(db.handle()))
        return false;
    std::vector<std::string> values;
    const Statement reader(db.handle(), searchStatement(folded, values));
    if (!reader.ready())
        return false;
    for (size_t i = 0; i < values.size(); ++i)
        sqlite3_bind_text(reader.handle(), static_cast<int>(i + 1), values[i].data(),
                          static_cast<int>(values[i].size()), SQLITE_STATIC);

    std::string lines;
    std::vector<FoundLine> found;
    int step;
    while ((step = sqlite3_step(reader.handle())) == SQLITE_ROW) {
        const std::string_view name = reader.text(1);
        const std::string_view region = reader.text(2); // NULL reads as the empty text
        if (!plainUtf8(name) || !plainUtf8(region))
            return false;
        const size_t start = lines.size();
        ((lines += name) += " - ") += region;
        lines += '\t';
        if (!appendCoordinate(reader.handle(), 3, lines))
            return false;
        lines += '\t';
        if (!appendCoordinate(reader.handle(), 4, lines))
            return false;
        lines += '\n';
        found.push_back({sqlite3_column_int64(reader.handle(), 0), start, lines.size() - start});
    }
    if (step != SQLITE_DONE)
        return false;

    // The index hands the rows out by folded name; the stored order is the list's.
    const auto byRowid = [](const FoundLine& a, const FoundLine& b) { return a.rowid < b.rowid; };
    if (!std::is_sorted(found.begin(), found.end(), byRowid))
        std::sort(found.begin(), found.end(), byRowid);
    out.reserve(lines.size());
    for (const FoundLine& line : found)
        out.append(lines, line.start, line.length);
    return true;
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

QuickSearch runQuickSearch(int argc, char* const* args, const char* programFolder) {
    SearchRequest request;
    std::string out;
    if (!knownUserLocale() || !readRequest(argc, args, programFolder, request) ||
        !findLines(request, out))
        return QuickSearch::NotQuick;
    if (!writeAll(STDOUT_FILENO, out)) {
        std::fputs("ambrevale-cli search: cannot write the result\n", stderr);
        return QuickSearch::WriteFailed;
    }
    return QuickSearch::Printed;
}

} // namespace amb::cli
