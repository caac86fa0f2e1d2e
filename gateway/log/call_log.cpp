#include "gateway/log/call_log.h"

#include <algorithm>
#include <string_view>

#include "gateway/log/call_log_schema.h"
#include "gateway/log/call_search_index.h"

namespace velko::gateway {

namespace {

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
    call.source = row.text(13) == "memory" ? CallSource::Memory : CallSource::Report;
    return call;
}

CallLog::CallLog(const std::string& path, Durability durability,
                 std::chrono::milliseconds busyWait) try
    : db_(path, Database::Mode::ReadWrite, busyWait) {
    db_.execute("PRAGMA journal_mode=WAL");
    db_.execute(durability == Durability::PowerSafe ? "PRAGMA synchronous=FULL"
                                                    : "PRAGMA synchronous=NORMAL");
    prepareCallLogSchema(db_);
    addCallSearchIndex(db_);
    Statement last(db_, "SELECT coalesce(max(id), 0) FROM calls");
    last.step();
    lastCallId_ = last.integer(0);
    last.reset();
    insertCall_ = std::make_unique<Statement>(
        db_,
        "INSERT INTO calls (id, received, line, state, month, day, hour, minute, time, number, "
        "name, \"group\", type, source) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insertDelivery_ = std::make_unique<Statement>(
        db_, "INSERT INTO deliveries (call, output, delivered) VALUES (?, ?, ?)");
    insertHook_ = std::make_unique<Statement>(
        db_, "INSERT INTO hook_changes (received, line, off_hook) VALUES (?, ?, ?)");
    updateDelivery_ = std::make_unique<Statement>(
        db_, "UPDATE deliveries SET delivered = ? WHERE call = ? AND output = ?");
    insertAnswered_ =
        std::make_unique<Statement>(db_,
                                    "INSERT INTO answered_calls (call, started, answered, ended) "
                                    "VALUES (?, ?, ?, ?)");
    insertHangUpDelivery_ = std::make_unique<Statement>(
        db_, "INSERT INTO hang_up_deliveries (call, output, delivered) VALUES (?, ?, ?)");
    updateHangUpDelivery_ = std::make_unique<Statement>(
        db_, "UPDATE hang_up_deliveries SET delivered = ? WHERE call = ? AND output = ?");
    pendingCalls_ = std::make_unique<Statement>(
        db_, std::string("SELECT ") + kCallColumns +
                 " FROM deliveries JOIN calls ON calls.id = deliveries.call"
                 " WHERE output = ? AND delivered IS NULL AND call > ? ORDER BY call LIMIT ?");
    pendingHangUps_ = std::make_unique<Statement>(
        db_, std::string("SELECT ") + kCallColumns +
                 ", started, answered, ended FROM hang_up_deliveries"
                 " JOIN answered_calls ON answered_calls.call = hang_up_deliveries.call"
                 " JOIN calls ON calls.id = answered_calls.call"
                 " WHERE output = ? AND delivered IS NULL AND hang_up_deliveries.call > ?"
                 " ORDER BY hang_up_deliveries.call LIMIT ?");
    callsAt_ = std::make_unique<Statement>(
        db_, std::string("SELECT ") + kCallColumns +
                 " FROM calls WHERE line = ? AND time IS ? AND month = ? AND day = ? AND hour = ?"
                 " AND minute = ?");
    newestCallTime_ = std::make_unique<Statement>(
        db_,
        "SELECT time FROM calls WHERE line = ? AND time IS NOT NULL ORDER BY time DESC LIMIT 1");
} catch (const DatabaseError& error) {
    throw DatabaseError(path, error.reason());
}

void CallLog::insertCall(const LoggedCall& logged) {
    const Call& call = logged.call;
    insertCall_->bind(1, call.id)
        .bind(2, call.received)
        .bind(3, call.line)
        .bind(4, call.state)
        .bind(5, call.month)
        .bind(6, call.day)
        .bind(7, call.hour)
        .bind(8, call.minute)
        .bindOptional(9, call.time)
        .bind(10, call.number)
        .bind(11, call.name)
        .bind(12, call.group)
        .bind(13, call.type)
        .bind(14, std::string_view(callSourceName(call.source)))
        .run();
    for (const auto& [output, delivered] : logged.deliveries) {
        insertDelivery_->bind(1, call.id).bind(2, output).bindOptional(3, delivered).run();
    }
}

void CallLog::insertHangUp(const LoggedHangUp& logged) {
    const FinishedCall& finished = logged.finished;
    insertAnswered_->bind(1, finished.call.id)
        .bind(2, finished.started)
        .bind(3, finished.answered)
        .bind(4, finished.ended)
        .run();
    for (const auto& [output, delivered] : logged.deliveries) {
        insertHangUpDelivery_->bind(1, finished.call.id)
            .bind(2, output)
            .bindOptional(3, delivered)
            .run();
    }
}

void CallLog::write(const LogBatch& batch) {
    Transaction transaction(db_);
    for (const LoggedCall& call : batch.calls) insertCall(call);
    for (const LoggedHangUp& hangUp : batch.hangUps) insertHangUp(hangUp);
    for (const HookChange& change : batch.hookChanges) {
        insertHook_->bind(1, change.received)
            .bind(2, change.line)
            .bind(3, change.offHook ? 1 : 0)
            .run();
    }
    for (const Acknowledgement& ack : batch.acknowledgements) {
        Statement& update = ack.hangUp ? *updateHangUpDelivery_ : *updateDelivery_;
        update.bind(1, ack.when).bind(2, ack.callId).bind(3, ack.output).run();
    }
    transaction.commit();
    for (const LoggedCall& call : batch.calls) lastCallId_ = std::max(lastCallId_, call.call.id);
}

std::vector<Call> CallLog::pendingCalls(std::string_view output, int64_t afterId, int64_t limit) {
    pendingCalls_->bind(1, output).bind(2, afterId).bind(3, limit);
    std::vector<Call> calls;
    while (pendingCalls_->step()) calls.push_back(readCall(*pendingCalls_));
    pendingCalls_->reset();
    return calls;
}

std::vector<FinishedCall> CallLog::pendingHangUps(std::string_view output, int64_t afterId,
                                                  int64_t limit) {
    pendingHangUps_->bind(1, output).bind(2, afterId).bind(3, limit);
    std::vector<FinishedCall> hangUps;
    while (pendingHangUps_->step()) {
        hangUps.push_back({readCall(*pendingHangUps_), pendingHangUps_->integer(kCallColumnCount),
                           pendingHangUps_->integer(kCallColumnCount + 1),
                           pendingHangUps_->integer(kCallColumnCount + 2)});
    }
    pendingHangUps_->reset();
    return hangUps;
}

std::vector<Call> CallLog::callsAt(const std::string& line, const std::vector<Call>& like) {
    std::vector<Call> calls;
    std::vector<const Call*> asked;
    for (const Call& call : like) {
        const bool again = std::ranges::any_of(
            asked, [&](const Call* before) { return sameMinute(*before, call); });
        if (again) continue;
        asked.push_back(&call);
        callsAt_->bind(1, line)
            .bindOptional(2, call.time)
            .bind(3, call.month)
            .bind(4, call.day)
            .bind(5, call.hour)
            .bind(6, call.minute);
        while (callsAt_->step()) calls.push_back(readCall(*callsAt_));
        callsAt_->reset();
    }
    return calls;
}

std::optional<std::string> CallLog::newestCallTime(const std::string& line) {
    newestCallTime_->bind(1, line);
    std::optional<std::string> time;
    if (newestCallTime_->step()) time = newestCallTime_->text(0);
    newestCallTime_->reset();
    return time;
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
