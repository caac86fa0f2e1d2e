#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gateway/log/call_log.h"
#include "gateway/log/sqlite.h"

namespace velko::gateway {

// Which calls the board lists, newest first (docs/http.md, /api/calls).
struct CallQuery {
    std::optional<int64_t> before;  // only calls with a lower id
    int64_t limit = 50;
    // A part of the number or of the name, taken literally; empty for any.
    std::string text;
    std::optional<std::string> receivedFrom;   // UTC time text as the log holds it, included
    std::optional<std::string> receivedUntil;  // excluded
    std::optional<std::string> type;
    std::optional<std::string> source;  // "report" or "memory"
};

// Texts of three characters or more are found through the log's trigram index; shorter ones by
// reading the calls from the newest on.
std::vector<LoggedCall> findCalls(const Database& db, const CallQuery& query);

}  // namespace velko::gateway
