#include "gateway/board/board_api.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <sstream>
#include <utility>

#include "gateway/calls/call_time.h"
#include "gateway/calls/shown_number.h"
#include "gateway/log/call_stats.h"
#include "gateway/log/log_listing.h"

namespace velko::gateway {

namespace {

using Json = nlohmann::ordered_json;

constexpr int64_t kDefaultLimit = 50;
constexpr int64_t kMaxLimit = 500;
constexpr int kDefaultDays = 30;
constexpr int kMaxDays = 366;
constexpr int64_t kCsvBatch = 500;
constexpr std::ptrdiff_t kMaxSearchLength = 64;
constexpr const char* kJson = "application/json";

// The code point starting at text[at] and its length in bytes; nothing for a sequence that is not
// UTF-8 (a stray byte, a short, overlong or surrogate form, a point beyond U+10FFFF).
std::optional<std::pair<char32_t, size_t>> codePoint(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return std::pair{char32_t{lead}, size_t{1}};
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || at + length > text.size()) return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    return std::pair{code, length};
}

// A value as the API takes text: UTF-8 without control characters (C0, DEL, C1).
const std::string& plainText(const std::string& name, const std::string& value) {
    for (size_t at = 0; at < value.size();) {
        const auto point = codePoint(value, at);
        if (!point) throw BadParameter(name + ": expected UTF-8 text");
        if (point->first < 0x20 || (point->first >= 0x7F && point->first <= 0x9F)) {
            throw BadParameter(name + ": expected text without control characters");
        }
        at += point->second;
    }
    return value;
}

std::optional<std::string> parameter(const QueryParameters& parameters, const std::string& name) {
    const auto found = parameters.find(name);
    if (found == parameters.end()) return std::nullopt;
    return plainText(name, found->second);
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

// A bound on the time of reception as the log writes it. Texts compare in time order only from
// year 0000 to 9999: a moment beyond them is held to the nearest, which every logged call passes
// or none does, as the moment would.
std::string receivedBound(std::time_t moment) {
    using namespace std::chrono;
    constexpr auto kFirst = sys_seconds(sys_days(year(0) / January / 1)).time_since_epoch();
    constexpr auto kLast = sys_seconds(sys_days(year(9999) / December / 31)).time_since_epoch();
    return utcTimeText(
        static_cast<std::time_t>(std::clamp<int64_t>(moment, kFirst.count(), kLast.count())));
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

nlohmann::ordered_json boardCallJson(const LoggedCall& logged) {
    Json json = loggedCallJson(logged);
    json["number_shown"] = shownNumber(logged.call.number);
    return json;
}

std::string callsAfterSql() {
    return std::string("SELECT ") + kCallColumns +
           " FROM calls WHERE calls.id > ?1 ORDER BY calls.id LIMIT " +
           std::to_string(kBoardReadBatch);
}

// A statement left on a row would hold its read transaction, and the connection would see the
// log as it was then: the statement ends here.
int64_t newestCallId(const Database& db) {
    Statement newest(db, "SELECT coalesce(max(id), 0) FROM calls");
    newest.step();
    return newest.integer(0);
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
    // Longer than any number or name, and each character more costs the index's search time.
    if (std::ranges::count_if(query.text, [](char c) { return (c & 0xC0) != 0x80; }) >
        kMaxSearchLength) {
        throw BadParameter("q: at most " + std::to_string(kMaxSearchLength) + " characters");
    }
    if (const auto since = parameter(parameters, "since")) {
        query.receivedSince = receivedBound(dayStart("since", *since));
    }
    if (const auto until = parameter(parameters, "until")) {
        query.receivedUntil = receivedBound(nextDayStart(dayStart("until", *until)));
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

BoardReply callsReply(const Database& db, const CallQuery& query) {
    Json calls = Json::array();
    for (const LoggedCall& logged : findCalls(db, query)) calls.push_back(boardCallJson(logged));
    return jsonReply(calls);
}

int statsDays(const QueryParameters& parameters) {
    checkParameterNames(parameters, {"days"});
    const auto daysText = parameter(parameters, "days");
    return daysText ? static_cast<int>(wholeNumber("days", *daysText, 1, kMaxDays)) : kDefaultDays;
}

BoardReply statsReply(const Database& db, int days, std::time_t now) {
    const CallStats stats = callStats(db, days, now);
    Json json{{"days", Json::array()}, {"hours", stats.hours}, {"top", Json::array()}};
    for (const auto& [date, calls] : stats.days) {
        json["days"].push_back({{"date", date}, {"calls", calls}});
    }
    for (const FrequentCaller& caller : stats.top) {
        json["top"].push_back({{"number", caller.number},
                               {"number_shown", shownNumber(caller.number)},
                               {"name", caller.name},
                               {"calls", caller.calls}});
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
    return jsonText({{"line", line.line},
                     {"terminal", line.status.terminalConnected ? "connected" : "disconnected"},
                     {"ringing", line.status.ringing},
                     {"off_hook", line.status.offHook},
                     {"last_call", lastCall.empty() ? Json() : boardCallJson(lastCall.front())},
                     {"outputs", outputs}});
}

BoardReply stateReply(const Database& db, const LineSnapshot& line) {
    return {200, kJson, stateJson(db, line)};
}

BoardReply errorReply(int status, const std::string& message) {
    return {status, kJson, jsonText({{"error", message}})};
}

std::string failureReason(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const DatabaseError& error) {
        return error.reason();
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "an unknown failure";
    }
}

BoardReply failureReply(const std::exception_ptr& failure, std::string_view request,
                        BoardReport& report) {
    try {
        std::rethrow_exception(failure);
    } catch (const BadParameter& error) {
        return errorReply(400, error.what());
    } catch (const DatabaseError&) {
        report.requestFailed(request, failureReason(failure));
        return errorReply(503, "the call log cannot be read");
    } catch (...) {
        report.requestFailed(request, failureReason(failure));
        return errorReply(500, "the board could not answer");
    }
}

CsvExport::CsvExport(const std::string& logPath, CallQuery query)
    : db_(openLogForReading(logPath)), query_(std::move(query)) {
    if (query_.limit >= 0) left_ = query_.limit;
    std::ostringstream header;
    printCsvHeader(header);
    first_ = header.str() + batch();
}

std::string CsvExport::batch() {
    query_.limit = left_ ? std::min(*left_, kCsvBatch) : kCsvBatch;
    const std::vector<LoggedCall> calls = findCalls(*db_, query_);
    if (left_) *left_ -= static_cast<int64_t>(calls.size());
    finished_ = static_cast<int64_t>(calls.size()) < query_.limit || left_ == 0;
    if (calls.empty()) return "";
    query_.before = calls.back().call.id;
    std::ostringstream piece;
    printCsvRows(piece, calls);
    return piece.str();
}

std::optional<std::string> CsvExport::next() {
    if (first_) return std::exchange(first_, std::nullopt);
    if (finished_) return std::nullopt;
    std::string piece = batch();
    if (piece.empty()) return std::nullopt;
    return piece;
}

}  // namespace velko::gateway
