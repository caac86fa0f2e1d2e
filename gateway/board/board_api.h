#pragma once

#include <cstdint>
#include <ctime>
#include <exception>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>

#include "gateway/board/board_feed.h"
#include "gateway/board/board_report.h"
#include "gateway/log/call_search.h"
#include "gateway/log/sqlite.h"

namespace velko::gateway {

// Calls the board reads from the log at a time, so that a long replay goes out in pieces.
inline constexpr int64_t kBoardReadBatch = 200;
// The statement that reads them: the calls after the one bound to ?1, oldest first.
std::string callsAfterSql();
// The id of the newest logged call, 0 for none.
int64_t newestCallId(const Database& db);

// The board's answers to its API (docs/http.md), each from a read-only connection to the log,
// independent of the HTTP server that carries them.

// A query's parameters by name; a name may come more than once.
using QueryParameters = std::multimap<std::string, std::string>;

// A parameter the API refuses; what() says which and why.
class BadParameter : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Refuses, with BadParameter, a name the request may not carry and a name given twice.
void checkParameterNames(const QueryParameters& parameters, const std::set<std::string>& known);

struct BoardReply {
    int status = 200;
    std::string contentType;
    std::string body;
};

// A call as the board's API gives it: the form of velko log --json, and the number as the page
// shows it (number_shown).
nlohmann::ordered_json boardCallJson(const LoggedCall& logged);

// The log, opened read-only for one request or one event stream.
std::unique_ptr<Database> openLogForReading(const std::string& logPath);

// /api/calls and /api/calls.csv: the filters, which raise BadParameter. The CSV has no limit
// unless it is given, and no maximum.
CallQuery callQuery(const QueryParameters& parameters, bool csv);
BoardReply callsReply(const Database& db, const CallQuery& query);
// /api/stats: the days asked for, which raises BadParameter, and their figures.
int statsDays(const QueryParameters& parameters);
BoardReply statsReply(const Database& db, int days, std::time_t now);
BoardReply stateReply(const Database& db, const LineSnapshot& line);
// The line's state as JSON text: the snapshot with the log's last call (the newest up to
// lastCallAtMost) and the deliveries waiting.
std::string stateJson(const Database& db, const LineSnapshot& line,
                      int64_t lastCallAtMost = INT64_MAX);
// 400 with {"error": ...}, and 404.
BoardReply errorReply(int status, const std::string& message);
// The answer to a request whose handling raised `failure`: 400 for a BadParameter, 503 when the
// log cannot be read, 500 for anything else. An answer never carries what the log or the code
// said (a statement, a file's name): that goes to `report`, with the request's path.
BoardReply failureReply(const std::exception_ptr& failure, std::string_view request,
                        BoardReport& report);
// What went wrong, for the gateway's output: SQLite's words alone for the log.
std::string failureReason(const std::exception_ptr& failure);

// The CSV of a query in pieces of a bounded size: the header with the first batch of calls, then
// the calls a batch at a time. The first piece is read at once, so that a log that cannot be read
// fails the request before its answer starts.
class CsvExport {
  public:
    CsvExport(const std::string& logPath, CallQuery query);
    // The next piece, or nothing once every call is written.
    std::optional<std::string> next();

  private:
    std::string batch();

    std::unique_ptr<Database> db_;
    CallQuery query_;
    std::optional<int64_t> left_;
    std::optional<std::string> first_;
    bool finished_ = false;
};

}  // namespace velko::gateway
