#include "gateway/call_search_index.h"

namespace velko::gateway {

namespace {

// An external-content FTS5 table: it holds only the index, the texts stay in calls.
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
CREATE INDEX IF NOT EXISTS calls_received ON calls(received);
)sql";

}  // namespace

void addCallSearchIndex(Database& db) {
    Transaction transaction(db);
    Statement present(db, "SELECT 1 FROM sqlite_schema WHERE name = ?");
    present.bind(1, std::string_view(kCallSearchTable));
    if (!present.step()) db.execute(kIndexes);
    transaction.commit();
}

}  // namespace velko::gateway
