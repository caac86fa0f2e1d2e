#include "gateway/log/call_log_schema.h"

#include <array>
#include <string>

namespace velko::gateway {

namespace {

// The tables of the first release (version 0), as docs/call-log.md describes them; the
// migrations below bring them to the current version, in a new file as in an old one.
constexpr const char* kFirstSchema = R"sql(
CREATE TABLE IF NOT EXISTS calls (
    id INTEGER PRIMARY KEY,
    received TEXT NOT NULL,
    line TEXT NOT NULL,
    state INTEGER NOT NULL,
    month INTEGER NOT NULL,
    day INTEGER NOT NULL,
    hour INTEGER NOT NULL,
    minute INTEGER NOT NULL,
    time TEXT,
    number TEXT NOT NULL,
    name TEXT NOT NULL,
    "group" INTEGER NOT NULL,
    type TEXT NOT NULL
);
CREATE TABLE IF NOT EXISTS deliveries (
    call INTEGER NOT NULL REFERENCES calls(id),
    output TEXT NOT NULL,
    delivered TEXT,
    PRIMARY KEY (call, output)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS pending ON deliveries(output, call) WHERE delivered IS NULL;
CREATE TABLE IF NOT EXISTS hook_changes (
    id INTEGER PRIMARY KEY,
    received TEXT NOT NULL,
    line TEXT NOT NULL,
    off_hook INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS answered_calls (
    call INTEGER PRIMARY KEY REFERENCES calls(id),
    started INTEGER NOT NULL,
    answered INTEGER NOT NULL,
    ended INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS hang_up_deliveries (
    call INTEGER NOT NULL REFERENCES answered_calls(call),
    output TEXT NOT NULL,
    delivered TEXT,
    PRIMARY KEY (call, output)
) WITHOUT ROWID;
CREATE INDEX IF NOT EXISTS pending_hang_ups ON hang_up_deliveries(output, call)
    WHERE delivered IS NULL;
)sql";

// Migration i brings version i to version i + 1.
constexpr std::array<const char*, kCallLogVersion> kMigrations{
    // Where the gateway learnt of each call, and the calls of a line by their time, which the
    // reading of the terminal's memory looks up.
    R"sql(
ALTER TABLE calls ADD COLUMN source TEXT NOT NULL DEFAULT 'report'
    CHECK (source IN ('report', 'memory'));
CREATE INDEX calls_line_time ON calls(line, time);
)sql",
};

}  // namespace

int callLogVersion(const Database& db) {
    Statement read(db, "PRAGMA user_version");
    read.step();
    return static_cast<int>(read.integer(0));
}

void prepareCallLogSchema(Database& db) {
    Transaction transaction(db);
    const int version = callLogVersion(db);
    if (version > kCallLogVersion) {
        throw DatabaseError("reading the log", "its tables are of version " +
                                                   std::to_string(version) +
                                                   ", from a newer release; this one knows up to " +
                                                   std::to_string(kCallLogVersion));
    }
    if (version == kCallLogVersion) return transaction.commit();
    db.execute(kFirstSchema);
    for (int step = version; step < kCallLogVersion; ++step) {
        db.execute(kMigrations[static_cast<size_t>(step)]);
    }
    db.execute("PRAGMA user_version = " + std::to_string(kCallLogVersion));
    transaction.commit();
}

}  // namespace velko::gateway
