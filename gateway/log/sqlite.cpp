#include "gateway/log/sqlite.h"

#include <sqlite3.h>

namespace velko::gateway {

namespace {

[[noreturn]] void fail(sqlite3* db, std::string_view doing) {
    throw DatabaseError(doing, db ? sqlite3_errmsg(db) : "out of memory");
}

}  // namespace

Database::Database(const std::string& path, Mode mode, std::chrono::milliseconds busyWait)
    : path_(path) {
    const int flags =
        mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw DatabaseError(path, message);
    }
    sqlite3_busy_timeout(db_, static_cast<int>(busyWait.count()));
}

Database::~Database() { sqlite3_close(db_); }

void Database::execute(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) fail(db_, sql);
}

int64_t Database::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

Statement::Statement(const Database& db, std::string_view sql) : db_(db.handle()) {
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &statement_, nullptr) !=
        SQLITE_OK) {
        fail(db_, sql);
    }
}

Statement::~Statement() { sqlite3_finalize(statement_); }

Statement& Statement::bind(int index, int64_t value) {
    if (sqlite3_bind_int64(statement_, index, value) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK) {
        fail(db_, "bind");
    }
    return *this;
}

Statement& Statement::bindOptional(int index, const std::optional<std::string>& text) {
    if (text) return bind(index, std::string_view(*text));
    if (sqlite3_bind_null(statement_, index) != SQLITE_OK) fail(db_, "bind");
    return *this;
}

bool Statement::step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) return true;
    if (result == SQLITE_DONE) return false;
    const DatabaseError error(sqlite3_sql(statement_), sqlite3_errmsg(db_));
    reset();
    throw error;
}

void Statement::run() {
    step();
    reset();
}

void Statement::reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int64_t Statement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

std::string Statement::text(int column) const { return optionalText(column).value_or(""); }

std::optional<std::string> Statement::optionalText(int column) const {
    const auto* text = sqlite3_column_text(statement_, column);
    if (text == nullptr) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(text),
                       static_cast<size_t>(sqlite3_column_bytes(statement_, column)));
}

Transaction::Transaction(Database& db) : db_(db) {
    // A transaction that a failed commit and a failed rollback left open is ended first.
    if (sqlite3_get_autocommit(db_.handle()) == 0) {
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    db_.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open_) sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    db_.execute("COMMIT");
    open_ = false;
}

}  // namespace velko::gateway
