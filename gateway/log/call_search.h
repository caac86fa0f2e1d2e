#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gateway/log/call_log.h"
#include "gateway/log/sqlite.h"

namespace velko::gateway {

// Which calls a listing holds, newest first: velko log's (README, "velko log") and the board's
// (docs/http.md, /api/calls). A condition left empty takes every call.
struct CallQuery {
    std::optional<int64_t> before;  // only calls with a lower id
    int64_t limit = -1;             // at most so many; -1 for no limit
    // A part of the number or of the name, taken literally.
    std::string text;
    // A part of the number alone, taken literally.
    std::string numberPart;
    std::optional<std::string> receivedSince;  // UTC time text as the log holds it, included
    std::optional<std::string> receivedUntil;  // excluded
    std::optional<std::string> type;
    std::optional<std::string> source;  // "report" or "memory"
};

// The calls of the query with their deliveries, from a connection that may read the log while
// the gateway writes to it. Texts of three characters or more are found through the log's
// trigram index; shorter ones, and parts of the number alone, by reading the calls from the
// newest on. A log whose tables are of an earlier release (which the gateway upgrades when it
// starts) raises DatabaseError naming the file, as does a log that cannot be read.
std::vector<LoggedCall> findCalls(const Database& db, const CallQuery& query);

// velko log: findCalls on the log at path, opened for reading alone.
std::vector<LoggedCall> listCalls(const std::string& path, const CallQuery& query);

}  // namespace velko::gateway
