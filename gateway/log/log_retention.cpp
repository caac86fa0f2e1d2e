#include "gateway/log/log_retention.h"

#include <sqlite3.h>

#include <utility>

#include "gateway/calls/call_time.h"

namespace velko::gateway {

namespace {

// The calls a pruning deletes: old, acknowledged by every output, and not the newest. Deleting
// their rows table by table leaves this set as it was, so each statement below selects the same
// calls.
constexpr std::string_view kPrunable =
    "SELECT id FROM calls WHERE received < ?1"
    " AND id < (SELECT max(id) FROM calls)"
    " AND NOT EXISTS (SELECT 1 FROM deliveries WHERE call = calls.id AND delivered IS NULL)"
    " AND NOT EXISTS"
    " (SELECT 1 FROM hang_up_deliveries WHERE call = calls.id AND delivered IS NULL)";

int64_t deleteRows(Database& db, std::string_view sql, std::string_view before) {
    Statement statement(db, sql);
    statement.bind(1, before);
    statement.step();
    return sqlite3_changes64(db.handle());
}

}  // namespace

PrunedRows pruneCallLog(Database& db, std::string_view before) {
    Transaction transaction(db);
    for (const char* table : {"hang_up_deliveries", "answered_calls", "deliveries"}) {
        deleteRows(
            db,
            std::string("DELETE FROM ") + table + " WHERE call IN (" + std::string(kPrunable) + ")",
            before);
    }
    PrunedRows pruned;
    pruned.calls =
        deleteRows(db, "DELETE FROM calls WHERE id IN (" + std::string(kPrunable) + ")", before);
    pruned.hookChanges = deleteRows(db, "DELETE FROM hook_changes WHERE received < ?1", before);
    transaction.commit();
    return pruned;
}

LogRetention::LogRetention(const std::string& path, std::chrono::days keep, LoopAccess& loop,
                           Handlers handlers)
    : db_(path, Database::Mode::ReadWrite),
      keep_(keep),
      loop_(loop),
      handlers_(std::move(handlers)) {
    prune();
}

LogRetention::~LogRetention() { loop_.cancel(alarm_); }

void LogRetention::prune() {
    try {
        const auto before = utcTimeText(std::chrono::system_clock::now() - keep_);
        handlers_.pruned(pruneCallLog(db_, before));
    } catch (const DatabaseError& error) {
        handlers_.failed(error.what());
    }
    alarm_ = loop_.after(std::chrono::days(1), [this] { prune(); });
}

}  // namespace velko::gateway
