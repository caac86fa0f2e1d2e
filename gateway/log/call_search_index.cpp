#include "gateway/log/call_search_index.h"

namespace velko::gateway {

namespace {

// An external-content FTS5 table: it holds only the index, the texts stay in calls. Filled from
// a long log, the index is merged into one segment at once ('optimize'): otherwise merging the
// pieces the filling left would fall on the commits of later calls, some taking 200 ms.
constexpr const char* kIndexes = R"sql(
CREATE VIRTUAL TABLE call_search USING fts5(
    number, name, content='calls', content_rowid='id', tokenize='trigram case_sensitive 1');
CREATE TRIGGER call_search_insert AFTER INSERT ON calls BEGIN
    INSERT INTO call_search (rowid, number, name) VALUES (new.id, new.number, new.name);
END;
CREATE TRIGGER call_search_delete AFTER DELETE ON calls BEGIN
    INSERT INTO call_search (call_search, rowid, number, name)
        VALUES ('delete', old.id, old.number, old.name);
END;
CREATE TRIGGER call_search_update AFTER UPDATE OF number, name ON calls BEGIN
    INSERT INTO call_search (call_search, rowid, number, name)
        VALUES ('delete', old.id, old.number, old.name);
    INSERT INTO call_search (rowid, number, name) VALUES (new.id, new.number, new.name);
END;
INSERT INTO call_search (call_search) VALUES ('rebuild');
INSERT INTO call_search (call_search) VALUES ('optimize');
CREATE INDEX IF NOT EXISTS calls_received ON calls(received);
)sql";

bool present(const Database& db) {
    Statement table(db, "SELECT 1 FROM sqlite_schema WHERE name = ?");
    table.bind(1, std::string_view(kCallSearchTable));
    return table.step();
}

}  // namespace

void addCallSearchIndex(Database& db) {
    Transaction transaction(db);
    const bool added = !present(db);
    if (added) db.execute(kIndexes);
    transaction.commit();
    if (!added) return;
    // The indexes of a long log pass through the write-ahead log: copied into the file now,
    // they leave neither a large WAL file behind nor the copying to the first call's commit.
    db.execute("PRAGMA wal_checkpoint(TRUNCATE)");
}

}  // namespace velko::gateway
