#include "gateway/board_api.h"

#include <charconv>
#include <chrono>
#include <sstream>

#include "gateway/call_stats.h"
#include "gateway/call_time.h"
#include "gateway/log_listing.h"

namespace velko::gateway {

namespace {

using Json = nlohmann::ordered_json;

constexpr int64_t kDefaultLimit = 50;
constexpr int64_t kMaxLimit = 500;
constexpr int kDefaultDays = 30;
constexpr int kMaxDays = 366;
constexpr int64_t kCsvBatch = 500;
constexpr const char* kJson = "application/json";

std::optional<std::string> parameter(const QueryParameters& parameters, const std::string& name) {
    const auto found = parameters.find(name);
    if (found == parameters.end()) return std::nullopt;
    return found->second;
}

int64_t wholeNumber(const std::string& name, const std::string& text, int64_t low, int64_t high) {
    int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{} || end != text.data() + text.size() || number < low || number > high) {
        throw BadParameter(name + ": expected a whole number from " + std::to_string(low) + " to " +
                           std::to_string(high));
    }
    return number;
}

std::time_t dayStart(const std::string& name, const std::string& text) {
    const auto start = localDayStart(text);
    if (!start) throw BadParameter(name + ": expected an existing day YYYY-MM-DD");
    return *start;
}

std::string utcText(std::time_t moment) {
    return utcTimeText(std::chrono::system_clock::from_time_t(moment));
}

// The first moment of the local day after the one given.
std::time_t nextDayStart(std::time_t start) {
    std::tm local{};
    localtime_r(&start, &local);
    local.tm_mday += 1;
    local.tm_hour = 0;
    local.tm_min = 0;
    local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

// A type word: capital letters and "_".
std::string typeWord(const std::string& text) {
    const bool word =
        !text.empty() && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string::npos;
    if (!word) throw BadParameter("type: expected a type word such as NORMAL or BLACK");
    return text;
}

BoardReply jsonReply(const Json& json) { return {200, kJson, jsonText(json)}; }

}  // namespace

void checkParameterNames(const QueryParameters& parameters, const std::set<std::string>& known) {
    for (const auto& [name, value] : parameters) {
        if (!known.contains(name)) throw BadParameter("unknown parameter " + name);
        if (parameters.count(name) > 1) throw BadParameter(name + " given more than once");
    }
}

std::string callsAfterSql() {
    return std::string("SELECT ") + kCallColumns +
           " FROM calls WHERE calls.id > ?1 ORDER BY calls.id LIMIT " +
           std::to_string(kBoardReadBatch);
}

std::unique_ptr<Database> openLogForReading(const std::string& logPath) {
    auto db = std::make_unique<Database>(logPath, Database::Mode::ReadOnly);
    // Each event stream holds a connection: a small page cache keeps fifty of them small.
    db->execute("PRAGMA cache_size = -512");
    return db;
}

CallQuery callQuery(const QueryParameters& parameters, bool csv) {
    checkParameterNames(parameters, {"before", "limit", "q", "since", "until", "type", "source"});
    CallQuery query;
    if (const auto before = parameter(parameters, "before")) {
        query.before = wholeNumber("before", *before, 1, INT64_MAX);
    }
    const auto limit = parameter(parameters, "limit");
    query.limit = limit ? wholeNumber("limit", *limit, 1, csv ? INT64_MAX : kMaxLimit)
                  : csv ? -1
                        : kDefaultLimit;
    query.text = parameter(parameters, "q").value_or("");
    if (const auto since = parameter(parameters, "since")) {
        query.receivedFrom = utcText(dayStart("since", *since));
    }
    if (const auto until = parameter(parameters, "until")) {
        query.receivedUntil = utcText(nextDayStart(dayStart("until", *until)));
    }
    if (const auto type = parameter(parameters, "type")) query.type = typeWord(*type);
    if (const auto source = parameter(parameters, "source")) {
        if (*source != "report" && *source != "memory") {
            throw BadParameter("source: expected report or memory");
        }
        query.source = *source;
    }
    return query;
}

BoardReply callsReply(const Database& db, const QueryParameters& parameters) {
    Json calls = Json::array();
    for (const LoggedCall& logged : findCalls(db, callQuery(parameters, false))) {
        calls.push_back(loggedCallJson(logged));
    }
    return jsonReply(calls);
}

BoardReply statsReply(const Database& db, const QueryParameters& parameters, std::time_t now) {
    checkParameterNames(parameters, {"days"});
    const auto daysText = parameter(parameters, "days");
    const int days =
        daysText ? static_cast<int>(wholeNumber("days", *daysText, 1, kMaxDays)) : kDefaultDays;
    const CallStats stats = callStats(db, days, now);
    Json json{{"days", Json::array()}, {"hours", stats.hours}, {"top", Json::array()}};
    for (const auto& [date, calls] : stats.days) {
        json["days"].push_back({{"date", date}, {"calls", calls}});
    }
    for (const FrequentCaller& caller : stats.top) {
        json["top"].push_back(
            {{"number", caller.number}, {"name", caller.name}, {"calls", caller.calls}});
    }
    return jsonReply(json);
}

std::string stateJson(const Database& db, const LineSnapshot& line, int64_t lastCallAtMost) {
    Statement last(db, std::string("SELECT ") + kCallColumns +
                           " FROM calls WHERE calls.id <= ? ORDER BY calls.id DESC LIMIT 1");
    last.bind(1, lastCallAtMost);
    const std::vector<LoggedCall> lastCall = withDeliveries(db, last);
    Statement waiting(db, "SELECT count(*) FROM deliveries WHERE output = ? AND delivered IS NULL");
    Json outputs = Json::object();
    for (const auto& [name, connected] : line.outputs) {
        waiting.bind(1, name).step();
        outputs[name] = {{"connected", connected}, {"waiting", waiting.integer(0)}};
        waiting.reset();
    }
    return jsonText({{"terminal", line.status.terminalConnected ? "connected" : "disconnected"},
                     {"ringing", line.status.ringing},
                     {"off_hook", line.status.offHook},
                     {"last_call", lastCall.empty() ? Json() : loggedCallJson(lastCall.front())},
                     {"outputs", outputs}});
}

BoardReply stateReply(const Database& db, const LineSnapshot& line) {
    return {200, kJson, stateJson(db, line)};
}

BoardReply errorReply(int status, const std::string& message) {
    return {status, kJson, jsonText({{"error", message}})};
}

CsvExport::CsvExport(const std::string& logPath, CallQuery query)
    : db_(openLogForReading(logPath)), query_(std::move(query)) {
    if (query_.limit >= 0) left_ = query_.limit;
}

std::optional<std::string> CsvExport::next() {
    std::ostringstream piece;
    if (!started_) {
        started_ = true;
        printCsvHeader(piece);
        return piece.str();
    }
    if (finished_) return std::nullopt;
    query_.limit = left_ ? std::min(*left_, kCsvBatch) : kCsvBatch;
    const std::vector<LoggedCall> calls = findCalls(*db_, query_);
    if (left_) *left_ -= static_cast<int64_t>(calls.size());
    finished_ = static_cast<int64_t>(calls.size()) < query_.limit || left_ == 0;
    if (calls.empty()) return std::nullopt;
    query_.before = calls.back().call.id;
    printCsvRows(piece, calls);
    return piece.str();
}

}  // namespace velko::gateway
