#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gateway/calls/call.h"
#include "gateway/log/sqlite.h"

namespace velko::gateway {

// An output's delivery of a call or of its end: the output's name, and when its far end
// acknowledged it (UTC time text; none while it is pending).
using DeliveryState = std::pair<std::string, std::optional<std::string>>;

// One call with each output's delivery: as velko log lists it, and as the gateway writes it.
struct LoggedCall {
    Call call;
    std::vector<DeliveryState> deliveries;
};

struct LoggedHangUp {
    FinishedCall finished;
    std::vector<DeliveryState> deliveries;
};

struct HookChange {
    bool offHook = false;
    std::string line;
    std::string received;  // UTC time text
};

// The far end of an output acknowledged a call, or the end of an answered call.
struct Acknowledgement {
    int64_t callId = 0;
    std::string output;
    std::string when;  // UTC time text
    bool hangUp = false;
};

// What one transaction writes: calls (with their ids, in id order) and ends of answered calls
// with the state of each of their deliveries, hook changes, and acknowledgements of what the
// log holds.
struct LogBatch {
    std::deque<LoggedCall> calls;
    std::deque<LoggedHangUp> hangUps;
    std::vector<HookChange> hookChanges;
    std::vector<Acknowledgement> acknowledgements;

    bool empty() const {
        return calls.empty() && hangUps.empty() && hookChanges.empty() && acknowledgements.empty();
    }
};

// The durable call log: an SQLite file in WAL mode whose tables docs/call-log.md describes.
// With Durability::PowerSafe each commit also waits for the disk (synchronous=FULL), which
// survives a power cut as well at the price of a flush per commit.
class CallLog {
  public:
    enum class Durability { ProcessSafe, PowerSafe };

    // Opens the log, creating it when there is none. A file that cannot be opened or read as a
    // call log raises DatabaseError naming the file, and is left as it was.
    CallLog(const std::string& path, Durability durability,
            std::chrono::milliseconds busyWait = std::chrono::seconds(2));

    // The highest call id in the log; 0 for none.
    int64_t lastCallId() const { return lastCallId_; }
    // Writes the batch in one transaction: all of it, or nothing and DatabaseError.
    void write(const LogBatch& batch);
    // The calls pending for the output with an id above afterId, oldest first, at most limit.
    std::vector<Call> pendingCalls(std::string_view output, int64_t afterId, int64_t limit);
    // The ends of answered calls pending for the output, likewise.
    std::vector<FinishedCall> pendingHangUps(std::string_view output, int64_t afterId,
                                             int64_t limit);
    // The calls of the line at the times (to the minute) of the calls given: the same time, or
    // for fields that are no date, the same fields.
    std::vector<Call> callsAt(const std::string& line, const std::vector<Call>& like);
    // The latest time of a call of the line; none for a line without dated calls.
    std::optional<std::string> newestCallTime(const std::string& line);

  private:
    void insertCall(const LoggedCall& logged);
    void insertHangUp(const LoggedHangUp& logged);

    Database db_;
    int64_t lastCallId_ = 0;
    std::unique_ptr<Statement> insertCall_;
    std::unique_ptr<Statement> insertDelivery_;
    std::unique_ptr<Statement> insertHook_;
    std::unique_ptr<Statement> updateDelivery_;
    std::unique_ptr<Statement> insertAnswered_;
    std::unique_ptr<Statement> insertHangUpDelivery_;
    std::unique_ptr<Statement> updateHangUpDelivery_;
    std::unique_ptr<Statement> pendingCalls_;
    std::unique_ptr<Statement> pendingHangUps_;
    std::unique_ptr<Statement> callsAt_;
    std::unique_ptr<Statement> newestCallTime_;
};

// For the log's other readers: the columns of a call that readCall reads, first in a query's
// row and in this order; the call of such a row; every row of such a query with its deliveries.
inline constexpr const char* kCallColumns =
    "calls.id, state, month, day, hour, minute, time, number, name, \"group\", type, line, "
    "received, source";
Call readCall(const Statement& row);
std::vector<LoggedCall> withDeliveries(const Database& db, Statement& query);

}  // namespace velko::gateway
