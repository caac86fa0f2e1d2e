#include "gateway/log_backup.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "gateway/sqlite.h"

namespace velko::gateway {

void backUpCallLog(const std::string& from, const std::string& to) {
    const Database source(from, Database::Mode::ReadOnly);
    std::error_code unknown;
    if (std::filesystem::equivalent(from, to, unknown)) {
        throw DatabaseError(to, "this is the call log itself");
    }
    const Database copy(to, Database::Mode::ReadWrite);
    // Only the empty file exists yet: the calls go into it once no one else may read it.
    std::filesystem::permissions(to,
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_read,
                                 unknown);
    if (unknown) throw DatabaseError(to, unknown.message());
    const std::unique_ptr<sqlite3_backup, int (*)(sqlite3_backup*)> backup(
        sqlite3_backup_init(copy.handle(), "main", source.handle(), "main"), sqlite3_backup_finish);
    if (!backup) throw DatabaseError(to, sqlite3_errmsg(copy.handle()));
    // All pages in one step, under one read transaction of the log: a consistent snapshot. In
    // WAL mode the gateway's commits go on meanwhile.
    const int result = sqlite3_backup_step(backup.get(), -1);
    if (result != SQLITE_DONE) throw DatabaseError(to, sqlite3_errstr(result));
}

}  // namespace velko::gateway
