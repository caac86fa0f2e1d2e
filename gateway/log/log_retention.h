#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "gateway/log/sqlite.h"
#include "gateway/system/loop_access.h"

namespace velko::gateway {

// What one pruning of the call log deleted.
struct PrunedRows {
    int64_t calls = 0;
    int64_t hookChanges = 0;
};

// Deletes, in one transaction, the calls received before the UTC time `before` (text as the log
// holds it) that every output has acknowledged, the call and the end of an answered call alike,
// with their rows in the other tables, and the hook changes received before it. The newest call
// stays whatever its age, so that the next call's id still follows it (docs/call-log.md,
// "Keeping the log short").
PrunedRows pruneCallLog(Database& db, std::string_view before);

// velko gateway --keep-days: prunes the log at `path` of what is older than `keep`, at once and
// then once a day, on the loop's thread, over a connection of its own. Tells what it deleted, or
// why it could not (the next day tries again).
class LogRetention {
  public:
    struct Handlers {
        std::function<void(const PrunedRows& pruned)> pruned;
        // What failed, in SQLite's words with the statement.
        std::function<void(const std::string& reason)> failed;
    };

    LogRetention(const std::string& path, std::chrono::days keep, LoopAccess& loop,
                 Handlers handlers);
    ~LogRetention();
    LogRetention(const LogRetention&) = delete;
    LogRetention& operator=(const LogRetention&) = delete;

  private:
    void prune();

    Database db_;
    std::chrono::days keep_;
    LoopAccess& loop_;
    Handlers handlers_;
    int alarm_ = 0;
};

}  // namespace velko::gateway
