#include "gateway/log/log_backup.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "gateway/log/sqlite.h"

namespace velko::gateway {

namespace {

namespace fs = std::filesystem;

constexpr fs::perms kPrivate =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;

// Whether the file at path is a call log: an SQLite database with the table of calls. Raises
// DatabaseError naming the path when it is no database or cannot be read.
bool isCallLog(const std::string& path) {
    try {
        const Database db(path, Database::Mode::ReadOnly);
        Statement table(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'calls'");
        return table.step();
    } catch (const DatabaseError& error) {
        throw DatabaseError(path, error.reason());
    }
}

// The copy may go where there is no file yet, into an empty file, or over an earlier copy (a
// call log); anything else is left as it is. The mode of the file that is there, if any.
std::optional<fs::perms> replaceableMode(const std::string& to) {
    std::error_code error;
    const fs::file_status status = fs::status(to, error);
    if (status.type() == fs::file_type::not_found) {
        if (fs::is_symlink(fs::symlink_status(to, error))) {
            throw DatabaseError(to, "a link to no file");
        }
        return std::nullopt;
    }
    if (error) throw DatabaseError(to, error.message());
    if (!fs::is_regular_file(status)) throw DatabaseError(to, "not a regular file");
    const auto size = fs::file_size(to, error);
    if (error) throw DatabaseError(to, error.message());
    if (size > 0 && !isCallLog(to)) {
        throw DatabaseError(to, "neither empty nor a call log: it is left as it is");
    }
    return status.permissions();
}

// Puts every page of the log into the file to, made readable by its owner and group only before
// any call goes into it: no more than `mode` allows.
void copyPages(const Database& source, const std::string& to, fs::perms mode) {
    const Database copy(to, Database::Mode::ReadWrite);
    std::error_code error;
    fs::permissions(to, mode & kPrivate, error);
    if (error) throw DatabaseError(to, error.message());
    const std::unique_ptr<sqlite3_backup, int (*)(sqlite3_backup*)> backup(
        sqlite3_backup_init(copy.handle(), "main", source.handle(), "main"), sqlite3_backup_finish);
    if (!backup) throw DatabaseError(to, sqlite3_errmsg(copy.handle()));
    // All pages in one step, under one read transaction of the log: a consistent snapshot. In
    // WAL mode the gateway's commits go on meanwhile. A step that fails rolls the copy back.
    const int result = sqlite3_backup_step(backup.get(), -1);
    if (result != SQLITE_DONE) throw DatabaseError(to, sqlite3_errstr(result));
}

}  // namespace

void backUpCallLog(const std::string& from, const std::string& to) {
    if (!isCallLog(from)) throw DatabaseError(from, "not a call log");
    std::error_code unknown;
    if (fs::equivalent(from, to, unknown)) throw DatabaseError(to, "this is the call log itself");
    const std::optional<fs::perms> before = replaceableMode(to);
    const Database source(from, Database::Mode::ReadOnly);
    try {
        copyPages(source, to, before.value_or(kPrivate));
    } catch (const DatabaseError&) {
        // As it was: the file made is removed, the mode of the one there is given back.
        if (before) {
            fs::permissions(to, *before, unknown);
        } else {
            fs::remove(to, unknown);
        }
        throw;
    }
}

}  // namespace velko::gateway
