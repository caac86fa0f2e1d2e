#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace velko::gateway {

// A failure of SQLite: what was being done, and SQLite's reason.
class DatabaseError : public std::runtime_error {
  public:
    DatabaseError(std::string_view doing, std::string reason)
        : std::runtime_error(std::string(doing) + ": " + reason), reason_(std::move(reason)) {}

    // SQLite's words alone ("database or disk is full").
    const std::string& reason() const { return reason_; }

  private:
    std::string reason_;
};

// One SQLite database connection; closed with the object. Every failure raises DatabaseError.
class Database {
  public:
    enum class Mode { ReadWrite, ReadOnly };

    // A writer waits up to busyWait for another connection's write to end.
    Database(const std::string& path, Mode mode,
             std::chrono::milliseconds busyWait = std::chrono::seconds(2));
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The file's path, as given.
    const std::string& path() const { return path_; }
    // Runs statements that return no rows.
    void execute(const std::string& sql);
    int64_t lastInsertId() const;
    sqlite3* handle() const { return db_; }

  private:
    std::string path_;
    sqlite3* db_ = nullptr;
};

// A prepared statement, bound by position (from 1) and stepped through its rows; reset, it runs
// again with new values.
class Statement {
  public:
    Statement(const Database& db, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, int64_t value);
    Statement& bind(int index, std::string_view text);
    // NULL for none.
    Statement& bindOptional(int index, const std::optional<std::string>& text);
    // True while there is a row to read; false once the statement has run to its end. A failed
    // step resets the statement, so that it can run again.
    bool step();
    // Runs a statement that returns no rows and resets it.
    void run();
    void reset();

    int64_t integer(int column) const;
    std::string text(int column) const;
    std::optional<std::string> optionalText(int column) const;

  private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A transaction committed by commit() and rolled back when left otherwise.
class Transaction {
  public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

  private:
    Database& db_;
    bool open_ = true;
};

}  // namespace velko::gateway
