#include "gateway/log/call_search.h"

#include <algorithm>

#include "gateway/log/call_log_schema.h"
#include "gateway/log/call_search_index.h"

namespace velko::gateway {

namespace {

// The trigram index finds texts of at least three characters.
constexpr std::ptrdiff_t kIndexedLength = 3;

std::ptrdiff_t characters(const std::string& utf8) {
    return std::ranges::count_if(utf8, [](char c) { return (c & 0xC0) != 0x80; });
}

// The text as one FTS5 phrase: in double quotes, a quote inside doubled.
std::string phrase(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

}  // namespace

std::vector<LoggedCall> findCalls(const Database& db, const CallQuery& query) {
    if (const int version = callLogVersion(db); version < kCallLogVersion) {
        throw DatabaseError(db.path(), "its tables are of an earlier release (version " +
                                           std::to_string(version) +
                                           "); the gateway upgrades them when it starts");
    }
    const bool indexed = characters(query.text) >= kIndexedLength;
    // Parameters by number: ?1 the text, ?2 before, ?3 and ?4 the times, ?5 the type, ?6 the
    // source, ?7 the number's part, ?8 the limit (the highest, so that every number is bound).
    // Only the conditions asked for are in the statement, so that SQLite picks its plan for them.
    // An indexed search walks the index from the newest match down.
    std::string sql = std::string("SELECT ") + kCallColumns + " FROM ";
    std::string order = "calls.id";
    std::vector<std::string> conditions;
    if (indexed) {
        sql += std::string("(SELECT rowid AS hit FROM ") + kCallSearchTable + " WHERE " +
               kCallSearchTable + " MATCH ?1" + (query.before ? " AND rowid < ?2" : "") +
               " ORDER BY rowid DESC) JOIN calls ON calls.id = hit";
        order = "hit";
    } else {
        sql += "calls";
        if (!query.text.empty()) conditions.emplace_back("(instr(number, ?1) OR instr(name, ?1))");
        if (query.before) conditions.emplace_back("calls.id < ?2");
    }
    if (query.receivedSince) conditions.emplace_back("received >= ?3");
    if (query.receivedUntil) conditions.emplace_back("received < ?4");
    if (query.type) conditions.emplace_back("type = ?5");
    if (query.source) conditions.emplace_back("source = ?6");
    if (!query.numberPart.empty()) conditions.emplace_back("instr(number, ?7) > 0");
    for (size_t i = 0; i < conditions.size(); ++i) {
        sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    }
    sql += " ORDER BY " + order + " DESC LIMIT ?8";
    Statement statement(db, sql);
    statement.bind(1, indexed ? phrase(query.text) : query.text)
        .bind(2, query.before.value_or(0))
        .bind(3, query.receivedSince.value_or(""))
        .bind(4, query.receivedUntil.value_or(""))
        .bind(5, query.type.value_or(""))
        .bind(6, query.source.value_or(""))
        .bind(7, query.numberPart)
        .bind(8, query.limit);
    return withDeliveries(db, statement);
}

std::vector<LoggedCall> listCalls(const std::string& path, const CallQuery& query) {
    const Database db(path, Database::Mode::ReadOnly);
    return findCalls(db, query);
}

}  // namespace velko::gateway
