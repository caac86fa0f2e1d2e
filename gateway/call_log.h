#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/call.h"
#include "gateway/sqlite.h"

namespace velko::gateway {

// The durable call log: an SQLite file in WAL mode whose tables docs/call-log.md describes.
// Every change is committed before the method returns: a call is in the log before any output
// sees it, and a process killed at any moment loses nothing that was logged. With
// Durability::PowerSafe each commit also waits for the disk (synchronous=FULL), which survives
// a power cut as well at the price of a flush per commit.
class CallLog {
  public:
    enum class Durability { ProcessSafe, PowerSafe };

    CallLog(const std::string& path, Durability durability);

    // Logs the call with a pending delivery for each output, and gives it its id.
    void addCall(Call& call, const std::vector<std::string>& outputs);
    void addHookChange(bool offHook, std::string_view line, std::string_view received);
    // The output's far end acknowledged the call at the UTC time given.
    void markDelivered(int64_t callId, std::string_view output, std::string_view when);
    // The calls still pending for the output, oldest first.
    std::vector<Call> undelivered(std::string_view output);
    // Logs an answered call's end with a pending delivery for each output that reports it.
    void addHangUp(const FinishedCall& finished, const std::vector<std::string>& outputs);
    void markHangUpDelivered(int64_t callId, std::string_view output, std::string_view when);
    // The ends of answered calls still pending for the output, oldest call first.
    std::vector<FinishedCall> undeliveredHangUps(std::string_view output);

  private:
    Database db_;
    std::unique_ptr<Statement> insertCall_;
    std::unique_ptr<Statement> insertDelivery_;
    std::unique_ptr<Statement> insertHook_;
    std::unique_ptr<Statement> updateDelivery_;
    std::unique_ptr<Statement> insertAnswered_;
    std::unique_ptr<Statement> insertHangUpDelivery_;
    std::unique_ptr<Statement> updateHangUpDelivery_;
};

// One call as velko log lists it: the call and each output's delivery time (none while it is
// pending).
struct LoggedCall {
    Call call;
    std::vector<std::pair<std::string, std::optional<std::string>>> deliveries;
};

// Which calls velko log lists, newest first.
struct CallFilter {
    std::optional<std::string> receivedSince;  // UTC time text, as the log holds it
    std::string numberPart;                    // a part of the number; empty for any
    std::optional<int64_t> limit;
};

// Reads the log without changing it, also while a gateway writes to it.
std::vector<LoggedCall> listCalls(const std::string& path, const CallFilter& filter);

// For the log's other readers: the columns of a call that readCall reads, first in a query's
// row and in this order; the call of such a row; every row of such a query with its deliveries.
inline constexpr const char* kCallColumns =
    "calls.id, state, month, day, hour, minute, time, number, name, \"group\", type, line, "
    "received";
Call readCall(const Statement& row);
std::vector<LoggedCall> withDeliveries(const Database& db, Statement& query);

}  // namespace velko::gateway
