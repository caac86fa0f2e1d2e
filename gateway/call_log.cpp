#include "gateway/call_log.h"

#include <algorithm>
#include <string_view>

#include "gateway/call_search_index.h"

namespace velko::gateway {

namespace {

// The tables, as docs/call-log.md describes them.
constexpr const char* kSchema = R"sql(
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
)sql";

// Where the columns a query adds after them start.
constexpr auto kCallColumnCount =
    static_cast<int>(std::ranges::count(std::string_view(kCallColumns), ',')) + 1;

}  // namespace

Call readCall(const Statement& row) {
    Call call;
    call.id = row.integer(0);
    call.state = static_cast<int16_t>(row.integer(1));
    call.month = static_cast<int16_t>(row.integer(2));
    call.day = static_cast<int16_t>(row.integer(3));
    call.hour = static_cast<int16_t>(row.integer(4));
    call.minute = static_cast<int16_t>(row.integer(5));
    call.time = row.optionalText(6);
    call.number = row.text(7);
    call.name = row.text(8);
    call.group = static_cast<int16_t>(row.integer(9));
    call.type = row.text(10);
    call.line = row.text(11);
    call.received = row.text(12);
    return call;
}

CallLog::CallLog(const std::string& path, Durability durability)
    : db_(path, Database::Mode::ReadWrite) {
    db_.execute("PRAGMA journal_mode=WAL");
    db_.execute(durability == Durability::PowerSafe ? "PRAGMA synchronous=FULL"
                                                    : "PRAGMA synchronous=NORMAL");
    db_.execute(kSchema);
    addCallSearchIndex(db_);
    insertCall_ = std::make_unique<Statement>(
        db_,
        "INSERT INTO calls (received, line, state, month, day, hour, minute, time, number, name, "
        "\"group\", type) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insertDelivery_ =
        std::make_unique<Statement>(db_, "INSERT INTO deliveries (call, output) VALUES (?, ?)");
    insertHook_ = std::make_unique<Statement>(
        db_, "INSERT INTO hook_changes (received, line, off_hook) VALUES (?, ?, ?)");
    updateDelivery_ = std::make_unique<Statement>(
        db_, "UPDATE deliveries SET delivered = ? WHERE call = ? AND output = ?");
    insertAnswered_ =
        std::make_unique<Statement>(db_,
                                    "INSERT INTO answered_calls (call, started, answered, ended) "
                                    "VALUES (?, ?, ?, ?)");
    insertHangUpDelivery_ = std::make_unique<Statement>(
        db_, "INSERT INTO hang_up_deliveries (call, output) VALUES (?, ?)");
    updateHangUpDelivery_ = std::make_unique<Statement>(
        db_, "UPDATE hang_up_deliveries SET delivered = ? WHERE call = ? AND output = ?");
}

void CallLog::addCall(Call& call, const std::vector<std::string>& outputs) {
    Transaction transaction(db_);
    insertCall_->bind(1, call.received)
        .bind(2, call.line)
        .bind(3, call.state)
        .bind(4, call.month)
        .bind(5, call.day)
        .bind(6, call.hour)
        .bind(7, call.minute)
        .bindOptional(8, call.time)
        .bind(9, call.number)
        .bind(10, call.name)
        .bind(11, call.group)
        .bind(12, call.type)
        .run();
    call.id = db_.lastInsertId();
    for (const std::string& output : outputs) {
        insertDelivery_->bind(1, call.id).bind(2, output).run();
    }
    transaction.commit();
}

void CallLog::addHookChange(bool offHook, std::string_view line, std::string_view received) {
    insertHook_->bind(1, received).bind(2, line).bind(3, offHook ? 1 : 0).run();
}

void CallLog::markDelivered(int64_t callId, std::string_view output, std::string_view when) {
    updateDelivery_->bind(1, when).bind(2, callId).bind(3, output).run();
}

void CallLog::addHangUp(const FinishedCall& finished, const std::vector<std::string>& outputs) {
    Transaction transaction(db_);
    insertAnswered_->bind(1, finished.call.id)
        .bind(2, finished.started)
        .bind(3, finished.answered)
        .bind(4, finished.ended)
        .run();
    for (const std::string& output : outputs) {
        insertHangUpDelivery_->bind(1, finished.call.id).bind(2, output).run();
    }
    transaction.commit();
}

void CallLog::markHangUpDelivered(int64_t callId, std::string_view output, std::string_view when) {
    updateHangUpDelivery_->bind(1, when).bind(2, callId).bind(3, output).run();
}

std::vector<FinishedCall> CallLog::undeliveredHangUps(std::string_view output) {
    Statement query(db_, std::string("SELECT ") + kCallColumns +
                             ", started, answered, ended FROM hang_up_deliveries"
                             " JOIN answered_calls ON answered_calls.call = hang_up_deliveries.call"
                             " JOIN calls ON calls.id = answered_calls.call"
                             " WHERE output = ? AND delivered IS NULL ORDER BY calls.id");
    query.bind(1, output);
    std::vector<FinishedCall> hangUps;
    while (query.step()) {
        hangUps.push_back({readCall(query), query.integer(kCallColumnCount),
                           query.integer(kCallColumnCount + 1),
                           query.integer(kCallColumnCount + 2)});
    }
    return hangUps;
}

std::vector<Call> CallLog::undelivered(std::string_view output) {
    Statement query(db_, std::string("SELECT ") + kCallColumns +
                             " FROM deliveries JOIN calls ON calls.id = deliveries.call"
                             " WHERE output = ? AND delivered IS NULL ORDER BY calls.id");
    query.bind(1, output);
    std::vector<Call> calls;
    while (query.step()) calls.push_back(readCall(query));
    return calls;
}

std::vector<LoggedCall> listCalls(const std::string& path, const CallFilter& filter) {
    const Database db(path, Database::Mode::ReadOnly);
    Statement query(db, std::string("SELECT ") + kCallColumns +
                            " FROM calls WHERE received >= ? AND instr(number, ?) > 0"
                            " ORDER BY calls.id DESC LIMIT ?");
    query.bind(1, filter.receivedSince.value_or(""))
        .bind(2, filter.numberPart)
        .bind(3, filter.limit.value_or(-1));
    return withDeliveries(db, query);
}

std::vector<LoggedCall> withDeliveries(const Database& db, Statement& query) {
    Statement deliveries(db,
                         "SELECT output, delivered FROM deliveries WHERE call = ? ORDER BY output");
    std::vector<LoggedCall> calls;
    while (query.step()) {
        LoggedCall logged{readCall(query), {}};
        deliveries.bind(1, logged.call.id);
        while (deliveries.step()) {
            logged.deliveries.emplace_back(deliveries.text(0), deliveries.optionalText(1));
        }
        deliveries.reset();
        calls.push_back(std::move(logged));
    }
    return calls;
}

}  // namespace velko::gateway
